#include "DetailPage.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "CapturedConsole.h"
#include "DetailTestSupport.h"
#include "FakeReviewService.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "ScopedLocale.h"
#include "TestStore.h"
#include "ViewAlpha.h"

using namespace Qt::StringLiterals;

namespace {

using Product = FakeReviewService::Product;
using Article = FakeReviewService::Article;

const QString kGameLink = u"http://site.example.org/game/1001"_s;
const QString kReviewPath = u"/review/1001"_s;

// A page whose callbacks are written down where the test, not the page, keeps them.
class RecordingDetailPage : public DetailPage {
public:
    explicit RecordingDetailPage(std::vector<std::string>* calls) : calls_(calls) {}
    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override {
        calls_->push_back("success");
        DetailPage::orvConnectionSuccessWithConnection(connection, andBody);
    }
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override {
        calls_->push_back("failure");
        DetailPage::orvConnectionFailureWithConnection(connection, andError);
    }

private:
    std::vector<std::string>* calls_;
};

class DetailPageTest : public testing::Test {
protected:
    void SetUp() override {
        SKIP_QT_NETWORK_UNDER_TSAN();
        settings = std::make_unique<ScopedReviewSettings>(service.baseURL(),
                                                          u"http://reviews.example.org/"_s);
        game = store.add(u"Test Game"_s);
        game->setIdCriticon(u"1001"_s);
        game->setUrlCriticonLink(kGameLink);
        page = std::make_unique<RecordingDetailPage>(&calls);
        page->setGame(game);
    }

    // Starts the product query and waits until the page has nothing more in flight.
    void load(const Product& product) {
        service.answerProduct(u"1001"_s, product);
        loadAnswer();
    }
    void loadAnswer() {
        CapturedConsole captured;
        page->getDetailXML();
        settled = QTest::qWaitFor([this] { return !busy(); }, 10000);
        log = captured.text().toStdString();
        ASSERT_TRUE(settled);
    }
    bool busy() const {
        return page->reviewActivityIndicator()->isAnimating() ||
               page->screensActivityIndicator()->isAnimating();
    }
    Product withReview() {
        Product product;
        product.reviewAddress = service.url(kReviewPath);
        return product;
    }
    void expectTab(QAbstractButton* tab, bool enabled) {
        EXPECT_EQ(tab->isEnabled(), enabled) << tab->text().toStdString();
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(tab), enabled ? 1.0f : 0.4f) << tab->text().toStdString();
    }
    void expectOnlySummaryEnabled() {
        expectTab(page->tabSummary(), true);
        expectTab(page->tabReviews(), false);
        expectTab(page->tabScreens(), false);
        expectTab(page->tabOther(), false);
    }

    FakeReviewService service;
    std::unique_ptr<ScopedReviewSettings> settings;
    TestStore store;
    Game* game = nullptr;
    std::vector<std::string> calls;
    std::unique_ptr<RecordingDetailPage> page;
    bool settled = false;
    std::string log;
};

}  // namespace

TEST_F(DetailPageTest, ProductQueryUsesTheServiceKeyAsGivenAndTheGamesId) {
    service.answerProduct(u"1001"_s, {200, "<product/>", "text/xml", 300});
    page->getDetailXML();
    EXPECT_TRUE(page->reviewActivityIndicator()->isAnimating());
    EXPECT_TRUE(page->screensActivityIndicator()->isAnimating());
    EXPECT_EQ(page->detailsConnection()->type(), DetailPage::kDetailsConnectionType);
    ASSERT_TRUE(service.server().waitForRequests(1, 5000));
    ASSERT_EQ(service.productQueries().size(), 1);
    EXPECT_EQ(service.productQueries()[0],
              u"/svc/product/get_single/?apiKey=3f1a0c2e-7d94-4b6a-a85c0e91f2d37b46"
              u"&return_type=xml&global_id=1001"_s);
}

TEST_F(DetailPageTest, IdThatLooksLikeMoreQueryStaysOneValue) {
    game->setIdCriticon(u"7&return_type=json#x"_s);
    EXPECT_TRUE(page->getDetailURL().endsWith(u"&global_id=7%26return_type%3Djson%23x"_s));
    game->setIdCriticon(QString());
    EXPECT_TRUE(page->getDetailURL().endsWith(u"&global_id="_s));
}

TEST_F(DetailPageTest, FullProductEnablesEveryTabAndFetchesTheReview) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    service.server().answer(kReviewPath, {200,
                                          ReviewDocuments::reviewDocument(
                                              u"<p>Fine game.</p>"_s, u"Fun"_s, u"Bo Critic"_s,
                                              u"{ts '2009-05-12 00:00:00'}"_s),
                                          "text/xml"});
    Product product = withReview();
    product.screenshots = 3;
    for (const QString& title : {u"Older"_s, u"Newer"_s}) {
        Article article;
        article.title = title;
        article.linkBack = u"http://elsewhere/"_s + title;
        product.related.append(article);
    }
    int reloads = 0;
    QObject::connect(page.get(), &DetailPage::relatedContentReloaded, [&] { ++reloads; });
    load(product);

    expectTab(page->tabReviews(), true);
    expectTab(page->tabScreens(), true);
    expectTab(page->tabOther(), true);
    EXPECT_EQ(page->priceLabel()->text(), u"$29.99"_s);
    EXPECT_EQ(page->reviewLink(), service.url(kReviewPath));
    EXPECT_EQ(page->reviewConnection()->type(), DetailPage::kReviewConnectionType);
    EXPECT_EQ(page->reviewHTML(), u"<p>Fine game.</p>"_s);
    EXPECT_EQ(page->reviewBlurb(), u"Fun"_s);
    EXPECT_EQ(page->reviewByName(), u"Bo Critic"_s);
    EXPECT_EQ(page->reviewDate(), u"May 12, 2009"_s);
    ASSERT_TRUE(page->screenshots());
    EXPECT_EQ(page->screenshots()->size(), 3);
    EXPECT_EQ(page->screenshotHTML().count(u"<img src="_s), 3);
    EXPECT_TRUE(page->screenshotHTML().contains(kGameLink));
    // Reversed, reviews left out, and every article linked to the game's page.
    ASSERT_EQ(page->relatedContentArray().size(), 2);
    EXPECT_EQ(page->relatedContentArray()[0]->title(), u"Newer"_s);
    EXPECT_EQ(page->relatedContentArray()[1]->title(), u"Older"_s);
    EXPECT_EQ(page->relatedContentArray()[0]->urlLink(), kGameLink);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(calls, (std::vector<std::string>{"success", "success"}));

    const QString review = page->getReviewInPageTemplate(page->reviewHTML(), kGameLink);
    EXPECT_TRUE(review.contains(u"<p>Fine game.</p>"_s));
    EXPECT_TRUE(review.contains(u"Bo Critic"_s));
    EXPECT_TRUE(review.contains(u"May 12, 2009"_s));
    EXPECT_TRUE(review.contains(u"href=\""_s + kGameLink));
}

TEST_F(DetailPageTest, NoReviewElementKeepsTheTabDisabledWithOneRequestOnly) {
    load(Product());
    expectOnlySummaryEnabled();
    EXPECT_TRUE(page->reviewLink().isNull());
    EXPECT_EQ(page->reviewConnection(), nullptr);
    EXPECT_FALSE(page->screenshots());
    EXPECT_TRUE(page->screenshotHTML().isNull());
    EXPECT_EQ(page->priceLabel()->text(), u"$29.99"_s);
    QTest::qWait(100);
    EXPECT_EQ(service.server().requests().size(), 1);
}

TEST_F(DetailPageTest, ReviewElementWithoutAddressEnablesTheTabAndTriesTheEmptyAddress) {
    Product product;
    product.reviewAddress = u""_s;
    load(product);
    EXPECT_EQ(page->reviewLink(), u""_s);
    EXPECT_FALSE(page->reviewLink().isNull());
    expectTab(page->tabReviews(), true);
    ASSERT_NE(page->reviewConnection(), nullptr);
    EXPECT_EQ(page->reviewConnection()->urlString(), u""_s);
    EXPECT_EQ(calls, (std::vector<std::string>{"success", "failure"}));
    EXPECT_NE(log.find("Ouch, error with getting details"), std::string::npos);
    // The failed review leaves the tab enabled with nothing to show.
    expectTab(page->tabReviews(), true);
    EXPECT_TRUE(page->reviewHTML().isNull());
}

TEST_F(DetailPageTest, InvalidReviewDocumentShowsTheFailureText) {
    service.server().answer(kReviewPath, {500, "<html>Server error</html>", "text/html"});
    load(withReview());
    EXPECT_EQ(page->reviewHTML(), u"Problems pulling review at this time."_s);
    EXPECT_TRUE(page->reviewBlurb().isNull());
    EXPECT_TRUE(page->reviewByName().isNull());
    EXPECT_TRUE(page->reviewDate().isNull());
    expectTab(page->tabReviews(), true);
    EXPECT_NE(log.find("invalid xml message"), std::string::npos);
    const QString review = page->getReviewInPageTemplate(page->reviewHTML(), kGameLink);
    EXPECT_TRUE(review.contains(u"Problems pulling review at this time."_s));
    EXPECT_FALSE(review.contains(u"**"_s));
}

TEST_F(DetailPageTest, ReviewObjectsAreRemovedBeforeTheReviewIsKept) {
    const QString object = u"<object><embed src=\"v.swf\"></object>"_s;
    service.server().answer(
        kReviewPath,
        {200, ReviewDocuments::reviewDocument(u"a"_s + object + u"b"_s + object + u"c<object x"_s),
         "text/xml"});
    load(withReview());
    EXPECT_EQ(page->reviewHTML(), u"abc<object x"_s);
}

TEST_F(DetailPageTest, FortyScreenshotsGiveThirtyFive) {
    Product product;
    product.screenshots = 40;
    load(product);
    ASSERT_TRUE(page->screenshots());
    EXPECT_EQ(page->screenshots()->size(), 35);
    EXPECT_EQ(page->screenshotHTML().count(u"<img src="_s), 35);
    expectTab(page->tabScreens(), true);
}

TEST_F(DetailPageTest, FailedProductQueryLeavesOnlyTheSummaryAndNoPrice) {
    service.answerProduct(
        u"1001"_s, {200, ReviewDocuments::productDocument(withReview()), "text/xml", 0, true});
    loadAnswer();
    EXPECT_EQ(calls, (std::vector<std::string>{"failure"}));
    expectOnlySummaryEnabled();
    EXPECT_EQ(page->priceLabel()->text(), u""_s);
    EXPECT_TRUE(page->price().isNull());
    EXPECT_EQ(page->reviewConnection(), nullptr);
    EXPECT_NE(log.find("Ouch, error with getting details"), std::string::npos);
}

TEST_F(DetailPageTest, ErrorPageInsteadOfAProductListsNothingAndAsksNoMore) {
    // Unknown ids get the service's 404 page.
    game->setIdCriticon(u"404"_s);
    loadAnswer();
    EXPECT_EQ(calls, (std::vector<std::string>{"success"}));
    expectOnlySummaryEnabled();
    EXPECT_EQ(page->priceLabel()->text(), u""_s);
    EXPECT_NE(log.find("invalid xml message <html>Not found</html>"), std::string::npos);
    EXPECT_EQ(service.server().requests().size(), 1);
}

TEST_F(DetailPageTest, InvalidProductStillListsItsRelatedArticles) {
    Product product = withReview();
    product.hasTitle = false;
    product.screenshots = 2;
    product.related.append(Article());
    load(product);
    EXPECT_EQ(page->relatedContentArray().size(), 1);
    expectTab(page->tabOther(), true);
    expectTab(page->tabReviews(), false);
    expectTab(page->tabScreens(), false);
    EXPECT_EQ(service.server().requests().size(), 1);
}

TEST_F(DetailPageTest, AnswersOfOtherConnectionsAreIgnored) {
    auto stranger = OrvConnection::connectionWithURLString(service.url(u"/x"_s), page.get());
    Product product = withReview();
    product.screenshots = 2;
    page->orvConnectionSuccessWithConnection(
        stranger.get(), QString::fromUtf8(ReviewDocuments::productDocument(product)));
    expectOnlySummaryEnabled();
    EXPECT_TRUE(page->reviewLink().isNull());
    EXPECT_TRUE(service.server().requests().isEmpty());
}

TEST_F(DetailPageTest, ClosingThePageCancelsTheProductQuery) {
    service.answerProduct(u"1001"_s,
                          {200, ReviewDocuments::productDocument(withReview()), "text/xml", 500});
    page->getDetailXML();
    ASSERT_TRUE(service.server().waitForRequests(1, 5000));
    page.reset();
    QTest::qWait(900);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(service.server().requests().size(), 1);
}

TEST_F(DetailPageTest, ClosingThePageCancelsTheReviewRequest) {
    service.server().answer(kReviewPath,
                            {200, ReviewDocuments::reviewDocument(u"late"_s), "text/xml", 500});
    service.answerProduct(u"1001"_s, withReview());
    page->getDetailXML();
    // The review is asked for from the product's callback, so the loop must run meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([this] { return service.server().requests().size() == 2; }, 5000));
    ASSERT_NE(page->reviewConnection(), nullptr);
    EXPECT_TRUE(page->reviewConnection()->isRequesting());
    page.reset();
    QTest::qWait(900);
    EXPECT_EQ(calls, (std::vector<std::string>{"success"}));
}
