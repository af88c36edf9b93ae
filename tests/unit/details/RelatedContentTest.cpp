#include "RelatedContent.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "DetailOtherCell.h"
#include "DetailTestSupport.h"
#include "FakeReviewService.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"
#include "Screenshot.h"
#include "XPathQuery.h"

using namespace Qt::StringLiterals;

namespace {

using Article = FakeReviewService::Article;

// The record made from the first content element of an article document.
std::shared_ptr<RelatedContent> fromDocument(const QByteArray& document) {
    const auto found = PerformXMLXPathQuery(document, u"//content"_s);
    EXPECT_TRUE(found && found->size() == 1u);
    return found && !found->empty()
               ? RelatedContent::relatedContentWithXPathResultDictionary(found->front())
               : std::make_shared<RelatedContent>();
}

Article fullArticle(const QString& prefix) {
    Article article;
    article.type = u"previews"_s;
    article.prefix = prefix;
    article.title = u"First look"_s;
    article.blurb = u"A <b>bold</b> start"_s;
    article.body = u"<p>Body</p>"_s;
    article.id = u"77"_s;
    article.typeDisplay = u"Preview"_s;
    article.datePublished = u"{ts '2009-05-12 10:00:00'}"_s;
    article.author = u"Ann Writer"_s;
    article.bodyService = u"http://svc.example.org/article/77"_s;
    article.linkBack = u"http://site.example.org/game/1"_s;
    return article;
}

}  // namespace

TEST(RelatedContentFill, ArticleAndContentNamesFillTheSameFields) {
    for (const QString& prefix : {u"article_"_s, u"content_"_s}) {
        SCOPED_TRACE(prefix.toStdString());
        const auto content = fromDocument(ReviewDocuments::articleDocument(fullArticle(prefix)));
        EXPECT_EQ(content->typeValue(), u"previews"_s);
        EXPECT_EQ(content->title(), u"First look"_s);
        EXPECT_EQ(content->blurb(), u"A bold start"_s);
        EXPECT_EQ(content->body(), u"<p>Body</p>"_s);
        EXPECT_EQ(content->articleID(), u"77"_s);
        EXPECT_EQ(content->typeDisplay(), u"Preview"_s);
        EXPECT_EQ(content->dateTS(), u"{ts '2009-05-12 10:00:00'}"_s);
        EXPECT_EQ(content->authorName(), u"Ann Writer"_s);
        EXPECT_EQ(content->urlService(), u"http://svc.example.org/article/77"_s);
        EXPECT_EQ(content->urlLink(), u"http://site.example.org/game/1"_s);
    }
}

TEST(RelatedContentFill, CdataBetweenLineBreaksGivesAnEmptyValue) {
    Article article = fullArticle(u"article_"_s);
    article.cdataBetweenLineBreaks = true;
    const auto content = fromDocument(ReviewDocuments::articleDocument(article));
    EXPECT_EQ(content->title(), u""_s);
    EXPECT_FALSE(content->title().isNull());
    EXPECT_EQ(content->body(), u""_s);
    // Plain elements are not affected.
    EXPECT_EQ(content->articleID(), u"77"_s);
}

TEST(RelatedContentFill, ElementWithoutKnownChildrenKeepsOnlyItsType) {
    const auto content =
        fromDocument("<r><content type=\"news\"><other>x</other><title>y</title></content></r>");
    EXPECT_EQ(content->typeValue(), u"news"_s);
    EXPECT_TRUE(content->title().isNull());
    EXPECT_TRUE(content->blurb().isNull());
    EXPECT_TRUE(content->urlLink().isNull());
}

TEST(RelatedContentFill, TypeChildOverridesTheAttributeAndLaterChildrenWin) {
    const auto content = fromDocument(
        "<r><content type=\"news\"><article_type_value>feature</article_type_value>"
        "<article_title>one</article_title><content_title>two</content_title></content></r>");
    EXPECT_EQ(content->typeValue(), u"feature"_s);
    EXPECT_EQ(content->title(), u"two"_s);
}

TEST(RelatedContentPage, ArticlePageFillsEveryTokenAndDropsObjects) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    RelatedContent content;
    content.setUrlLink(u"http://site.example.org/game/1"_s);
    content.setAuthorName(u"Ann Writer"_s);
    content.setDateTS(u"{ts '2009-05-12 10:00:00'}"_s);
    content.setBlurb(u"Short"_s);
    content.setBody(u"<p>a</p><object data=\"v\"></object><p>b</p>"_s);
    const QString page = content.htmlInPageTemplate();
    EXPECT_TRUE(page.contains(u"href=\"http://site.example.org/game/1\""_s));
    EXPECT_TRUE(page.contains(u"Ann Writer"_s));
    EXPECT_TRUE(page.contains(u"May 12, 2009"_s));
    EXPECT_TRUE(page.contains(u"Short"_s));
    EXPECT_TRUE(page.contains(u"<p>a</p><p>b</p>"_s));
    EXPECT_FALSE(page.contains(u"**"_s));
}

TEST(RelatedContentPage, MissingLinkPointsAtTheReviewSiteAndMissingValuesAreEmpty) {
    ScopedReviewSettings settings(u"http://svc.example.org"_s, u"http://reviews.example.org/"_s);
    for (const QString& link : {QString(), u""_s}) {
        RelatedContent content;
        content.setUrlLink(link);
        const QString page = content.htmlInPageTemplate();
        EXPECT_TRUE(page.contains(u"href=\"http://reviews.example.org/\""_s));
        EXPECT_FALSE(page.contains(u"**"_s));
        EXPECT_FALSE(page.contains(u"(null)"_s));
    }
}

TEST(RelatedContentDescription, DescriptionsListEveryFieldInOrder) {
    RelatedContent content;
    content.setTitle(u"T"_s);
    content.setBody(u"B"_s);
    EXPECT_EQ(content.description(),
              u"\n+----------[ RelatedContent ] -------------+\n\ttitle\t\t\t\t= [T]\n"
              u"\tauthorName\t\t\t= [(null)]\n\tdateTS\t\t\t\t= [(null)]\n"
              u"\ttypeDisplay\t\t= [(null)]\n\ttypeValue\t\t\t= [(null)]\n"
              u"\tarticleID\t\t\t= [(null)]\n\turlLink\t\t\t= [(null)]\n"
              u"\turlService\t\t\t= [(null)]\n\tblurb\t\t\t\t= [(null)]\n"
              u"\tbody\t\t\t\t= [B]\n"_s);
    Screenshot shot;
    shot.setUrlScreenshot(u"http://x/1.jpg"_s);
    EXPECT_EQ(shot.description(),
              u"----------[ Screenshot ] -------------\n\turlThumbnail\t\t\t= [(null)]\n"
              u"\turlScreenshot\t\t\t= [http://x/1.jpg]\n\turlHighDef\t\t\t\t= [(null)]\n"_s);
}

TEST(DetailOtherCellTest, ShowsTheArticleAsPlainTextWithItsDate) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    DetailOtherCell cell;
    EXPECT_EQ(cell.reuseIdentifier(), u"DetailOtherCell"_s);
    const auto content = fromDocument(ReviewDocuments::articleDocument(fullArticle(u"content_"_s)));
    cell.setContent(content);
    EXPECT_EQ(cell.content(), content);
    EXPECT_EQ(cell.title()->text(), u"First look"_s);
    EXPECT_EQ(cell.blurb()->text(), u"A bold start"_s);
    EXPECT_EQ(cell.typeDisplay()->text(), u"Preview"_s);
    EXPECT_EQ(cell.date()->text(), u"May 12, 2009"_s);
    EXPECT_EQ(cell.title()->textFormat(), Qt::PlainText);

    auto undated = std::make_shared<RelatedContent>();
    undated->setTitle(u"<b>x</b>"_s);
    undated->setDateTS(u"2009-05-12"_s);
    cell.setContent(undated);
    EXPECT_EQ(cell.date()->text(), u""_s);
    EXPECT_EQ(cell.blurb()->text(), u""_s);
    cell.setContent(nullptr);
    EXPECT_EQ(cell.title()->text(), u""_s);
}

TEST(DetailOtherCellTest, TitleGrowsToItsWrappedHeightAndTheBlurbStaysBelow) {
    DetailOtherCell cell;
    auto content = std::make_shared<RelatedContent>();
    content->setTitle(u"Short"_s);
    cell.setContent(content);
    const QRect oneLine = cell.title()->geometry();
    const int gap = cell.blurb()->y() - oneLine.bottom();

    content->setTitle(u"A much longer headline that has to wrap over several lines in the cell"_s);
    cell.setContent(content);
    const QRect grown = cell.title()->geometry();
    EXPECT_EQ(grown.topLeft(), oneLine.topLeft());
    EXPECT_EQ(grown.width(), oneLine.width());
    EXPECT_GE(grown.height(), 2 * oneLine.height());
    EXPECT_EQ(grown.height(), DetailOtherCell::titleHeight(content->title(), cell.title()->font(),
                                                           oneLine.width()));
    EXPECT_EQ(cell.blurb()->y() - grown.bottom(), gap);

    // Reused for a short title, it shrinks back.
    content->setTitle(u"Short"_s);
    cell.setContent(content);
    EXPECT_EQ(cell.title()->geometry(), oneLine);
}
