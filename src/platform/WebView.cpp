#include "WebView.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <optional>
#include <vector>

#include "MyLog.h"
#include "WebEnginePage.h"
#include "WebEngineProfile.h"
#include "WebViewHtmlSource.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using NavigationType = WebViewDelegate::NavigationType;

// The engine's code for a load that was cut short (net::ERR_ABORTED).
constexpr int kEngineAborted = -3;
constexpr double kMinimumFitZoom = 0.25;

std::vector<WebView*>& liveViews() {
    static std::vector<WebView*> views;
    return views;
}

NavigationType delegateType(QWebEnginePage::NavigationType type) {
    switch (type) {
        case QWebEnginePage::NavigationTypeLinkClicked:
            return NavigationType::LinkClicked;
        case QWebEnginePage::NavigationTypeFormSubmitted:
            return NavigationType::FormSubmitted;
        case QWebEnginePage::NavigationTypeBackForward:
            return NavigationType::BackForward;
        case QWebEnginePage::NavigationTypeReload:
            return NavigationType::Reload;
        default:
            return NavigationType::Other;
    }
}

}  // namespace

// The engine tells of navigations (as it asks whether each may go ahead) and of load states,
// with some loads reported only in part or late: a load replaced by another mostly ends without
// a word (and at times reports its end once the next has begun), and a refused navigation still
// reports a start and an abort. This keeps the loads the delegate
// knows of and turns what the engine says into one start and one end for each, delivered in
// order from the event loop.
class WebView::Impl {
public:
    explicit Impl(WebView* webView) : owner(webView) {
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, owner, [this] { timedOut(); });
    }

    struct Load {
        // Where the engine went for it, redirects included.
        QList<QUrl> urls;
        bool timed = false;
        bool timedOut = false;
        bool cancelled = false;
    };

    struct Event {
        enum class Kind { Started, Finished, Failed };
        Kind kind = Kind::Started;
        OrvError error = {};
        // A finish waits for its page's title.
        bool ready = true;
        quint64 titleRequest = 0;
        QString title = {};
    };

    void ensureEngine();
    bool checkNavigation(const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame);
    void followInPlace(const QUrl& url);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void beginLoad(const QUrl& url, bool timed);
    void endLoad();
    void failLoad(int code, const QString& message, const QVariantMap& userInfo = {});
    void succeedLoad();
    void titleArrived(quint64 request, const QString& title, qreal pageWidth);
    void timedOut();
    void post(Event event);
    void scheduleDelivery();
    void deliverNext();
    // The page's width in its own pixels; the engine's contents size when not given.
    void fitPage(bool fromFullSize, qreal pageWidth = 0);
    QUrl shownAddress(const QUrl& engineURL) const;
    void forgetProgramLoads();

    WebView* owner;
    QWebEngineView* view = nullptr;
    WebEnginePage* page = nullptr;
    bool dying = false;

    QTimer timeout;
    std::optional<Load> current;
    // A load the program asked for that the engine has not begun yet.
    bool programLoadAwaited = false;
    bool timedLoadAwaited = false;
    bool backAwaited = false;
    // Navigations the delegate refused: the engine still reports them as aborted loads. And
    // loads replaced by another, whose end the engine may report after the next one began.
    QList<QUrl> refused;
    QList<QUrl> replaced;

    std::deque<Event> events;
    bool deliveryScheduled = false;
    quint64 lastTitleRequest = 0;

    QUrl shownURL;
    QUrl htmlBaseURL;
    QString pageTitle;
    WebViewHtmlSource htmlSource;
};

void WebView::Impl::ensureEngine() {
    if (view != nullptr) {
        return;
    }
    QWebEngineProfile* profile = WebEngineProfile::shared();
    view = new QWebEngineView(owner);
    page = new WebEnginePage(
        profile,
        [this](const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame) {
            return checkNavigation(url, type, isMainFrame);
        },
        view);
    page->setNewWindowRequest([this](const QUrl& url) {
        QMetaObject::invokeMethod(
            owner, [this, url] { followInPlace(url); }, Qt::QueuedConnection);
    });
    view->setPage(page);
    // Strings too long for a data: address load from a file (see WebViewHtmlSource), and their
    // pictures and scripts from the base address, as those of a string do.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    owner->layout()->addWidget(view);
    QObject::connect(page, &QWebEnginePage::loadingChanged, owner,
                     [this](const QWebEngineLoadingInfo& info) { loadingChanged(info); });
    QObject::connect(page, &QWebEnginePage::contentsSizeChanged, owner, [this] { fitPage(false); });
}

bool WebView::Impl::checkNavigation(const QUrl& url, QWebEnginePage::NavigationType type,
                                    bool isMainFrame) {
    if (dying) {
        return false;
    }
    bool programs = false;
    if (isMainFrame && type == QWebEnginePage::NavigationTypeTyped) {
        programs = true;
    } else if (isMainFrame && type == QWebEnginePage::NavigationTypeBackForward && backAwaited) {
        backAwaited = false;
        programs = true;
    }
    bool allowed = true;
    if (!programs && owner->delegate_ != nullptr) {
        const QPointer<WebView> alive(owner);
        allowed = owner->delegate_->shouldStartLoadWithRequest(owner, url, delegateType(type));
        if (!alive) {
            return false;
        }
    }
    if (!isMainFrame) {
        return allowed;
    }
    const bool redirect = type == QWebEnginePage::NavigationTypeRedirect;
    if (!allowed) {
        if (redirect && current) {
            current->cancelled = true;
        } else if (!redirect) {
            refused.append(url);
            // A page that keeps trying must not grow the list without end.
            if (refused.size() > 16) {
                refused.removeFirst();
            }
        }
        return false;
    }
    if (redirect) {
        shownURL = shownAddress(url);
        if (current) {
            current->urls.append(url);
        }
    } else {
        beginLoad(url, programs && timedLoadAwaited && type == QWebEnginePage::NavigationTypeTyped);
    }
    return true;
}

// A link meant for a new window is a link followed in this view, asked of the delegate as one.
void WebView::Impl::followInPlace(const QUrl& url) {
    if (dying) {
        return;
    }
    if (owner->delegate_ != nullptr) {
        const QPointer<WebView> alive(owner);
        const bool allowed = owner->delegate_->shouldStartLoadWithRequest(
            owner, url, WebViewDelegate::NavigationType::LinkClicked);
        if (!alive || !allowed) {
            return;
        }
    }
    owner->loadRequest(url);
}

void WebView::Impl::loadingChanged(const QWebEngineLoadingInfo& info) {
    if (dying) {
        return;
    }
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            // Loads that reach the engine without its navigation check (same-page moves).
            if (!current && !refused.contains(info.url())) {
                beginLoad(info.url(), false);
            }
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            if (current) {
                succeedLoad();
            }
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            break;
    }
    const QUrl url = info.url();
    if (!current) {
        refused.removeOne(url);
        replaced.removeOne(url);
        return;
    }
    if (!current->urls.contains(url) && (refused.removeOne(url) || replaced.removeOne(url))) {
        return;
    }
    // A page the server sent with an error status is still the page shown, as the handset
    // showed it; the engine's own error page (an empty answer) is a failure.
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain && !info.isErrorPage()) {
        succeedLoad();
        return;
    }
    if (current->timedOut) {
        failLoad(kErrorTimedOut, u"The request timed out."_s);
    } else if (current->cancelled || info.status() == QWebEngineLoadingInfo::LoadStoppedStatus ||
               info.errorCode() == kEngineAborted) {
        failLoad(kErrorCancelled, u"The operation was cancelled."_s);
    } else {
        failLoad(
            info.errorCode(), info.errorString(),
            {{u"url"_s, info.url()}, {u"engineDomain"_s, static_cast<int>(info.errorDomain())}});
    }
}

void WebView::Impl::beginLoad(const QUrl& url, bool timed) {
    if (current) {
        // The engine often drops a load another one replaces without reporting its end.
        const QList<QUrl> urls = current->urls;
        failLoad(current->timedOut ? kErrorTimedOut : kErrorCancelled,
                 u"The operation was cancelled."_s);
        replaced = urls;
    }
    if (timed) {
        timedLoadAwaited = false;
    } else if (!timedLoadAwaited) {
        timeout.stop();
    }
    programLoadAwaited = false;
    backAwaited = false;
    current = Load{{url}, timed};
    shownURL = shownAddress(url);
    // Each page is fitted from full size; the call waits, as the engine is between steps here.
    if (page->zoomFactor() != 1.0) {
        QTimer::singleShot(0, owner, [this] {
            if (page->zoomFactor() != 1.0) {
                page->setZoomFactor(1.0);
            }
        });
    }
    post({.kind = Event::Kind::Started});
}

void WebView::Impl::endLoad() {
    if (current && current->timed && !timedLoadAwaited) {
        timeout.stop();
    }
    current.reset();
    replaced.clear();
}

void WebView::Impl::failLoad(int code, const QString& message, const QVariantMap& userInfo) {
    endLoad();
    post({.kind = Event::Kind::Failed, .error = {kErrorDomain, code, message, userInfo}});
}

void WebView::Impl::succeedLoad() {
    endLoad();
    shownURL = shownAddress(page->url());
    const quint64 request = ++lastTitleRequest;
    post({.kind = Event::Kind::Finished, .ready = false, .titleRequest = request});
    // The engine's own title falls back to the address; the document's is "" when it has none.
    // The engine's contents size is no help for fitting here: at this point it may still be the
    // previous page's, and a fitted page measures the view's width whatever its own, so no
    // change would ever correct it. Both are read, never changed, apart from the page's
    // scripts, which cannot reach this world. The engine answers every request, with nothing
    // when the page goes away first.
    const QPointer<WebView> alive(owner);
    page->runJavaScript(
        u"[document.title, document.documentElement ? document.documentElement.scrollWidth : 0]"_s,
        QWebEngineScript::ApplicationWorld, [alive, request](const QVariant& answer) {
            if (alive && !alive->impl_->dying) {
                const QVariantList values = answer.toList();
                alive->impl_->titleArrived(request, values.value(0).toString(),
                                           values.value(1).toDouble());
            }
        });
}

void WebView::Impl::titleArrived(quint64 request, const QString& title, qreal pageWidth) {
    if (pageWidth > 0 && !current) {
        fitPage(false, pageWidth);
    }
    for (Event& event : events) {
        if (event.titleRequest == request) {
            event.title = title.isNull() ? u""_s : title;
            event.ready = true;
            scheduleDelivery();
            return;
        }
    }
}

void WebView::Impl::timedOut() {
    if (current && current->timed) {
        current->timedOut = true;
        page->triggerAction(QWebEnginePage::Stop);
    } else if (timedLoadAwaited) {
        // The engine never began the load: tell of it as begun and failed, as it would have been.
        forgetProgramLoads();
        page->triggerAction(QWebEnginePage::Stop);
        post({.kind = Event::Kind::Started});
        post({.kind = Event::Kind::Failed,
              .error = {kErrorDomain, kErrorTimedOut, u"The request timed out."_s, {}}});
    }
}

void WebView::Impl::post(Event event) {
    events.push_back(std::move(event));
    scheduleDelivery();
}

void WebView::Impl::scheduleDelivery() {
    if (deliveryScheduled || events.empty() || !events.front().ready) {
        return;
    }
    deliveryScheduled = true;
    // Posted to the view, so a view that is gone gets nothing.
    QMetaObject::invokeMethod(
        owner, [this] { deliverNext(); }, Qt::QueuedConnection);
}

void WebView::Impl::deliverNext() {
    deliveryScheduled = false;
    if (events.empty() || !events.front().ready) {
        return;
    }
    const Event event = std::move(events.front());
    events.pop_front();
    if (event.kind == Event::Kind::Finished) {
        pageTitle = event.title;
    }
    // One callback a turn, and nothing of this after it: the delegate may destroy the view.
    scheduleDelivery();
    WebView* webView = owner;
    const QPointer<WebView> alive(webView);
    if (WebViewDelegate* delegate = webView->delegate_; delegate != nullptr) {
        switch (event.kind) {
            case Event::Kind::Started:
                delegate->webViewDidStartLoad(webView);
                break;
            case Event::Kind::Finished:
                delegate->webViewDidFinishLoad(webView);
                break;
            case Event::Kind::Failed:
                delegate->didFailLoadWithError(webView, event.error);
                break;
        }
    }
    if (event.kind != Event::Kind::Started && alive) {
        Q_EMIT webView->loadEnded(event.kind == Event::Kind::Finished);
    }
}

void WebView::Impl::fitPage(bool fromFullSize, qreal pageWidth) {
    if (page == nullptr || dying) {
        return;
    }
    const qreal zoom = page->zoomFactor();
    if (!owner->scalesPageToFit_ || fromFullSize) {
        if (zoom != 1.0) {
            // The contents change with the zoom, which fits the page again when it should.
            page->setZoomFactor(1.0);
        }
        return;
    }
    // The page being replaced must not set the zoom of the one coming: pages are fitted once
    // they have loaded (and as they change afterwards).
    if (current) {
        return;
    }
    if (pageWidth <= 0) {
        // The engine gives the contents' size at the current zoom.
        pageWidth = page->contentsSize().width() / zoom;
    }
    if (pageWidth <= 0 || owner->width() <= 0) {
        return;
    }
    const qreal wanted = std::clamp(owner->width() / pageWidth, kMinimumFitZoom, 1.0);
    // Only ever smaller within one page: a page that fills whatever width it gets would
    // otherwise be measured at the width the zoom gave it and never shrink back.
    if (wanted < zoom - 0.001) {
        page->setZoomFactor(wanted);
    }
}

QUrl WebView::Impl::shownAddress(const QUrl& engineURL) const {
    if (!WebViewHtmlSource::isStringPage(engineURL)) {
        return engineURL;
    }
    return htmlBaseURL.isEmpty() ? QUrl(u"about:blank"_s) : htmlBaseURL;
}

void WebView::Impl::forgetProgramLoads() {
    timeout.stop();
    programLoadAwaited = false;
    timedLoadAwaited = false;
    backAwaited = false;
}

void WebView::prepareApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // A platform named on the command line (-platform offscreen) needs nothing here: the engine
    // sees that there is no GPU and draws in software by itself.
    WebEngineProfile::addEngineSwitches();
}

WebView::WebView(QWidget* parent) : QWidget(parent), impl_(new Impl(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    liveViews().push_back(this);
}

WebView::~WebView() {
    std::erase(liveViews(), this);
    impl_->dying = true;
    impl_->events.clear();
    impl_->timeout.stop();
    // The page (the view's child) answers its pending title requests as it goes, which the flag
    // above ignores.
    delete impl_->view;
    delete impl_;
}

void WebView::forgetDelegate(WebViewDelegate* delegate) {
    for (WebView* view : liveViews()) {
        if (view->delegate_ == delegate) {
            view->delegate_ = nullptr;
        }
    }
}

void WebView::loadHTMLString(const QString& html, const QUrl& baseURL) {
    impl_->ensureEngine();
    impl_->forgetProgramLoads();
    impl_->programLoadAwaited = true;
    impl_->htmlBaseURL = baseURL;
    impl_->shownURL = baseURL.isEmpty() ? QUrl(u"about:blank"_s) : baseURL;
    if (!impl_->htmlSource.load(*impl_->page, html, baseURL)) {
        impl_->programLoadAwaited = false;
    }
}

void WebView::loadRequest(const QUrl& url, CachePolicy cachePolicy, double timeoutSeconds) {
    if (!url.isValid() || url.isEmpty()) {
        MYLOG(u"WebView: no page to load at [%@]"_s, url.toString());
        return;
    }
    impl_->ensureEngine();
    impl_->forgetProgramLoads();
    impl_->programLoadAwaited = true;
    impl_->shownURL = url;
    QWebEngineHttpRequest request(url);
    if (cachePolicy == CachePolicy::ReloadIgnoringLocalCacheData) {
        // The engine's cache fetches anew, without revalidating, for a request that says so.
        request.setHeader("Cache-Control", "no-cache");
        request.setHeader("Pragma", "no-cache");
    }
    // No time-out for a non-positive (or not-a-number) one.
    if (timeoutSeconds > 0) {
        const double msecs = std::ceil(timeoutSeconds * 1000.0);
        impl_->timeout.start(
            static_cast<int>(std::min(msecs, double(std::numeric_limits<int>::max()))));
        impl_->timedLoadAwaited = true;
    }
    impl_->page->load(request);
}

void WebView::stopLoading() {
    if (impl_->page == nullptr) {
        return;
    }
    impl_->forgetProgramLoads();
    if (impl_->current) {
        impl_->current->cancelled = true;
    }
    impl_->page->triggerAction(QWebEnginePage::Stop);
}

bool WebView::isLoading() const {
    return impl_->current.has_value() || impl_->programLoadAwaited || impl_->backAwaited;
}

bool WebView::canGoBack() const {
    return impl_->page != nullptr && impl_->page->history()->canGoBack();
}

void WebView::goBack() {
    if (!canGoBack()) {
        return;
    }
    impl_->forgetProgramLoads();
    impl_->backAwaited = true;
    impl_->page->triggerAction(QWebEnginePage::Back);
}

void WebView::setScalesPageToFit(bool scalesPageToFit) {
    if (scalesPageToFit_ == scalesPageToFit) {
        return;
    }
    scalesPageToFit_ = scalesPageToFit;
    // Delegates set this while the engine waits on their answer: apply it from the event loop.
    QTimer::singleShot(0, this, [this] { impl_->fitPage(!scalesPageToFit_); });
}

QUrl WebView::requestURL() const {
    return impl_->shownURL;
}

QString WebView::pageTitle() const {
    return impl_->pageTitle;
}

QString WebView::stringByEvaluatingJavaScriptFromString(const QString& script) const {
    if (script.trimmed() == u"document.title"_s) {
        return impl_->pageTitle;
    }
    return {};
}

bool WebView::hasEngine() const {
    return impl_->view != nullptr;
}

void WebView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A shrunk page is fitted again from full size, since a wider view may take it larger.
    if (scalesPageToFit_ && impl_->page != nullptr) {
        impl_->fitPage(impl_->page->zoomFactor() != 1.0);
    }
}
