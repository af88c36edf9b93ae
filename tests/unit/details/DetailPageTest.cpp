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
    // The page in one line: the reviews, screenshots and other tabs by their letter (upper case
    // when enabled at full alpha, lower case when disabled at 0.4), the price label, the review
    // (~ for none), the callbacks, and the requests made since the given count.
    QString outcome(qsizetype requestsBefore = 0) {
        QString tabs;
        for (const auto& [tab, letter] : {std::pair{page->tabReviews(), u'r'},
                                          {page->tabScreens(), u's'},
                                          {page->tabOther(), u'o'}}) {
            const bool on = tab->isEnabled() && ViewAlpha::alpha(tab) == 1.0f;
            const bool off = !tab->isEnabled() && qFuzzyCompare(ViewAlpha::alpha(tab), 0.4f);
            tabs += on ? QChar(letter).toUpper() : off ? QChar(letter) : u'?';
        }
        QStringList called;
        for (const std::string& call : calls) {
            called << QString::fromStdString(call);
        }
        return u"%1 %2 %3 %4 %5"_s
            .arg(tabs, page->priceLabel()->text(),
                 page->reviewHTML().isNull() ? u"~"_s : page->reviewHTML(), called.join(u','))
            .arg(service.server().requests().size() - requestsBefore);
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

    EXPECT_EQ(outcome(), u"RSO $29.99 <p>Fine.</p> success,success 2"_s);
    EXPECT_EQ(page->reviewConnection()->type(), DetailPage::kReviewConnectionType);
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
    const std::pair<std::function<void()>, QString> cases[] = {
        {[this] { service.answerProduct(u"1001"_s, Product()); }, u"rso $29.99 ~ success 1"_s},
        // A review element without an address: the empty address is tried, and fails.
        {[this] {
             Product product;
             product.reviewAddress = u""_s;
             service.answerProduct(u"1001"_s, product);
         },
         u"Rso $29.99 ~ success,failure 1"_s},
        {[this] {
             service.server().answer(kReviewPath, {500, "<html>Server error</html>", "text/html"});
             service.answerProduct(u"1001"_s, withReview());
         },
         u"Rso $29.99 "_s + DetailPage::kReviewFailureText + u" success,success 2"_s},
        {[this] {
             service.answerProduct(u"1001"_s, {200, ReviewDocuments::productDocument(withReview()),
                                               "text/xml", 0, true});
         },
         u"rso  ~ failure 1"_s},
        // The service's error page for an unknown id.
        {[this] { game->setIdCriticon(u"404"_s); }, u"rso  ~ success 1"_s},
        // Not the product (no title): only its related articles are listed.
        {[this] {
             Product product = withReview();
             product.hasTitle = false;
             product.screenshots = 2;
             product.related.append(ReviewDocuments::Article());
             service.answerProduct(u"1001"_s, product);
         },
         u"rsO  ~ success 1"_s},
    };
    for (const auto& [serve, expected] : cases) {
        calls.clear();
        const qsizetype requestsBefore = service.server().requests().size();
        game->setIdCriticon(u"1001"_s);
        page = newPage(&calls);
        serve();
        load();
        EXPECT_EQ(outcome(requestsBefore), expected);
    }
}

TEST_F(DetailPageTest, AnswersOfOtherConnectionsAreIgnored) {
    auto stranger = OrvConnection::connectionWithURLString(service.url(u"/x"_s), page.get());
    Product product = withReview();
    product.screenshots = 2;
    page->orvConnectionSuccessWithConnection(
        stranger.get(), QString::fromUtf8(ReviewDocuments::productDocument(product)));
    EXPECT_EQ(outcome(), u"rso  ~ success 0"_s);
    EXPECT_TRUE(page->reviewLink().isNull());
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
