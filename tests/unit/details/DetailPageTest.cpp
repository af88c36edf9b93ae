#include "DetailPage.h"

#include <gtest/gtest.h>

#include <QTest>
#include <optional>

#include "Button.h"
#include "DetailTestSupport.h"
#include "FakeReviewService.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"
#include "ReviewDocuments.h"
#include "TestStore.h"
#include "ViewAlpha.h"

using namespace Qt::StringLiterals;

namespace {

using Product = ReviewDocuments::Product;

const QString kGameLink = u"http://site.example.org/game/1001"_s;
const QString kReviewPath = u"/review/1001"_s;
const QString kId = u"7&return_type=json#x"_s;

// A page whose callbacks are written down where the test, not the page, keeps them.
class RecordingDetailPage : public DetailPage {
public:
    RecordingDetailPage(QStringList* calls, Game* game) : calls_(calls) { setGame(game); }
    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override {
        calls_->append(u"success"_s);
        DetailPage::orvConnectionSuccessWithConnection(connection, andBody);
    }
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override {
        calls_->append(u"failure"_s);
        DetailPage::orvConnectionFailureWithConnection(connection, andError);
    }

private:
    QStringList* calls_;
};

class DetailPageTest : public testing::Test {
protected:
    void SetUp() override {
        SKIP_QT_NETWORK_UNDER_TSAN();
        game = store.add(u"Test Game"_s);
        game->setIdCriticon(kId);
        game->setUrlCriticonLink(kGameLink);
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
        return u"%1 %2 %3 %4 %5"_s
            .arg(tabs, page->priceLabel()->text(),
                 page->reviewHTML().isNull() ? u"~"_s : page->reviewHTML(), calls.join(u','))
            .arg(service.server().requests().size() - requestsBefore);
    }

    FakeReviewService service;
    ScopedReviewSettings settings{service.baseURL(), u"http://reviews.example.org/"_s};
    TestStore store;
    Game* game = nullptr;
    QStringList calls;
    std::unique_ptr<RecordingDetailPage> page;
};

}  // namespace

// What each kind of answer leaves: the tabs, the price, the review text, the callbacks and how
// many requests were made. The product query carries the game's id as one value.
TEST_F(DetailPageTest, EachAnswerEnablesOnlyTheTabsItCarries) {
    const FakeHttpServer::Response fine{
        200, ReviewDocuments::reviewDocument(u"<p>a</p><object>v</object>"_s), "text/xml"};
    const FakeHttpServer::Response failing{500, "<html>Server error</html>", "text/html"};
    const QString review = service.url(kReviewPath);
    const struct {
        std::optional<QString> reviewAddress;
        FakeHttpServer::Response reviewAnswer;
        int shots, articles;
        // 0: cut off mid-answer, 404: the service's error page for an unknown id.
        int productStatus = 200;
        bool hasTitle = true;
        QString expected;
    } cases[] = {
        {std::nullopt, fine, 0, 0, 200, true, u"rso $29.99 ~ success 1"_s},
        // A review element without an address: the empty address is tried, and fails.
        {u""_s, fine, 0, 0, 200, true, u"Rso $29.99 ~ success,failure 1"_s},
        {review, failing, 0, 0, 200, true,
         u"Rso $29.99 %1 success,success 2"_s.arg(DetailPage::kReviewFailureText)},
        {review, fine, 0, 0, 0, true, u"rso  ~ failure 1"_s},
        {review, fine, 0, 0, 404, true, u"rso  ~ success 1"_s},
        // Not the product (no title): only its related articles are listed.
        {review, fine, 2, 1, 200, false, u"rsO  ~ success 1"_s},
        {review, fine, 3, 2, 200, true, u"RSO $29.99 <p>a</p> success,success 2"_s},
    };
    int reloads = 0;
    for (const auto& each : cases) {
        calls.clear();
        reloads = 0;
        const qsizetype requestsBefore = service.server().requests().size();
        Product product;
        product.reviewAddress = each.reviewAddress;
        product.screenshots = each.shots;
        product.related.resize(each.articles);
        product.hasTitle = each.hasTitle;
        service.server().answer(kReviewPath, each.reviewAnswer);
        service.answerProduct(kId, {200, ReviewDocuments::productDocument(product), "text/xml", 0,
                                    each.productStatus == 0});
        game->setIdCriticon(each.productStatus == 404 ? u"404"_s : kId);
        page = std::make_unique<RecordingDetailPage>(&calls, game);
        QObject::connect(page.get(), &DetailPage::relatedContentReloaded, [&] { ++reloads; });
        load();
        EXPECT_EQ(outcome(requestsBefore), each.expected);
    }
    EXPECT_EQ(service.server().requests()[0].target,
              u"/svc/product/get_single/?apiKey=3f1a0c2e-7d94-4b6a-a85c0e91f2d37b46"
              u"&return_type=xml&global_id=7%26return_type%3Djson%23x"_s);
    // The last page's: every shot shown, every article linked to the game's page.
    EXPECT_EQ(page->screenshotHTML().count(u"<img src="_s), 3);
    ASSERT_EQ(page->relatedContentArray().size(), 2);
    EXPECT_EQ(page->relatedContentArray()[0]->urlLink(), kGameLink);
    EXPECT_EQ(reloads, 1);
}

TEST_F(DetailPageTest, ClosingThePageCancelsItsProductQueryOrReviewRequest) {
    service.server().answer(kReviewPath,
                            {200, ReviewDocuments::reviewDocument(u"late"_s), "text/xml", 300});
    Product product;
    product.reviewAddress = service.url(kReviewPath);
    service.answerProduct(kId, {200, ReviewDocuments::productDocument(product), "text/xml", 300});
    for (const QStringList& before : {QStringList{}, QStringList{u"success"_s}}) {
        calls.clear();
        const qsizetype asked = service.server().requests().size() + 1 + before.size();
        page = std::make_unique<RecordingDetailPage>(&calls, game);
        page->getDetailXML();
        // The review is asked for from the product's callback, so the loop must run meanwhile.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return service.server().requests().size() == asked; }, 5000));
        page.reset();
        // A page opened after it, with the same slow answers, is answered in full; by then the
        // closed page's answer would have come too.
        QStringList later;
        RecordingDetailPage next(&later, game);
        next.getDetailXML();
        ASSERT_TRUE(QTest::qWaitFor([&] { return later.size() == 2; }, 5000));
        EXPECT_EQ(calls, before);
    }
}
