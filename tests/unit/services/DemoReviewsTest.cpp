#include "DemoReviews.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QSet>
#include <QXmlStreamReader>

#include "CatalogueGenerator.h"
#include "DemoCatalogue.h"
#include "DetailDocuments.h"
#include "QStringPrinter.h"
#include "RelatedContent.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"
#include "SitePages.h"
#include "XPathQuery.h"

using namespace Qt::StringLiterals;

namespace {

const QString kBase = u"http://127.0.0.1:9"_s;

// Games spread over a platform's whole catalogue, first and last included.
QList<const DemoGame*> sampleGames(const QString& platform, int count) {
    const QList<DemoGame>& games = DemoCatalogue::shared().shippedGames(platform);
    QList<const DemoGame*> sample;
    for (int i = 0; i < count; ++i) {
        sample.append(&games[(games.size() - 1) * i / (count - 1)]);
    }
    return sample;
}

std::vector<XPathResultDictionary> found(const QByteArray& document, const QString& query) {
    return PerformXMLXPathQuery(document, query).value_or(std::vector<XPathResultDictionary>());
}

class DemoReviewsPlatform : public testing::TestWithParam<QString> {};

// Every document reads back through the program's own parsers as the detail screen reads it.
TEST_P(DemoReviewsPlatform, DocumentsReadBackAsTheDetailScreenReadsThem) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    const DemoReviews reviews(kBase);
    int reviewed = 0;
    for (const DemoGame* game : sampleGames(GetParam(), 12)) {
        const QString id = game->criticonId();
        SCOPED_TRACE(id.toStdString());
        const QByteArray document = reviews.productDocument(id);
        const QString text = QString::fromUtf8(document);
        ASSERT_TRUE(DetailDocuments::isProductDocument(text));
        EXPECT_EQ(found(document, u"//product_title"_s).at(0).nodeContent, game->title());
        EXPECT_GT(DetailDocuments::priceFromProductDocument(text).toDouble(), 0.0);
        const qsizetype listed = found(document, DetailDocuments::kScreenshotQuery).size();
        const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(document);
        ASSERT_EQ(shots.size(), qMin<qsizetype>(listed, DetailDocuments::kMaxScreenshots));
        for (int n = 0; n < shots.size(); ++n) {
            EXPECT_EQ(shots[n].urlHighDef(),
                      ReviewDocuments::highDefURL(n, kBase + u"/shots/"_s + id + u'/'));
        }
        // Articles are numbered in document order, so the page lists them numbered downwards;
        // each one's service answers with the same article.
        const auto related = DetailDocuments::relatedContentFromProductDocument(document, u"g"_s);
        ASSERT_FALSE(related.isEmpty());
        for (qsizetype i = 0; i < related.size(); ++i) {
            const QString articleId = id + QString::number(related.size() - i);
            EXPECT_EQ(related[i]->urlService(), kBase + u"/svc/article/"_s + articleId);
            EXPECT_FALSE(related[i]->blurb().contains(u'<'));
            const auto answer = reviews.articleDocument(articleId);
            ASSERT_TRUE(answer);
            const auto article = RelatedContent::relatedContentWithXPathResultDictionary(
                found(*answer, u"//content"_s).at(0));
            EXPECT_EQ(article->title(), related[i]->title());
            EXPECT_EQ(article->dateTS(), related[i]->dateTS());
            EXPECT_EQ(article->urlLink(), kBase + u"/site/game/"_s + id);
        }
        // The review is there exactly when the product document links it, and its author and
        // day are those the product document names.
        const auto answer = reviews.reviewDocument(id);
        EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(text).isNull(), !answer);
        if (answer) {
            ++reviewed;
            const auto review =
                DetailDocuments::reviewFromReviewDocument(QString::fromUtf8(*answer));
            ASSERT_TRUE(review);
            EXPECT_FALSE(review->html.contains(u"<object"_s));
            EXPECT_GT(review->html.count(u"<p>"_s), 0);
            const auto listed = RelatedContent::relatedContentWithXPathResultDictionary(
                found(document, u"//related_content/content[@type='reviews']"_s).at(0));
            EXPECT_EQ(listed->authorName(), review->byName);
            EXPECT_EQ(DetailDocuments::getFormattedDateStringFromTS(listed->dateTS()),
                      review->date);
        }
    }
    EXPECT_GT(reviewed, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryPlatform, DemoReviewsPlatform,
                         testing::ValuesIn(CatalogueGenerator::platforms()),
                         [](const testing::TestParamInfo<QString>& param) {
                             return param.param.toStdString();
                         });

// The detail screen's odd cases all occur somewhere, and nothing answers for an unknown id.
TEST(DemoReviews, CatalogueHasEveryKindOfDocumentAndUnknownIdsGetNone) {
    const DemoReviews reviews(kBase);
    QSet<QString> seen;
    for (const QString& platform : CatalogueGenerator::platforms()) {
        for (const DemoGame* game : sampleGames(platform, 40)) {
            const QByteArray product = reviews.productDocument(game->criticonId());
            const auto shots = found(product, DetailDocuments::kScreenshotQuery).size();
            seen.insert(shots == 0 ? u"no shots"_s : u"shots"_s);
            seen.insert(shots > size_t(DetailDocuments::kMaxScreenshots) ? u"many"_s : u"few"_s);
            seen.insert(product.contains("<article_title>") ? u"article_"_s : u"content_"_s);
            const QByteArray review = reviews.reviewDocument(game->criticonId()).value_or("");
            seen.insert(review.contains("<object") ? u"player"_s : u"no player"_s);
        }
    }
    EXPECT_EQ(seen.size(), 8) << QStringList(seen.begin(), seen.end()).join(u' ').toStdString();
    const QString id = DemoCatalogue::shared().shippedGames(u"ds"_s).at(0).criticonId();
    for (const QString& unknown : {QString(), u"abc"_s, u"99999999"_s, u" "_s + id, id + u"01"_s}) {
        SCOPED_TRACE(unknown.toStdString());
        EXPECT_FALSE(DetailDocuments::isProductDocument(
            QString::fromUtf8(reviews.productDocument(unknown))));
        EXPECT_FALSE(reviews.reviewDocument(unknown));
        EXPECT_FALSE(reviews.articleDocument(unknown));
    }
    const qsizetype articles =
        found(reviews.productDocument(id), u"//content[@type!='reviews']"_s).size();
    EXPECT_TRUE(reviews.articleDocument(id + QString::number(articles)));
    EXPECT_FALSE(reviews.articleDocument(id + QString::number(articles + 1)));
    EXPECT_FALSE(reviews.articleDocument(id + u"0"_s));
}

// Pages read strictly as XML, so an unescaped title breaks them; every link leads to a page.
TEST(SitePages, EveryLinkLeadsToAPageAndTitlesReadBack) {
    const SitePages site(kBase);
    const auto pageAt = [&](const QString& link) -> std::optional<QByteArray> {
        if (link == kBase + u"/site"_s) {
            return site.home();
        }
        const QString id = link.section(u'/', -1);
        return link.startsWith(kBase + u"/site/game/"_s) ? site.reviewSitePage(id)
               : link.startsWith(kBase + u"/games/"_s)   ? site.gameSitePage(id)
                                                         : std::nullopt;
    };
    for (const DemoGame* game : sampleGames(u"pc"_s, 30)) {
        const QString reviewPage = kBase + u"/site/game/"_s + game->criticonId();
        for (const QString& address :
             {kBase + u"/site"_s, reviewPage, kBase + u"/games/"_s + game->playbaseId()}) {
            SCOPED_TRACE(address.toStdString());
            const auto html = pageAt(address);
            ASSERT_TRUE(html);
            QXmlStreamReader reader(*html);
            QString title;
            while (!reader.atEnd()) {
                if (reader.readNext() != QXmlStreamReader::StartElement) {
                    continue;
                }
                if (reader.name() == u"title"_s) {
                    title = reader.readElementText();
                } else if (reader.name() == u"a"_s) {
                    EXPECT_TRUE(pageAt(reader.attributes().value(u"href"_s).toString()));
                }
            }
            ASSERT_FALSE(reader.hasError()) << reader.errorString().toStdString();
            EXPECT_TRUE(address == kBase + u"/site"_s || title.contains(game->title()));
        }
    }
    EXPECT_FALSE(site.reviewSitePage(u"12"_s));
    EXPECT_FALSE(site.gameSitePage(QString()));
}

}  // namespace
