#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QXmlStreamReader>
#include <thread>

#include "CatalogueGenerator.h"
#include "CoverArt.h"
#include "DemoCatalogue.h"
#include "DemoReviews.h"
#include "DetailDocuments.h"
#include "LiveCatalogue.h"
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

const QDate kShippedReport = CatalogueGenerator::shippedOptions(u"wii"_s).reportDate;

QStringList idsIn(const QByteArray& answer) {
    QStringList ids;
    for (const QString& line : QString::fromUtf8(answer).split(u'\n')) {
        const QStringList fields = line.split(u"\",\""_s);
        if (fields.size() > 4) {
            ids.append(fields[4]);
        }
    }
    return ids;
}

TEST(LiveCatalogue, EveryPlatformMovesAndALaterQuestionSeesOnlyWhatChangedSince) {
    const QDate today = kShippedReport.addDays(36);
    for (const QString& platform : CatalogueGenerator::platforms()) {
        SCOPED_TRACE(platform.toStdString());
        const QByteArray answer = LiveCatalogue::updateAnswer(platform, kShippedReport, today);
        EXPECT_EQ(answer, LiveCatalogue::updateAnswer(platform, kShippedReport, today));
        EXPECT_TRUE(answer.contains("<reportDateYMD>" + today.toString(Qt::ISODate).toUtf8()));
        const QStringList ids = idsIn(answer);
        EXPECT_GE(ids.size(), 36);  // about a handful of changes a day
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
        const QStringList later =
            idsIn(LiveCatalogue::updateAnswer(platform, today.addDays(-3), today));
        EXPECT_LT(later.size(), ids.size());
        for (const QString& id : later) {
            EXPECT_TRUE(ids.contains(id)) << id.toStdString();
        }
    }
    EXPECT_TRUE(LiveCatalogue::changesUpTo(u"gamecube"_s, today).isEmpty());
    EXPECT_TRUE(idsIn(LiveCatalogue::updateAnswer(u"wii"_s, today, today)).isEmpty());
}

const DemoGame& wiiGame(int index) {
    return DemoCatalogue::shared().shippedGames(u"wii"_s).at(index);
}

QImage decoded(const QByteArray& jpeg) {
    return QImage::fromData(jpeg, "JPG");
}

// The share of pixels that two pictures of one size show clearly apart, past JPEG's noise.
double differingShare(const QImage& a, const QImage& b) {
    qsizetype differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += qMax(qAbs(p.red() - q.red()), qAbs(p.green() - q.green())) > 40 ? 1 : 0;
        }
    }
    return double(differing) / double(a.width() * a.height());
}

TEST(CoverArt, CoversShowWhatTheyAreOf) {
    const DemoGame game = wiiGame(2);
    const QByteArray jpeg = CoverArt::boxArtJpeg(game);
    EXPECT_EQ(decoded(jpeg).size(), QSize(300, 420));
    DemoGame retitled = game, renumbered = game, moved = game;
    retitled.fields[0] = u"Wholly Different Words"_s;
    renumbered.fields[4] = wiiGame(4).criticonId();
    moved.platform = u"ds"_s;
    for (const DemoGame& other : {wiiGame(3), retitled, renumbered, moved}) {
        EXPECT_GT(differingShare(decoded(jpeg), decoded(CoverArt::boxArtJpeg(other))), 0.03)
            << other.title().toStdString() << " " << other.platform.toStdString();
    }
}

// The services draw on their connection threads, several at once.
TEST(CoverArt, PicturesDrawnOnSeveralThreadsAtOnceMatchTheMainThreads) {
    QList<QByteArray> expected, drawn(4);
    const auto draw = [](int i) {
        return CoverArt::boxArtJpeg(wiiGame(i)) +
               CoverArt::screenshotJpeg(wiiGame(i), i, CoverArt::ShotSize::Screen);
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        expected.append(draw(i));
        threads.emplace_back([i, &drawn, &draw] { drawn[i] = draw(i); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(drawn, expected);
}

}  // namespace
