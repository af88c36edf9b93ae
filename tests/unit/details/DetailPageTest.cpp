#include "DetailPage.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
using Calls = std::vector<std::string>;

const QString kGameLink = u"http://site.example.org/game/1001"_s;
const QString kReviewPath = u"/review/1001"_s;

// A page whose callbacks are written down where the test, not the page, keeps them.
class RecordingDetailPage : public DetailPage {
public:
    explicit RecordingDetailPage(Calls* calls) : calls_(calls) {}
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
    Calls* calls_;
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
        page = newPage(&calls);
    }
    std::unique_ptr<RecordingDetailPage> newPage(Calls* into) {
        auto made = std::make_unique<RecordingDetailPage>(into);
        made->setGame(game);
        return made;
    }
    // Starts the product query and waits until the page has nothing more in flight.
    void load() {
        page->getDetailXML();
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                return !page->reviewActivityIndicator()->isAnimating() &&
                       !page->screensActivityIndicator()->isAnimating();
            },
            10000));
    }
    Product withReview() {
        Product product;
        product.reviewAddress = service.url(kReviewPath);
        return product;
    }
    // Reviews, screenshots, other: enabled at full alpha, or disabled at 0.4.
    void expectTabs(const std::vector<bool>& enabled) {
        const QAbstractButton* tabs[] = {page->tabReviews(), page->tabScreens(), page->tabOther()};
        EXPECT_TRUE(page->tabSummary()->isEnabled());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(tabs[i]->isEnabled(), enabled[i]) << tabs[i]->text().toStdString();
            EXPECT_FLOAT_EQ(ViewAlpha::alpha(tabs[i]), enabled[i] ? 1.0f : 0.4f);
        }
    }

    FakeReviewService service;
    std::unique_ptr<ScopedReviewSettings> settings;
    TestStore store;
    Game* game = nullptr;
    Calls calls;
    std::unique_ptr<RecordingDetailPage> page;
};

}  // namespace

TEST_F(DetailPageTest, ProductQueryCarriesTheServiceKeyAndTheGamesIdAsOneValue) {
    service.answerProduct(u"7&return_type=json#x"_s, Product());
    game->setIdCriticon(u"7&return_type=json#x"_s);
    load();
    EXPECT_EQ(service.productQueries(),
              QList<QString>{u"/svc/product/get_single/?apiKey=3f1a0c2e-7d94-4b6a-a85c0e91f2d37b46"
                             u"&return_type=xml&global_id=7%26return_type%3Djson%23x"_s});
    EXPECT_EQ(page->detailsConnection()->type(), DetailPage::kDetailsConnectionType);
    game->setIdCriticon(QString());
    EXPECT_TRUE(page->getDetailURL().endsWith(u"&global_id="_s));
}

TEST_F(DetailPageTest, FullProductEnablesEveryTabAndFetchesTheReview) {
    ScopedLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    service.server().answer(kReviewPath, {200,
                                          ReviewDocuments::reviewDocument(
                                              u"<p>Fine.</p><object>v</object>"_s, u"Fun"_s,
                                              u"Bo Critic"_s, u"{ts '2009-05-12 00:00:00'}"_s),
                                          "text/xml"});
    Product product = withReview();
    product.screenshots = 3;
    for (const QString& title : {u"Older"_s, u"Newer"_s}) {
        product.related.append(ReviewDocuments::Article());
        product.related.last().title = title;
        product.related.last().linkBack = u"http://elsewhere/"_s + title;
    }
    service.answerProduct(u"1001"_s, product);
    int reloads = 0;
    QObject::connect(page.get(), &DetailPage::relatedContentReloaded, [&] { ++reloads; });
    load();

    expectTabs({true, true, true});
    EXPECT_EQ(calls, (Calls{"success", "success"}));
    EXPECT_EQ(page->priceLabel()->text(), u"$29.99"_s);
    EXPECT_EQ(page->reviewConnection()->type(), DetailPage::kReviewConnectionType);
    EXPECT_EQ(page->reviewHTML(), u"<p>Fine.</p>"_s);
    const QString review = page->getReviewInPageTemplate(page->reviewHTML(), kGameLink);
    for (const QString& shown : {u"<p>Fine.</p>"_s, u"Fun"_s, u"Bo Critic"_s, u"May 12, 2009"_s,
                                 u"href=\""_s + kGameLink}) {
        EXPECT_TRUE(review.contains(shown)) << shown.toStdString();
    }
    EXPECT_EQ(page->screenshotHTML().count(u"<img src="_s), 3);
    EXPECT_TRUE(page->screenshotHTML().contains(kGameLink));
    // Reversed, and every article linked to the game's page.
    ASSERT_EQ(page->relatedContentArray().size(), 2);
    EXPECT_EQ(page->relatedContentArray()[0]->title(), u"Newer"_s);
    EXPECT_EQ(page->relatedContentArray()[0]->urlLink(), kGameLink);
    EXPECT_EQ(reloads, 1);
}

// What each kind of answer leaves: the tabs, the price, the review text, the callbacks and how
// many requests were made.
TEST_F(DetailPageTest, PartialOrFailedAnswersEnableOnlyWhatTheyCarry) {
    struct Case {
        std::function<void()> serve;
        std::vector<bool> tabs;
        QString price;
        QString reviewHTML;
        Calls calls;
        int requests;
    };
    const Case cases[] = {
        {[this] { service.answerProduct(u"1001"_s, Product()); },
         {false, false, false},
         u"$29.99"_s,
         QString(),
         {"success"},
         1},
        // A review element without an address: the empty address is tried, and fails.
        {[this] {
             Product product;
             product.reviewAddress = u""_s;
             service.answerProduct(u"1001"_s, product);
         },
         {true, false, false},
         u"$29.99"_s,
         QString(),
         {"success", "failure"},
         1},
        {[this] {
             service.server().answer(kReviewPath, {500, "<html>Server error</html>", "text/html"});
             service.answerProduct(u"1001"_s, withReview());
         },
         {true, false, false},
         u"$29.99"_s,
         DetailPage::kReviewFailureText,
         {"success", "success"},
         2},
        {[this] {
             service.answerProduct(u"1001"_s, {200, ReviewDocuments::productDocument(withReview()),
                                               "text/xml", 0, true});
         },
         {false, false, false},
         u""_s,
         QString(),
         {"failure"},
         1},
        // The service's error page for an unknown id.
        {[this] { game->setIdCriticon(u"404"_s); },
         {false, false, false},
         u""_s,
         QString(),
         {"success"},
         1},
        // Not the product (no title): only its related articles are listed.
        {[this] {
             Product product = withReview();
             product.hasTitle = false;
             product.screenshots = 2;
             product.related.append(ReviewDocuments::Article());
             service.answerProduct(u"1001"_s, product);
         },
         {false, false, true},
         u""_s,
         QString(),
         {"success"},
         1},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(&each - cases);
        calls.clear();
        const qsizetype requestsBefore = service.server().requests().size();
        game->setIdCriticon(u"1001"_s);
        page = newPage(&calls);
        each.serve();
        load();
        expectTabs(each.tabs);
        EXPECT_EQ(page->priceLabel()->text(), each.price);
        EXPECT_EQ(page->reviewHTML(), each.reviewHTML);
        EXPECT_EQ(calls, each.calls);
        EXPECT_EQ(service.server().requests().size() - requestsBefore, each.requests);
    }
}

TEST_F(DetailPageTest, AnswersOfOtherConnectionsAreIgnored) {
    auto stranger = OrvConnection::connectionWithURLString(service.url(u"/x"_s), page.get());
    Product product = withReview();
    product.screenshots = 2;
    page->orvConnectionSuccessWithConnection(
        stranger.get(), QString::fromUtf8(ReviewDocuments::productDocument(product)));
    expectTabs({false, false, false});
    EXPECT_TRUE(page->reviewLink().isNull());
    EXPECT_TRUE(service.server().requests().isEmpty());
}

TEST_F(DetailPageTest, ClosingThePageCancelsItsProductQueryOrReviewRequest) {
    service.server().answer(kReviewPath,
                            {200, ReviewDocuments::reviewDocument(u"late"_s), "text/xml", 300});
    service.answerProduct(u"1001"_s,
                          {200, ReviewDocuments::productDocument(withReview()), "text/xml", 300});
    for (const Calls& before : {Calls{}, Calls{"success"}}) {
        calls.clear();
        const qsizetype asked = service.server().requests().size() + 1 + before.size();
        page = newPage(&calls);
        page->getDetailXML();
        // The review is asked for from the product's callback, so the loop must run meanwhile.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return service.server().requests().size() == asked; }, 5000));
        page.reset();
        // A page opened after it, with the same slow answers, is answered in full; by then the
        // closed page's answer would have come too.
        Calls later;
        auto next = newPage(&later);
        next->getDetailXML();
        ASSERT_TRUE(QTest::qWaitFor([&] { return later.size() == 2; }, 5000));
        EXPECT_EQ(calls, before);
    }
}
