#include "DetailDocuments.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "FakeReviewService.h"
#include "FileFunctions.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"

using namespace Qt::StringLiterals;

using Product = FakeReviewService::Product;

TEST(DetailDocuments, ObjectsAreRemovedUntilOnlyAnUnclosedOneIsLeft) {
    const QString object = u"<object width=\"1\"><param name=\"m\"></object>"_s;
    const std::pair<QString, QString> cases[] = {
        {u"a"_s + object + u"b"_s + object + u"c"_s, u"abc"_s},
        {u"<object a></object>1<object b></object>2<object a></object>"_s, u"12"_s},
        {u"text <object data=x> never closed"_s, u"text <object data=x> never closed"_s},
        {u"<object></object>x<object y"_s, u"x<object y"_s},
        {QString(), u""_s}};
    for (const auto& [html, kept] : cases) {
        EXPECT_EQ(DetailDocuments::withoutObjects(html), kept);
    }
}

TEST(DetailDocuments, TimeStampsShowAsLongEnglishDatesOrNothing) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(DetailDocuments::getFormattedDateStringFromTS(u"{ts '2009-05-12 00:00:00'}"_s),
              u"May 12, 2009"_s);
    EXPECT_EQ(DetailDocuments::getShortDateDisplayFromYMD(u"2009-01-05"_s), u"January 5, 2009"_s);
    for (const QString& text :
         {QString(), u"2009-05-12 00:00:00"_s, u"{ts '2009-5-12 00:00:00'}"_s,
          u"{ts '2009-05-12'}"_s, u"{ts '2009-05-12"_s, u"{ts 'abcdefghij 00'}"_s}) {
        EXPECT_TRUE(DetailDocuments::getFormattedDateStringFromTS(text).isNull())
            << text.toStdString();
    }
    EXPECT_TRUE(DetailDocuments::getShortDateDisplayFromYMD(u"2009-05-1"_s).isNull());
}

TEST(DetailDocuments, ProductValidityPriceReviewAndArticlesAreCutFromTheText) {
    Product product;
    product.reviewAddress = u"http://svc/review/9"_s;
    for (int i = 0; i < 3; ++i) {
        product.related.append(ReviewDocuments::Article());
        product.related.last().title = u"Article %1"_s.arg(i);
    }
    const QByteArray body = ReviewDocuments::productDocument(product);
    EXPECT_TRUE(DetailDocuments::isProductDocument(QString::fromUtf8(body)));
    EXPECT_EQ(DetailDocuments::priceFromProductDocument(QString::fromUtf8(body)), u"29.99"_s);
    EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(QString::fromUtf8(body)),
              u"http://svc/review/9"_s);
    // Reversed, never the review itself, and linked to the game's page.
    const auto related = DetailDocuments::relatedContentFromProductDocument(body, u"http://g"_s);
    ASSERT_EQ(related.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(related[i]->title(), u"Article %1"_s.arg(2 - i));
        EXPECT_EQ(related[i]->urlLink(), u"http://g"_s);
    }
    EXPECT_TRUE(DetailDocuments::relatedContentFromProductDocument("not xml", u"x"_s).isEmpty());

    product.hasTitle = false;
    product.price.reset();
    product.reviewAddress = u""_s;
    const QString bare = QString::fromUtf8(ReviewDocuments::productDocument(product));
    EXPECT_FALSE(DetailDocuments::isProductDocument(bare));
    EXPECT_EQ(DetailDocuments::priceFromProductDocument(bare), u""_s);
    EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(bare), u""_s);
    product.reviewAddress.reset();
    EXPECT_TRUE(DetailDocuments::reviewLinkFromProductDocument(
                    QString::fromUtf8(ReviewDocuments::productDocument(product)))
                    .isNull());
}

TEST(DetailDocuments, ScreenshotsAreCappedTrimmedAndOnlyUsableOnesShown) {
    Product product;
    product.screenshots = 40;
    const QByteArray body = ReviewDocuments::productDocument(product);
    EXPECT_TRUE(DetailDocuments::hasScreenshots(QString::fromUtf8(body)));
    const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(body);
    ASSERT_EQ(shots.size(), DetailDocuments::kMaxScreenshots);
    EXPECT_EQ(shots.last().urlThumbnail(), ReviewDocuments::thumbnailURL(34));
    EXPECT_EQ(shots.last().urlHighDef(), ReviewDocuments::highDefURL(34));
    const QString page = DetailDocuments::screenshotPage(shots, u"http://site/game"_s);
    EXPECT_EQ(page.count(u"<img src="_s), 35);
    EXPECT_TRUE(page.contains(u"<img src=\""_s + ReviewDocuments::screenshotURL(34) + u"\">\n"_s));
    EXPECT_TRUE(page.contains(u"href=\"http://site/game\""_s));
    EXPECT_FALSE(page.contains(u"**"_s));

    const QList<Screenshot> odd = DetailDocuments::screenshotsFromProductDocument(
        "<p><related_media><media type=\"screenshot\" urlPath=\"  http://x/a.jpg \n\"/>"
        "<media type=\"screenshot\" thumbPath=\"http://x/t.jpg\"/>"
        "<media type=\"screenshot\" urlPath=\"x.jpg\"/><media type=\"screenshot\" "
        "urlPath=\"second\"/>"
        "<media type=\"video\" urlPath=\"http://x/v.mp4\"/></related_media></p>");
    ASSERT_EQ(odd.size(), 4);
    EXPECT_TRUE(odd[1].urlScreenshot().isNull());
    const QString oddPage = DetailDocuments::screenshotPage(odd, QString());
    EXPECT_EQ(oddPage.count(u"<img src="_s), 2);
    EXPECT_TRUE(oddPage.contains(u"<img src=\"http://x/a.jpg\">\n"_s));
    EXPECT_TRUE(oddPage.contains(u"<img src=\"second\">\n"_s));
}

TEST(DetailDocuments, ReviewDocumentGivesBodyBlurbAuthorAndDate) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto review = DetailDocuments::reviewFromReviewDocument(QString::fromUtf8(
        ReviewDocuments::reviewDocument(u"<p>Great</p><object><embed></object>"_s, u"Worth it"_s,
                                        u"Bo Critic"_s, u"{ts '2009-05-12 08:30:00'}"_s)));
    ASSERT_TRUE(review);
    EXPECT_EQ(QStringList({review->html, review->blurb, review->byName, review->date}),
              QStringList({u"<p>Great</p>"_s, u"Worth it"_s, u"Bo Critic"_s, u"May 12, 2009"_s}));
    EXPECT_FALSE(DetailDocuments::reviewFromReviewDocument(
        QString::fromUtf8(ReviewDocuments::reviewDocument(std::nullopt, u"Worth it"_s))));
    EXPECT_FALSE(DetailDocuments::reviewFromReviewDocument(QString()));
}

TEST(DetailDocuments, TokensAreFilledOnceSoValuesCannotPullInOtherValues) {
    const QString page = DetailDocuments::reviewPage(u"http://site/\"onclick=\"x"_s, u"**BODY**"_s,
                                                     QString(), u"**MORE_URL**"_s, u"the body"_s);
    EXPECT_EQ(page.count(u"the body"_s), 1);
    EXPECT_TRUE(page.contains(u"By **BODY**"_s));
    EXPECT_TRUE(page.contains(u"href=\"http://site/&quot;onclick=&quot;x\""_s));
    EXPECT_FALSE(page.contains(u"**REVIEWED_DATE**"_s) || page.contains(u"(null)"_s));
    EXPECT_TRUE(FileFunctions::getStringFileValueFromBundle(u"game_details_email"_s, u"html"_s)
                    .contains(u"**CUSTOM_APP_URL**"_s));
}
