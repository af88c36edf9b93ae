#include "DemoReviews.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QXmlStreamReader>

#include "CatalogueGenerator.h"
#include "DemoCatalogue.h"
#include "DetailDocuments.h"
#include "QStringPrinter.h"
#include "RelatedContent.h"
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

// Every document reads back through the program's own parsers as the detail screen reads it,
// the detail screen's odd cases all occur somewhere, and nothing answers for an unknown id.
TEST(DemoReviews, DocumentsOfEveryKindReadBackAsTheDetailScreenReadsThem) {
    const DemoReviews reviews(kBase);
    QSet<QString> seen;
    for (const QString& platform : CatalogueGenerator::platforms()) {
        for (const DemoGame* game : sampleGames(platform, 40)) {
            const QString id = game->criticonId();
            SCOPED_TRACE(id.toStdString());
            const QByteArray document = reviews.productDocument(id);
            const QString text = QString::fromUtf8(document);
            ASSERT_TRUE(DetailDocuments::isProductDocument(text));
            EXPECT_EQ(found(document, u"//product_title"_s).at(0).nodeContent, game->title());
            const qsizetype listed = found(document, DetailDocuments::kScreenshotQuery).size();
            const QList<Screenshot> shots =
                DetailDocuments::screenshotsFromProductDocument(document);
            ASSERT_EQ(shots.size(), qMin<qsizetype>(listed, DetailDocuments::kMaxScreenshots));
            seen.insert(listed == 0 ? u"no shots"_s : u"shots"_s);
            seen.insert(listed > DetailDocuments::kMaxScreenshots ? u"many"_s : u"few"_s);
            seen.insert(document.contains("<article_title>") ? u"article_"_s : u"content_"_s);
            // Articles are numbered in document order, so the page lists them numbered
            // downwards; each one's service answers with the same article.
            const auto related =
                DetailDocuments::relatedContentFromProductDocument(document, u"g"_s);
            ASSERT_FALSE(related.isEmpty());
            for (qsizetype i = 0; i < related.size(); ++i) {
                const QString articleId = id + QString::number(related.size() - i);
                EXPECT_EQ(related[i]->urlService(), kBase + u"/svc/article/"_s + articleId);
                const auto answer = reviews.articleDocument(articleId);
                ASSERT_TRUE(answer);
                const auto article = RelatedContent::relatedContentWithXPathResultDictionary(
                    found(*answer, u"//content"_s).at(0));
                EXPECT_EQ(article->title(), related[i]->title());
                EXPECT_EQ(article->urlLink(), kBase + u"/site/game/"_s + id);
            }
            // The review is there exactly when the product document links it.
            const auto review = reviews.reviewDocument(id);
            EXPECT_EQ(DetailDocuments::reviewLinkFromProductDocument(text).isNull(), !review);
            seen.insert(!review                       ? u"no review"_s
                        : review->contains("<object") ? u"player"_s
                                                      : u"no player"_s);
            EXPECT_TRUE(!review ||
                        DetailDocuments::reviewFromReviewDocument(QString::fromUtf8(*review)));
        }
    }
    EXPECT_EQ(seen.size(), 9) << QStringList(seen.begin(), seen.end()).join(u' ').toStdString();
    const QString id = DemoCatalogue::shared().shippedGames(u"ds"_s).at(0).criticonId();
    for (const QString& unknown : {QString(), u"abc"_s, id + u"01"_s}) {
        SCOPED_TRACE(unknown.toStdString());
        EXPECT_FALSE(DetailDocuments::isProductDocument(
            QString::fromUtf8(reviews.productDocument(unknown))));
        EXPECT_FALSE(reviews.reviewDocument(unknown));
        EXPECT_FALSE(reviews.articleDocument(unknown));
    }
}

// Pages read strictly as XML, so an unescaped title breaks them; every link leads to a page.
TEST(SitePages, EveryLinkLeadsToAPageAndPagesReadAsXml) {
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
            while (!reader.atEnd()) {
                if (reader.readNext() == QXmlStreamReader::StartElement &&
                    reader.name() == u"a"_s) {
                    EXPECT_TRUE(pageAt(reader.attributes().value(u"href"_s).toString()));
                }
            }
            EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
        }
    }
    EXPECT_FALSE(site.reviewSitePage(u"12"_s));
    EXPECT_FALSE(site.gameSitePage(QString()));
}

}  // namespace
