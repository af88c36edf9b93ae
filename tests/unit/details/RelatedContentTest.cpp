#include "RelatedContent.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "DetailDocuments.h"
#include "DetailOtherCell.h"
#include "DetailTestSupport.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"
#include "XPathQuery.h"

using namespace Qt::StringLiterals;

namespace {

// The record made from the first content element of an article document.
std::shared_ptr<RelatedContent> fromDocument(const QByteArray& document) {
    const auto found = PerformXMLXPathQuery(document, u"//content"_s);
    EXPECT_TRUE(found && found->size() == 1u);
    return found && !found->empty()
               ? RelatedContent::relatedContentWithXPathResultDictionary(found->front())
               : std::make_shared<RelatedContent>();
}

// Every field, in order, "~" for a null one.
QString fields(const RelatedContent& c) {
    QStringList all{c.typeValue(),   c.title(),  c.blurb(),      c.body(),       c.articleID(),
                    c.typeDisplay(), c.dateTS(), c.authorName(), c.urlService(), c.urlLink()};
    for (QString& field : all) {
        field = field.isNull() ? u"~"_s : field;
    }
    return all.join(u'|');
}

QByteArray fullArticle(const QString& prefix, bool cdataBetweenLineBreaks = false) {
    return ReviewDocuments::articleDocument(
        {u"previews"_s, prefix, u"First look"_s, u"A <b>bold</b> start"_s, u"<p>Body</p>"_s,
         u"77"_s, u"Preview"_s, u"{ts '2009-05-12 10:00:00'}"_s, u"Ann Writer"_s,
         u"http://svc/77"_s, u"http://site/game/1"_s, cdataBetweenLineBreaks});
}

}  // namespace

TEST(RelatedContent, ArticleElementsFillTheFieldsThePageAndTheCell) {
    const QString full =
        u"previews|First look|A bold start|<p>Body</p>|77|Preview|"
        u"{ts '2009-05-12 10:00:00'}|Ann Writer|http://svc/77|http://site/game/1"_s;
    const std::pair<QByteArray, QString> cases[] = {
        {fullArticle(u"article_"_s), full},
        {fullArticle(u"content_"_s), full},
        // CDATA between line breaks gives empty values; plain elements are not affected.
        {fullArticle(u"article_"_s, true),
         u"previews||||77|Preview|{ts '2009-05-12 10:00:00'}|||http://site/game/1"_s},
        // A type child overrides the attribute, and later children win.
        {"<r><content type=\"news\"><article_type_value>feature</article_type_value>"
         "<article_title>one</article_title><content_title>two</content_title></content></r>",
         u"feature|two|~|~|~|~|~|~|~|~"_s},
    };
    for (const auto& [document, expected] : cases) {
        EXPECT_EQ(fields(*fromDocument(document)), expected);
    }

    // The article's page fills every token, drops objects and falls back to the review site.
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    ScopedReviewSettings settings(u"http://svc.example.org"_s, u"http://reviews.example.org/"_s);
    const auto content = fromDocument(fullArticle(u"article_"_s));
    content->setBody(u"<p>a</p><object data=\"v\"></object><p>b</p>"_s);
    const QString page = content->htmlInPageTemplate();
    EXPECT_TRUE(page.contains(u"href=\"http://site/game/1\""_s) &&
                page.contains(u"May 12, 2009"_s) && page.contains(u"<p>a</p><p>b</p>"_s));
    EXPECT_FALSE(page.contains(u"**"_s));
    for (const QString& link : {QString(), u""_s}) {
        RelatedContent bare;
        bare.setUrlLink(link);
        const QString barePage = bare.htmlInPageTemplate();
        EXPECT_TRUE(barePage.contains(u"href=\"http://reviews.example.org/\""_s));
        EXPECT_FALSE(barePage.contains(u"**"_s) || barePage.contains(u"(null)"_s));
    }

    // The cell shows it as plain text with its date; the title grows to its wrapped height, the
    // blurb stays below it, and a reused cell shrinks back.
    DetailOtherCell cell;
    cell.setContent(content);
    EXPECT_EQ(QStringList({cell.title()->text(), cell.blurb()->text(), cell.typeDisplay()->text(),
                           cell.date()->text()}),
              QStringList({u"First look"_s, u"A bold start"_s, u"Preview"_s, u"May 12, 2009"_s}));
    EXPECT_EQ(cell.title()->textFormat(), Qt::PlainText);
    const QRect oneLine = cell.title()->geometry();
    const int gap = cell.blurb()->y() - oneLine.bottom();
    content->setTitle(u"A much longer headline that has to wrap over several lines in the cell"_s);
    content->setDateTS(u"2009-05-12"_s);
    cell.setContent(content);
    EXPECT_EQ(cell.date()->text(), u""_s);
    const QRect grown = cell.title()->geometry();
    EXPECT_EQ(grown.topLeft(), oneLine.topLeft());
    EXPECT_GE(grown.height(), 2 * oneLine.height());
    EXPECT_EQ(grown.height(), DetailOtherCell::titleHeight(content->title(), cell.title()->font(),
                                                           oneLine.width()));
    EXPECT_EQ(cell.blurb()->y() - grown.bottom(), gap);
    content->setTitle(u"First look"_s);
    cell.setContent(content);
    EXPECT_EQ(cell.title()->geometry(), oneLine);
    cell.setContent(nullptr);
    EXPECT_EQ(cell.title()->text(), u""_s);
}

TEST(DetailDocuments, ObjectsAreRemovedUntilOnlyAnUnclosedOneIsLeft) {
    const QString object = u"<object width=\"1\"><param name=\"m\"></object>"_s;
    const std::pair<QString, QString> cases[] = {
        {u"a"_s + object + u"b"_s + object + u"c"_s, u"abc"_s},
        {u"text <object data=x> never closed"_s, u"text <object data=x> never closed"_s},
        {u"<object></object>x<object y"_s, u"x<object y"_s},
    };
    for (const auto& [html, kept] : cases) {
        EXPECT_EQ(DetailDocuments::withoutObjects(html), kept);
    }
}

TEST(DetailDocuments, ScreenshotsAreCappedTrimmedAndOnlyUsableOnesShown) {
    ReviewDocuments::Product product;
    product.screenshots = 40;
    const QByteArray body = ReviewDocuments::productDocument(product);
    const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(body);
    ASSERT_EQ(shots.size(), DetailDocuments::kMaxScreenshots);
    EXPECT_EQ(shots.last().urlHighDef(), ReviewDocuments::highDefURL(34));
    const QString page = DetailDocuments::screenshotPage(shots, u"http://site/game"_s);
    EXPECT_EQ(page.count(u"<img src="_s), 35);
    EXPECT_TRUE(page.contains(u"<img src=\""_s + ReviewDocuments::screenshotURL(34) + u"\">\n"_s));

    const QList<Screenshot> odd = DetailDocuments::screenshotsFromProductDocument(
        "<p><related_media><media type=\"screenshot\" urlPath=\"  http://x/a.jpg \n\"/>"
        "<media type=\"screenshot\" thumbPath=\"http://x/t.jpg\"/>"
        "<media type=\"screenshot\" urlPath=\"second\"/>"
        "<media type=\"video\" urlPath=\"http://x/v.mp4\"/></related_media></p>");
    ASSERT_EQ(odd.size(), 3);
    EXPECT_EQ(odd[0].urlScreenshot(), u"http://x/a.jpg"_s);
    EXPECT_TRUE(odd[1].urlScreenshot().isNull());
    EXPECT_EQ(DetailDocuments::screenshotPage(odd, QString()).count(u"<img src="_s), 2);
}

TEST(DetailDocuments, TokensAreFilledOnceSoValuesCannotPullInOtherValues) {
    const QString page = DetailDocuments::reviewPage(u"http://site/\"onclick=\"x"_s, u"**BODY**"_s,
                                                     QString(), u"**MORE_URL**"_s, u"the body"_s);
    EXPECT_EQ(page.count(u"the body"_s), 1);
    EXPECT_TRUE(page.contains(u"By **BODY**"_s));
    EXPECT_TRUE(page.contains(u"href=\"http://site/&quot;onclick=&quot;x\""_s));
    EXPECT_FALSE(page.contains(u"**REVIEWED_DATE**"_s) || page.contains(u"(null)"_s));
}
