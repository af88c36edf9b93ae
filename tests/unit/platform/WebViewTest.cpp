#include "WebView.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "FakeHttpServer.h"
#include "QStringPrinter.h"
#include "WebEngineProfile.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Type = WebViewDelegate::NavigationType;

// Writes each call as a line: "start", "finish:<title>", "fail:<code>", "ask:<type> <url>".
class Recorder : public WebViewDelegate {
public:
    bool shouldStartLoadWithRequest(WebView*, const QUrl& url, Type type) override {
        calls << u"ask:%1 %2"_s.arg(int(type)).arg(url.toString());
        return allowLinks || type != Type::LinkClicked;
    }
    void webViewDidStartLoad(WebView*) override { calls << u"start"_s; }
    void webViewDidFinishLoad(WebView* view) override { calls << u"finish:"_s + view->pageTitle(); }
    void didFailLoadWithError(WebView*, const OrvError& error) override {
        EXPECT_EQ(error.domain, WebView::kErrorDomain);
        calls << u"fail:%1"_s.arg(error.code);
    }
    // Runs the event loop until that many calls have come, or for at most `msecs`.
    bool waitFor(qsizetype count, int msecs = 20000) {
        return QTest::qWaitFor([&] { return calls.size() >= count; }, msecs);
    }

    QStringList calls;
    bool allowLinks = true;
};

class WebViewTest : public testing::Test {
protected:
    WebViewTest() {
        view_.resize(400, 300);
        view_.show();
        view_.setDelegate(&recorder_);
        server_.answer(u"/pages/dot.png"_s, {200, "GIF89a", "image/gif"});
        server_.answer(u"/pages/next"_s, {200, "<title>Next</title>", "text/html"});
        // Never answers while the test runs: the server lets go when it stops.
        server_.answer(u"/slow"_s, {.body = "late", .delayMsecs = 10 * 60 * 1000});
    }

    QUrl base() const { return QUrl(server_.url(u"/pages/"_s)); }
    qsizetype requestsFor(const QString& path) const {
        const QList<FakeHttpServer::Request> all = server_.requests();
        return std::ranges::count(all, path, &FakeHttpServer::Request::path);
    }
    // Loads a page as a string and waits for its end.
    bool load(const QString& html) {
        recorder_.calls.clear();
        view_.loadHTMLString(html, base());
        return recorder_.waitFor(2);
    }

    FakeHttpServer server_;
    Recorder recorder_;
    WebView view_;
};

}  // namespace

// First, so that nothing before it has started the engine.
TEST_F(WebViewTest, TheEngineStartsWithTheFirstLoadAndNotBefore) {
    const bool engineBefore = WebEngineProfile::exists();
    WebView idle;
    idle.setScalesPageToFit(true);
    idle.stopLoading();
    idle.goBack();
    EXPECT_FALSE(idle.canGoBack() || idle.isLoading() || idle.hasEngine());
    EXPECT_EQ(WebEngineProfile::exists(), engineBefore);

    view_.loadHTMLString(u"<title>Hi</title>"_s, base());
    EXPECT_TRUE(view_.hasEngine() && WebEngineProfile::exists());
    EXPECT_TRUE(recorder_.calls.isEmpty()) << "called from inside the WebView call";
    EXPECT_TRUE(recorder_.waitFor(2));
}

// A page given as a string loads its relative addresses from the base address, the title of a
// page without one is "", and a string too long for the engine's data: address still loads.
TEST_F(WebViewTest, HtmlStringsResolveAgainstTheBaseAddress) {
    const std::pair<QString, QString> cases[] = {
        {u"<p>no title</p><img src=\"dot.png?1\">"_s, u"finish:"_s},
        {u"<title>Long</title><img src=\"dot.png?2\"><!--"_s + QString(3'000'000, u'x') + u"-->"_s,
         u"finish:Long"_s},
    };
    int loaded = 0;
    for (const auto& [html, finish] : cases) {
        ASSERT_TRUE(load(html));
        EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, finish}));
        EXPECT_EQ(view_.requestURL(), base());
        // The page has loaded once its picture has.
        EXPECT_EQ(requestsFor(u"/pages/dot.png"_s), ++loaded);
    }
}

// Links ask the delegate, those meant for a new window too: a refused one leaves the page as it
// was, a followed one loads in this view, and the back step (not asked) returns to the string's
// page. A new view each time, as the engine may swap a used one's surface after a load.
TEST_F(WebViewTest, LinkClicksAskTheDelegateAndLoadInPlace) {
    const QUrl next = base().resolved(QUrl(u"next"_s));
    const QString link = u"ask:%1 %2"_s.arg(int(Type::LinkClicked)).arg(next.toString());
    for (const QString& target : {u"_self"_s, u"_blank"_s}) {
        SCOPED_TRACE(target.toStdString());
        WebView view;
        view.resize(400, 300);
        view.show();
        view.setDelegate(&recorder_);
        recorder_.calls.clear();
        view.loadHTMLString(
            u"<title>One</title><body style=\"margin:0\"><a href=\"next\" target=\"%1\" "
            "style=\"display:block;height:100vh\">next</a>"_s.arg(target),
            base());
        ASSERT_TRUE(recorder_.waitFor(2));
        QWidget* surface = view.findChild<QWebEngineView*>()->focusProxy();
        for (const bool allowed : {false, true}) {
            recorder_.allowLinks = allowed;
            // A click that lands before the engine has routed input to the fresh page is lost
            // without a trace, so one that asks nothing is given again.
            const qsizetype asked = recorder_.calls.size() + 1;
            for (int tries = 0; tries < 10 && !recorder_.waitFor(asked, tries == 0 ? 0 : 2000);
                 ++tries) {
                QTest::mouseClick(surface, Qt::LeftButton, {}, surface->rect().center());
            }
            ASSERT_TRUE(recorder_.waitFor(allowed ? 6 : 3))
                << recorder_.calls.join(u" | "_s).toStdString();
        }
        EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, u"finish:One"_s, link, link, u"start"_s,
                                                u"finish:Next"_s}));
        EXPECT_EQ(view.requestURL(), next);
        view.goBack();
        ASSERT_TRUE(recorder_.waitFor(8));
        EXPECT_EQ(recorder_.calls.mid(6), (QStringList{u"start"_s, u"finish:One"_s}));
        EXPECT_EQ(view.requestURL(), base());
    }
}

// A load in flight ends once, as cancelled by another load or by stop, or as timed out; the
// view's own signal follows each end, with its outcome.
TEST_F(WebViewTest, ALoadInFlightEndsCancelledOrTimedOut) {
    const QString cancelled = u"fail:%1"_s.arg(WebView::kErrorCancelled);
    const struct {
        std::function<void(WebView&)> cut;
        double timeout;
        QStringList after;
    } cases[] = {
        {[this](WebView& v) { v.loadHTMLString(u"<title>B</title>"_s, base()); },
         60,
         {cancelled, u"start"_s, u"finish:B"_s}},
        {[](WebView& v) { v.stopLoading(); }, 60, {cancelled}},
        {[](WebView&) {}, 0.2, {u"fail:%1"_s.arg(WebView::kErrorTimedOut)}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.after.join(u' ').toStdString());
        recorder_.calls.clear();
        QSignalSpy ended(&view_, &WebView::loadEnded);
        view_.loadRequest(QUrl(server_.url(u"/slow"_s)),
                          WebView::CachePolicy::UseProtocolCachePolicy, row.timeout);
        EXPECT_TRUE(view_.isLoading());
        ASSERT_TRUE(recorder_.waitFor(1));
        row.cut(view_);
        EXPECT_TRUE(ended.isEmpty()) << "emitted from inside the WebView call";
        ASSERT_TRUE(recorder_.waitFor(1 + row.after.size()));
        EXPECT_EQ(recorder_.calls.mid(1), row.after);
        ASSERT_EQ(ended.size(), row.after.size() == 1 ? 1 : 2);
        EXPECT_FALSE(ended.first()[0].toBool());
        EXPECT_EQ(ended.last()[0].toBool(), row.after.last().startsWith(u"finish"_s));
        EXPECT_FALSE(view_.isLoading());
    }
}

// A cacheable page comes from the cache unless the request says to ignore it; another page goes
// between them, else the engine reloads the page it shows, cache or not.
TEST_F(WebViewTest, IgnoringTheCacheFetchesAgain) {
    server_.answer(u"/cached"_s, {.body = "<title>Kept</title>",
                                  .contentType = "text/html",
                                  .headers = {{"Cache-Control", "max-age=3600"}}});
    const QUrl cached(server_.url(u"/cached"_s)), away = base().resolved(QUrl(u"next"_s));
    using Policy = WebView::CachePolicy;
    for (const Policy policy : {Policy::UseProtocolCachePolicy, Policy::UseProtocolCachePolicy,
                                Policy::ReloadIgnoringLocalCacheData}) {
        for (const QUrl& url : {away, cached}) {
            recorder_.calls.clear();
            view_.loadRequest(url, policy);
            ASSERT_TRUE(recorder_.waitFor(2) && recorder_.calls.last().startsWith(u"finish:"_s));
        }
    }
    EXPECT_EQ(requestsFor(u"/cached"_s), 2);
}

// A view or a delegate that goes away mid-load hears nothing more, nor does anyone for it;
// without a delegate only the view's signal tells of the load's end.
TEST_F(WebViewTest, NothingReachesADeletedViewOrDelegate) {
    auto* doomed = new WebView;
    doomed->setDelegate(&recorder_);
    doomed->loadRequest(QUrl(server_.url(u"/slow"_s)));
    ASSERT_TRUE(recorder_.waitFor(1));
    delete doomed;

    WebView other;
    auto* gone = new Recorder;
    other.setDelegate(gone);
    other.loadRequest(QUrl(server_.url(u"/slow"_s)));
    ASSERT_TRUE(gone->waitFor(1));
    delete gone;
    EXPECT_EQ(other.delegate(), nullptr);
    QSignalSpy ended(&other, &WebView::loadEnded);
    other.stopLoading();
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_EQ(ended.first().first(), false);

    view_.loadHTMLString(u"<title>After</title>"_s, base());
    ASSERT_TRUE(recorder_.waitFor(3));
    EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, u"start"_s, u"finish:After"_s}));
}

// A page wider than the view shrinks to its width; the next page starts at full size, and so
// does a page once fitting is turned off. Each zoom changes the contents' size.
TEST_F(WebViewTest, ScalingToFitShrinksWidePagesOnly) {
    view_.setScalesPageToFit(true);
    const auto zoomed = [this](bool shrunk) {
        QWebEnginePage* page = view_.findChild<QWebEngineView*>()->page();
        QSignalSpy resized(page, &QWebEnginePage::contentsSizeChanged);
        while (shrunk ? !(page->zoomFactor() < 1.0 && page->contentsSize().width() > 0 &&
                          page->contentsSize().width() <= view_.width() + 1)
                      : page->zoomFactor() != 1.0) {
            if (!resized.wait(10000)) {
                return false;
            }
        }
        return true;
    };
    const QString wide = u"<div style=\"width:1200px\">wide</div>"_s;
    ASSERT_TRUE(load(wide) && zoomed(true));
    ASSERT_TRUE(load(u"<p>narrow</p>"_s));
    EXPECT_TRUE(zoomed(false));
    ASSERT_TRUE(load(wide) && zoomed(true));
    view_.setScalesPageToFit(false);
    EXPECT_TRUE(zoomed(false));
}
