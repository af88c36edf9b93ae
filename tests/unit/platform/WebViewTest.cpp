#include "WebView.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "EventWait.h"
#include "FakeHttpServer.h"
#include "QStringPrinter.h"
#include "ScopedEnv.h"
#include "WebEngineProfile.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Type = WebViewDelegate::NavigationType;

// Writes each call as a line ("start", "finish:<title>", "fail:<code>", "ask:<type> <url>") and
// lets the test wait until a number of them have come.
class Recorder : public WebViewDelegate {
public:
    bool shouldStartLoadWithRequest(WebView*, const QUrl& url, Type type) override {
        record(u"ask:%1 %2"_s.arg(int(type)).arg(url.toString()));
        return allowLinks || type != Type::LinkClicked;
    }
    void webViewDidStartLoad(WebView*) override { record(u"start"_s); }
    void webViewDidFinishLoad(WebView* view) override { record(u"finish:"_s + view->pageTitle()); }
    void didFailLoadWithError(WebView*, const OrvError& error) override {
        EXPECT_EQ(error.domain, WebView::kErrorDomain);
        record(u"fail:%1"_s.arg(error.code));
    }
    bool waitFor(qsizetype count) {
        if (calls.size() >= count) {
            return true;
        }
        EventWait wait;
        wanted_ = count;
        wait_ = &wait;
        const bool came = wait.wait(20000);
        wait_ = nullptr;
        return came;
    }

    QStringList calls;
    bool allowLinks = true;

private:
    void record(const QString& call) {
        calls.append(call);
        if (wait_ != nullptr && calls.size() >= wanted_) {
            wait_->done();
        }
    }

    EventWait* wait_ = nullptr;
    qsizetype wanted_ = 0;
};

const QString cancelled = u"fail:%1"_s.arg(WebView::kErrorCancelled);

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
    QWebEnginePage* page() { return view_.findChild<QWebEngineView*>()->page(); }
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
    void click() {
        QWidget* surface = view_.findChild<QWebEngineView*>()->focusProxy();
        QTest::mouseClick(surface, Qt::LeftButton, {}, surface->rect().center());
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
    EXPECT_TRUE(idle.requestURL().isEmpty() && idle.pageTitle().isNull());
    EXPECT_EQ(WebEngineProfile::exists(), engineBefore);

    view_.loadHTMLString(u"<title>Hi</title>"_s, base());
    EXPECT_TRUE(view_.hasEngine() && WebEngineProfile::exists());
    EXPECT_TRUE(recorder_.calls.isEmpty()) << "called from inside the WebView call";
    ASSERT_TRUE(recorder_.waitFor(2));
    EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, u"finish:Hi"_s}));
    EXPECT_EQ(view_.stringByEvaluatingJavaScriptFromString(u"document.title"_s), u"Hi"_s);
    EXPECT_TRUE(view_.stringByEvaluatingJavaScriptFromString(u"1 + 1"_s).isNull());
}

// The user's own engine switches stay; the process's are added once.
TEST_F(WebViewTest, EngineSwitchesKeepTheUsersOwn) {
    ScopedEnv flags("QTWEBENGINE_CHROMIUM_FLAGS", "--user-switch");
    const bool root = WebEngineProfile::addEngineSwitches();
    WebEngineProfile::addEngineSwitches();
    const QList<QByteArray> switches = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ');
    EXPECT_EQ(switches.first(), "--user-switch");
    EXPECT_EQ(switches.count("--no-sandbox"), root ? 1 : 0);
    EXPECT_EQ(switches.count("--disable-gpu"), qgetenv("QT_QPA_PLATFORM") == "offscreen" ? 1 : 0);
}

// A page given as a string loads its relative addresses from the base address, the title of a
// page without one is "", and a string too long for the engine's data: address still loads.
TEST_F(WebViewTest, HtmlStringsResolveAgainstTheBaseAddress) {
    const std::pair<QString, QString> cases[] = {
        {u"<p>no title</p><img src=\"dot.png?1\">"_s, u"finish:"_s},
        {u"<!DOCTYPE html><html><head><title>Long</title></head><body><img src=\"dot.png?2\"><!--"_s +
             QString(3'000'000, u'x') + u"--></body></html>"_s,
         u"finish:Long"_s},
    };
    int loaded = 0;
    for (const auto& [html, finish] : cases) {
        SCOPED_TRACE(finish.toStdString());
        ASSERT_TRUE(load(html));
        EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, finish}));
        EXPECT_EQ(view_.requestURL(), base());
        // The page has loaded once its picture has.
        EXPECT_EQ(requestsFor(u"/pages/dot.png"_s), ++loaded);
    }
}

// Links ask the delegate; a refused one leaves the page as it was and loads nothing, a followed
// one loads, and the back step (not asked) returns to the string's page.
TEST_F(WebViewTest, LinkClicksAskTheDelegateAndBackReturns) {
    ASSERT_TRUE(
        load(u"<title>One</title><body style=\"margin:0\"><a href=\"next\" "
             "style=\"display:block;height:100vh\">next</a></body>"_s));
    EXPECT_FALSE(view_.canGoBack());

    recorder_.allowLinks = false;
    click();
    ASSERT_TRUE(recorder_.waitFor(3));
    recorder_.allowLinks = true;
    click();
    ASSERT_TRUE(recorder_.waitFor(6));
    const QUrl next = base().resolved(QUrl(u"next"_s));
    const QString link = u"ask:%1 %2"_s.arg(int(Type::LinkClicked)).arg(next.toString());
    EXPECT_EQ(recorder_.calls,
              (QStringList{u"start"_s, u"finish:One"_s, link, link, u"start"_s, u"finish:Next"_s}));
    EXPECT_EQ(view_.requestURL(), next);

    ASSERT_TRUE(view_.canGoBack());
    view_.goBack();
    ASSERT_TRUE(recorder_.waitFor(8));
    EXPECT_EQ(recorder_.calls.mid(6), (QStringList{u"start"_s, u"finish:One"_s}));
    EXPECT_FALSE(view_.canGoBack());
    EXPECT_EQ(view_.requestURL(), base());
}

// A view shows one page: a link meant for a new window is asked of the delegate as a link and
// followed in the view itself.
TEST_F(WebViewTest, NewWindowLinksAreFollowedInPlace) {
    ASSERT_TRUE(
        load(u"<title>One</title><body style=\"margin:0\"><a href=\"next\" target=\"_blank\" "
             "style=\"display:block;height:100vh\">next</a></body>"_s));
    click();
    ASSERT_TRUE(recorder_.waitFor(5));
    const QUrl next = base().resolved(QUrl(u"next"_s));
    EXPECT_EQ(recorder_.calls.mid(2),
              (QStringList{u"ask:%1 %2"_s.arg(int(Type::LinkClicked)).arg(next.toString()),
                           u"start"_s, u"finish:Next"_s}));
    EXPECT_EQ(view_.requestURL(), next);
}

// A load in flight ends once, as cancelled by another load or by stop, or as timed out; the
// view's own signal follows each end the delegate heard of, with its outcome.
TEST_F(WebViewTest, ALoadInFlightEndsCancelledOrTimedOut) {
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
        QList<bool> flags, wanted;
        for (const QList<QVariant>& signal : ended) {
            flags.append(signal[0].toBool());
        }
        for (const QString& call : row.after) {
            if (call != u"start"_s) {
                wanted.append(call.startsWith(u"finish:"_s));
            }
        }
        EXPECT_EQ(flags, wanted);
        EXPECT_FALSE(view_.isLoading());
    }
}

// A cacheable page comes from the cache unless the request says to ignore it.
TEST_F(WebViewTest, IgnoringTheCacheFetchesAgain) {
    server_.answer(u"/cached"_s, {.body = "<title>Kept</title>",
                                  .contentType = "text/html",
                                  .headers = {{"Cache-Control", "max-age=3600"}}});
    const QUrl cached(server_.url(u"/cached"_s));
    using Policy = WebView::CachePolicy;
    // Another page between them, or the engine reloads the page it shows, cache or not.
    const QUrl away = base().resolved(QUrl(u"next"_s));
    const std::pair<QUrl, Policy> loads[] = {
        {cached, Policy::UseProtocolCachePolicy},       {away, Policy::UseProtocolCachePolicy},
        {cached, Policy::UseProtocolCachePolicy},       {away, Policy::UseProtocolCachePolicy},
        {cached, Policy::ReloadIgnoringLocalCacheData},
    };
    for (const auto& [url, policy] : loads) {
        recorder_.calls.clear();
        view_.loadRequest(url, policy);
        ASSERT_TRUE(recorder_.waitFor(2) && recorder_.calls.last().startsWith(u"finish:"_s));
    }
    EXPECT_EQ(requestsFor(u"/cached"_s), 2);
}

// A view or a delegate that goes away mid-load hears nothing more, nor does anyone for it.
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
    // Without a delegate only the view's signal tells of the load's end.
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_EQ(ended.first().first(), false);
    EXPECT_FALSE(other.isLoading());

    view_.loadHTMLString(u"<title>After</title>"_s, base());
    ASSERT_TRUE(recorder_.waitFor(3));
    EXPECT_EQ(recorder_.calls, (QStringList{u"start"_s, u"start"_s, u"finish:After"_s}));
}

// A page wider than the view shrinks to its width; the next page starts at full size, and so
// does a page once fitting is turned off.
TEST_F(WebViewTest, ScalingToFitShrinksWidePagesOnly) {
    view_.setScalesPageToFit(true);
    // Waits for the page shrunk to the view's width, or at full size: each zoom changes the
    // contents' size.
    const auto zoomed = [this](bool shrunk) {
        const auto reached = [&] {
            const qreal width = page()->contentsSize().width();
            return shrunk ? width > 0 && width <= view_.width() + 1 && page()->zoomFactor() < 1.0
                          : page()->zoomFactor() == 1.0;
        };
        QSignalSpy resized(page(), &QWebEnginePage::contentsSizeChanged);
        while (!reached()) {
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
