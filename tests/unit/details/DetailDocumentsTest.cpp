#include "DetailDocuments.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "FakeReviewService.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"

using namespace Qt::StringLiterals;

namespace {

using Product = FakeReviewService::Product;

int imageLines(const QString& page) {
    return int(page.count(u"<img src="_s));
}

}  // namespace

TEST(DetailDocumentsObjects, IdenticalObjectsGoInOnePassAndDifferentOnesInTurn) {
    const QString object = u"<object width=\"1\"><param name=\"m\" value=\"x\"></object>"_s;
    EXPECT_EQ(DetailDocuments::withoutObjects(u"a"_s + object + u"b"_s + object + u"c"_s),
              u"abc"_s);
    EXPECT_EQ(DetailDocuments::withoutObjects(
                  u"<object a></object>1<object b></object>2<object a></object>"_s),
              u"12"_s);
}

TEST(DetailDocumentsObjects, UnclosedObjectIsLeftAndTheLoopEnds) {
    EXPECT_EQ(DetailDocuments::withoutObjects(u"text <object data=x> never closed"_s),
              u"text <object data=x> never closed"_s);
    // An object closed earlier than the unclosed one still goes.
    EXPECT_EQ(DetailDocuments::withoutObjects(u"<object></object>x<object y"_s), u"x<object y"_s);
    EXPECT_EQ(DetailDocuments::withoutObjects(QString()), u""_s);
}

TEST(DetailDocumentsDates, TimeStampShowsAsTheLongEnglishDate) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(DetailDocuments::getFormattedDateStringFromTS(u"{ts '2009-05-12 00:00:00'}"_s),
              u"May 12, 2009"_s);
    EXPECT_EQ(DetailDocuments::getShortDateDisplayFromYMD(u"2009-01-05"_s), u"January 5, 2009"_s);
}

TEST(DetailDocumentsDates, TextWithoutAUsableDateShowsNothing) {
    for (const QString& text :
         {QString(), u""_s, u"2009-05-12 00:00:00"_s, u"{ts '2009-5-12 00:00:00'}"_s,
          u"{ts '2009-05-12'}"_s, u"{ts '2009-05-12"_s, u"{ts 'abcdefghij 00'}"_s}) {
        EXPECT_TRUE(DetailDocuments::getFormattedDateStringFromTS(text).isNull())
            << text.toStdString();
    }
    EXPECT_TRUE(DetailDocuments::getShortDateDisplayFromYMD(u"2009-05-1"_s).isNull());
}

TEST(DetailDocumentsProduct, ValidityPriceAndReviewAddressAreCutFromTheText) {
    Product product;
    product.reviewAddress = u"http://svc.example.org/review/9"_s;
    const QString body = QString::fromUtf8(ReviewDocuments::productDocument(product));
    EXPECT_TRUE(DetailDocuments::isProductDocument(body));
    EXPECT_EQ(DetailDocuments::priceFromProductDocument(body), u"29.99"_s);
    EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(body),
              u"http://svc.example.org/review/9"_s);

    product.hasTitle = false;
    product.price.reset();
    product.reviewAddress = u""_s;
    const QString bare = QString::fromUtf8(ReviewDocuments::productDocument(product));
    EXPECT_FALSE(DetailDocuments::isProductDocument(bare));
    EXPECT_EQ(DetailDocuments::priceFromProductDocument(bare), u""_s);
    EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(bare), u""_s);
    EXPECT_FALSE(DetailDocuments::reviewLinkFromProductDocument(bare).isNull());

    product.reviewAddress.reset();
    EXPECT_TRUE(DetailDocuments::reviewLinkFromProductDocument(
                    QString::fromUtf8(ReviewDocuments::productDocument(product)))
                    .isNull());
}

TEST(DetailDocumentsProduct, RelatedArticlesAreReversedNeverReviewsAndLinkToTheGame) {
    Product product;
    product.reviewAddress = u"http://svc.example.org/review/9"_s;
    for (int i = 0; i < 3; ++i) {
        FakeReviewService::Article article;
        article.title = u"Article %1"_s.arg(i);
        article.linkBack = u"http://elsewhere/%1"_s.arg(i);
        product.related.append(article);
    }
    FakeReviewService::Article untyped;
    const auto related = DetailDocuments::relatedContentFromProductDocument(
        ReviewDocuments::productDocument(product), u"http://site/game"_s);
    ASSERT_EQ(related.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(related[i]->title(), u"Article %1"_s.arg(2 - i));
        EXPECT_EQ(related[i]->urlLink(), u"http://site/game"_s);
        EXPECT_NE(related[i]->typeValue(), u"reviews"_s);
    }
    EXPECT_TRUE(DetailDocuments::relatedContentFromProductDocument("not xml", u"x"_s).isEmpty());
}

TEST(DetailDocumentsScreenshots, FortyElementsGiveThirtyFiveRecordsAndImageLines) {
    Product product;
    product.screenshots = 40;
    const QByteArray body = ReviewDocuments::productDocument(product);
    EXPECT_TRUE(DetailDocuments::hasScreenshots(QString::fromUtf8(body)));
    const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(body);
    ASSERT_EQ(shots.size(), 35);
    for (int i = 0; i < 35; ++i) {
        EXPECT_EQ(shots[i].urlScreenshot(), ReviewDocuments::screenshotURL(i));
        EXPECT_EQ(shots[i].urlThumbnail(), ReviewDocuments::thumbnailURL(i));
        EXPECT_EQ(shots[i].urlHighDef(), ReviewDocuments::highDefURL(i));
    }
    const QString page = DetailDocuments::screenshotPage(shots, u"http://site/game"_s);
    EXPECT_EQ(imageLines(page), 35);
    EXPECT_TRUE(page.contains(u"<img src=\""_s + ReviewDocuments::screenshotURL(34) + u"\">\n"_s));
    EXPECT_FALSE(page.contains(ReviewDocuments::screenshotURL(35) + u'"'));
    EXPECT_TRUE(page.contains(u"href=\"http://site/game\""_s));
    EXPECT_FALSE(page.contains(u"**"_s));
}

TEST(DetailDocumentsScreenshots, AddressesAreTrimmedAndShortOrMissingOnesAreKeptButNotShown) {
    const QByteArray body =
        "<p><related_media>"
        "<media type=\"screenshot\" urlPath=\"  http://x/a.jpg \n\" other=\"1\"/>"
        "<media type=\"screenshot\" thumbPath=\"http://x/t.jpg\" hdPath=\"http://x/h.jpg\"/>"
        "<media type=\"screenshot\" urlPath=\"x.jpg\"/>"
        "<media type=\"screenshot\" urlPath=\"second\" urlPath2=\"y\"/>"
        "<media type=\"video\" urlPath=\"http://x/v.mp4\"/>"
        "</related_media></p>";
    const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(body);
    ASSERT_EQ(shots.size(), 4);
    EXPECT_EQ(shots[0].urlScreenshot(), u"http://x/a.jpg"_s);
    EXPECT_TRUE(shots[1].urlScreenshot().isNull());
    EXPECT_EQ(shots[1].urlThumbnail(), u"http://x/t.jpg"_s);
    EXPECT_EQ(shots[2].urlScreenshot(), u"x.jpg"_s);
    const QString page = DetailDocuments::screenshotPage(shots, QString());
    EXPECT_EQ(imageLines(page), 2);
    EXPECT_TRUE(page.contains(u"<img src=\"http://x/a.jpg\">\n"_s));
    EXPECT_TRUE(page.contains(u"<img src=\"second\">\n"_s));
    EXPECT_TRUE(DetailDocuments::screenshotsFromProductDocument("").isEmpty());
    EXPECT_EQ(imageLines(DetailDocuments::screenshotPage({}, QString())), 0);
}

TEST(DetailDocumentsReview, ReviewDocumentGivesBodyBlurbAuthorAndDate) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto review = DetailDocuments::reviewFromReviewDocument(QString::fromUtf8(
        ReviewDocuments::reviewDocument(u"<p>Great</p><object><embed></object>"_s, u"Worth it"_s,
                                        u"Bo Critic"_s, u"{ts '2009-05-12 08:30:00'}"_s)));
    ASSERT_TRUE(review);
    EXPECT_EQ(review->html, u"<p>Great</p>"_s);
    EXPECT_EQ(review->blurb, u"Worth it"_s);
    EXPECT_EQ(review->byName, u"Bo Critic"_s);
    EXPECT_EQ(review->date, u"May 12, 2009"_s);
    EXPECT_FALSE(DetailDocuments::reviewFromReviewDocument(
        QString::fromUtf8(ReviewDocuments::reviewDocument(std::nullopt, u"Worth it"_s))));
    EXPECT_FALSE(DetailDocuments::reviewFromReviewDocument(QString()));
}

TEST(DetailDocumentsPages, TokensAreFilledOnceSoValuesCannotPullInOtherValues) {
    const QString page = DetailDocuments::reviewPage(u"http://site/\"onclick=\"x"_s, u"**BODY**"_s,
                                                     QString(), u"**MORE_URL**"_s, u"the body"_s);
    EXPECT_EQ(page.count(u"the body"_s), 1);
    EXPECT_TRUE(page.contains(u"By **BODY**"_s));
    EXPECT_TRUE(page.contains(u"href=\"http://site/&quot;onclick=&quot;x\""_s));
    EXPECT_FALSE(page.contains(u"**REVIEWED_DATE**"_s));
    EXPECT_FALSE(page.contains(u"(null)"_s));
}

TEST(DetailDocumentsPages, EveryTemplateIsBundledWithItsTokens) {
    const QList<std::pair<QString, QStringList>> templates{
        {u"review_template"_s,
         {u"**MORE_URL**"_s, u"**REVIEWED_BY**"_s, u"**REVIEWED_DATE**"_s, u"**REVIEW_BLURB**"_s,
          u"**BODY**"_s}},
        {u"images_template"_s, {u"**MORE_URL**"_s, u"**BODY**"_s}},
        {u"game_details_email"_s,
         {u"**CRITICON_LINK**"_s, u"**ITUNES_LINK**"_s, u"**APP_TITLE**"_s, u"**CUSTOM_APP_URL**"_s,
          u"**GAME_TITLE**"_s}}};
    for (const auto& [name, tokens] : templates) {
        const QString text = FileFunctions::getStringFileValueFromBundle(name, u"html"_s);
        ASSERT_FALSE(text.isNull()) << name.toStdString();
        for (const QString& token : tokens) {
            EXPECT_TRUE(text.contains(token)) << name.toStdString() << " " << token.toStdString();
        }
    }
}
