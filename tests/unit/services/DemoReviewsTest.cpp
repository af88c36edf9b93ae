#include "DemoReviews.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QLocale>
#include <QMap>
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
    for (int i = 0; i < count && !games.isEmpty(); ++i) {
        sample.append(&games[(games.size() - 1) * i / qMax(1, count - 1)]);
    }
    return sample;
}

std::shared_ptr<RelatedContent> firstContent(const QByteArray& document, const QString& query) {
    const auto found = PerformXMLXPathQuery(document, query);
    return found && !found->empty()
               ? RelatedContent::relatedContentWithXPathResultDictionary(found->front())
               : nullptr;
}

qsizetype countOf(const QByteArray& document, const QString& query) {
    const auto found = PerformXMLXPathQuery(document, query);
    return found ? qsizetype(found->size()) : -1;
}

// A page read strictly as XML: an unescaped text breaks it.
struct ReadPage {
    QString title;
    QStringList links;
    QStringList images;
    QString error;
};

ReadPage readPage(const QByteArray& html) {
    ReadPage page;
    QXmlStreamReader reader(html);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (reader.name() == u"title"_s) {
            page.title = reader.readElementText();
        } else if (reader.name() == u"a"_s) {
            page.links.append(reader.attributes().value(u"href"_s).toString());
        } else if (reader.name() == u"img"_s) {
            page.images.append(reader.attributes().value(u"src"_s).toString());
        }
    }
    if (reader.hasError()) {
        page.error = reader.errorString();
    }
    return page;
}

class DemoReviewsPlatform : public testing::TestWithParam<QString> {
protected:
    DemoReviews reviews{kBase};
};

}  // namespace

TEST_P(DemoReviewsPlatform, ProductDocumentsReadBackAsThePageReadsThem) {
    const auto sample = sampleGames(GetParam(), 25);
    ASSERT_EQ(sample.size(), 25);
    for (const DemoGame* game : sample) {
        const QString id = game->criticonId();
        SCOPED_TRACE(id.toStdString());
        const QByteArray document = reviews.productDocument(id);
        const QString text = QString::fromUtf8(document);
        ASSERT_TRUE(DetailDocuments::isProductDocument(text));
        const auto title = PerformXMLXPathQuery(document, u"//product_title"_s);
        ASSERT_TRUE(title && title->size() == 1u);
        EXPECT_EQ(title->front().nodeContent, game->title());
        bool isNumber = false;
        EXPECT_GT(DetailDocuments::priceFromProductDocument(text).toDouble(&isNumber), 0.0);
        EXPECT_TRUE(isNumber);

        // The review is there exactly when the service answers for it.
        const QString reviewLink = DetailDocuments::reviewLinkFromProductDocument(text);
        EXPECT_EQ(reviewLink.isNull(), !reviews.reviewDocument(id));
        EXPECT_TRUE(reviewLink.isNull() || reviewLink == kBase + u"/svc/review/"_s + id);

        const qsizetype listed = countOf(document, DetailDocuments::kScreenshotQuery);
        EXPECT_EQ(DetailDocuments::hasScreenshots(text), listed > 0);
        const QList<Screenshot> shots = DetailDocuments::screenshotsFromProductDocument(document);
        ASSERT_EQ(shots.size(), qMin<qsizetype>(listed, DetailDocuments::kMaxScreenshots));
        const QString folder = kBase + u"/shots/"_s + id + u'/';
        for (int n = 0; n < shots.size(); ++n) {
            EXPECT_EQ(shots[n].urlScreenshot(), ReviewDocuments::screenshotURL(n, folder));
            EXPECT_EQ(shots[n].urlThumbnail(), ReviewDocuments::thumbnailURL(n, folder));
            EXPECT_EQ(shots[n].urlHighDef(), ReviewDocuments::highDefURL(n, folder));
        }

        // Articles are numbered in document order, so the page lists them numbered downwards;
        // each one's service answers with the same article and its body.
        const auto related =
            DetailDocuments::relatedContentFromProductDocument(document, u"game"_s);
        ASSERT_GE(related.size(), 1);
        ASSERT_LE(related.size(), 6);
        for (qsizetype i = 0; i < related.size(); ++i) {
            const RelatedContent& listedArticle = *related[i];
            const QString articleId = id + QString::number(related.size() - i);
            EXPECT_EQ(listedArticle.articleID(), articleId);
            EXPECT_NE(listedArticle.typeValue(), u"reviews"_s);
            EXPECT_TRUE(listedArticle.title().contains(game->title()));
            EXPECT_FALSE(listedArticle.blurb().contains(u'<'));
            EXPECT_FALSE(
                RelatedContent::getFormattedDateStringFromTS(listedArticle.dateTS()).isNull());
            EXPECT_EQ(listedArticle.urlService(), kBase + u"/svc/article/"_s + articleId);
            const auto answer = reviews.articleDocument(articleId);
            ASSERT_TRUE(answer);
            const auto article = firstContent(*answer, u"//content"_s);
            ASSERT_TRUE(article);
            for (const auto field :
                 {&RelatedContent::title, &RelatedContent::typeValue, &RelatedContent::typeDisplay,
                  &RelatedContent::dateTS, &RelatedContent::authorName, &RelatedContent::blurb}) {
                EXPECT_EQ((article.get()->*field)(), (listedArticle.*field)());
            }
            EXPECT_EQ(article->urlLink(), kBase + u"/site/game/"_s + id);
            EXPECT_TRUE(article->body().contains(u"<p>"_s));
        }
    }
}

TEST_P(DemoReviewsPlatform, ReviewDocumentsGiveBodyWithoutPlayersAndMatchTheProductsReview) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    int reviewed = 0;
    for (const DemoGame* game : sampleGames(GetParam(), 25)) {
        const QString id = game->criticonId();
        SCOPED_TRACE(id.toStdString());
        const auto answer = reviews.reviewDocument(id);
        if (!answer) {
            continue;
        }
        ++reviewed;
        const QString raw = QString::fromUtf8(*answer);
        const auto review = DetailDocuments::reviewFromReviewDocument(raw);
        ASSERT_TRUE(review);
        EXPECT_FALSE(review->html.contains(u"<object"_s));
        EXPECT_EQ(review->html.count(u"<p>"_s), raw.count(u"<p>"_s));
        EXPECT_GT(review->html.count(u"<p>"_s), 0);
        EXPECT_FALSE(review->blurb.isEmpty());
        EXPECT_FALSE(review->date.isNull());
        // The product document's review element names the same author and day.
        const auto listed = firstContent(reviews.productDocument(id),
                                         u"//related_content/content[@type='reviews']"_s);
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed->authorName(), review->byName);
        EXPECT_EQ(DetailDocuments::getFormattedDateStringFromTS(listed->dateTS()), review->date);
    }
    EXPECT_GT(reviewed, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryPlatform, DemoReviewsPlatform,
                         testing::ValuesIn(CatalogueGenerator::platforms()),
                         [](const testing::TestParamInfo<QString>& param) {
                             return param.param.toStdString();
                         });

TEST(DemoReviews, CatalogueAsAWholeHasEveryKindOfDocument) {
    const DemoReviews reviews(kBase);
    QSet<QString> types;
    QMap<QString, int> seen;
    for (const QString& platform : CatalogueGenerator::platforms()) {
        for (const DemoGame* game : sampleGames(platform, 60)) {
            const QByteArray product = reviews.productDocument(game->criticonId());
            const qsizetype shots = countOf(product, DetailDocuments::kScreenshotQuery);
            seen[u"no screenshots"_s] += shots == 0;
            seen[u"too many screenshots"_s] += shots > DetailDocuments::kMaxScreenshots;
            seen[u"article_ names"_s] += product.contains("<article_title>");
            seen[u"content_ names"_s] += product.contains("<content_title>");
            const auto typeAttributes = PerformXMLXPathQuery(product, u"//content/@type"_s);
            for (const XPathResultDictionary& type : typeAttributes.value()) {
                types.insert(type.nodeContent);
            }
            const QString review =
                QString::fromUtf8(reviews.reviewDocument(game->criticonId()).value_or(""));
            const qsizetype at = review.indexOf(u"<object"_s);
            const QString player = review.mid(at, review.indexOf(u"</object>"_s) + 9 - at);
            seen[u"a player"_s] += at >= 0;
            seen[u"one player twice"_s] += at >= 0 && review.count(player) == 2;
        }
    }
    for (const QString& what : {u"no screenshots"_s, u"too many screenshots"_s, u"article_ names"_s,
                                u"content_ names"_s, u"a player"_s, u"one player twice"_s}) {
        EXPECT_GT(seen.value(what), 0) << what.toStdString();
    }
    EXPECT_TRUE(types.contains(u"reviews"_s));
    EXPECT_GE(types.size(), 5);
}

TEST(DemoReviews, UnknownOrMalformedIdsGetNoDocument) {
    const DemoReviews reviews(kBase);
    const auto games = sampleGames(u"ds"_s, 40);
    const auto unreviewed = std::find_if(games.begin(), games.end(), [&](const DemoGame* game) {
        return !reviews.reviewDocument(game->criticonId());
    });
    ASSERT_NE(unreviewed, games.end());
    const QString id = games.front()->criticonId();
    for (const QString& unknown :
         {QString(), u""_s, u"0"_s, u"abc"_s, u"99999999"_s, u" "_s + id, id + u"0"_s + u"1"_s}) {
        SCOPED_TRACE(unknown.toStdString());
        const QByteArray answer = reviews.productDocument(unknown);
        EXPECT_FALSE(DetailDocuments::isProductDocument(QString::fromUtf8(answer)));
        EXPECT_EQ(countOf(answer, u"/product"_s), 1);
        EXPECT_FALSE(reviews.reviewDocument(unknown));
        EXPECT_FALSE(reviews.articleDocument(unknown));
    }
    EXPECT_FALSE(reviews.reviewDocument((*unreviewed)->criticonId()));
    const qsizetype articles =
        countOf(reviews.productDocument(id), u"//content[@type!='reviews']"_s);
    for (const QString& number : {u"0"_s, QString::number(articles + 1), u"x"_s, u"-1"_s}) {
        EXPECT_FALSE(reviews.articleDocument(id + number)) << number.toStdString();
    }
    EXPECT_TRUE(reviews.articleDocument(id + QString::number(articles)));
}

TEST(SitePages, EveryLinkLeadsToAPageAndTitlesReadBack) {
    const SitePages site(kBase);
    // A link resolves when the site has the page: nothing for a link to nowhere.
    const auto pageAt = [&](const QString& link) -> std::optional<QByteArray> {
        if (link == kBase + u"/site"_s) {
            return site.home();
        }
        if (link.startsWith(kBase + u"/site/game/"_s)) {
            return site.reviewSitePage(link.section(u'/', -1));
        }
        if (link.startsWith(kBase + u"/games/"_s)) {
            return site.gameSitePage(link.section(u'/', -1));
        }
        return std::nullopt;
    };
    const ReadPage home = readPage(site.home());
    ASSERT_TRUE(home.error.isEmpty()) << home.error.toStdString();
    EXPECT_FALSE(home.title.isEmpty());
    QSet<QString> platforms;
    for (const QString& link : home.links) {
        const DemoGame* game =
            DemoCatalogue::shared().findByCriticonId(link.section(u"/site/game/"_s, 1));
        ASSERT_TRUE(game) << link.toStdString();
        platforms.insert(game->platform);
    }
    EXPECT_EQ(platforms.size(), CatalogueGenerator::platforms().size());

    // Titles with ampersands, apostrophes and accents among them.
    const auto games = sampleGames(u"pc"_s, 30);
    EXPECT_TRUE(std::any_of(games.begin(), games.end(), [](const DemoGame* game) {
        return game->title().contains(u'&') || game->title().contains(u'\'');
    }));
    for (const DemoGame* game : games) {
        SCOPED_TRACE(game->criticonId().toStdString());
        const QString boxArt = kBase + u"/box-art/pc/"_s + game->criticonId() + u".jpg"_s;
        const QString reviewPage = kBase + u"/site/game/"_s + game->criticonId();
        const QString gamePage = kBase + u"/games/"_s + game->playbaseId();
        for (const QString& address : {reviewPage, gamePage}) {
            const auto html = pageAt(address);
            ASSERT_TRUE(html);
            const ReadPage page = readPage(*html);
            ASSERT_TRUE(page.error.isEmpty()) << page.error.toStdString();
            EXPECT_TRUE(page.title.contains(game->title()));
            EXPECT_TRUE(page.images.contains(boxArt));
            EXPECT_TRUE(page.links.contains(kBase + u"/site"_s));
            EXPECT_TRUE(page.links.contains(address == reviewPage ? gamePage : reviewPage));
            for (const QString& link : page.links) {
                EXPECT_TRUE(pageAt(link)) << link.toStdString();
            }
        }
    }
    EXPECT_FALSE(site.reviewSitePage(u"12"_s));
    EXPECT_FALSE(site.gameSitePage(QString()));
}
