#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include "WebViewDelegate.h"

// A page of the web, in the handset's manner, on a real browser engine (Qt WebEngine): an HTML
// string with a base address, or a request with a cache policy and a time-out; stop; the back
// step and its history state; scale-to-fit; the page title once a load has finished; and a
// delegate that is told of every load and may refuse the page's own navigations.
//
// The engine is costly to start (about 2 s), so a WebView holds no engine view until the first
// load asks for one; every WebView of the process shares one profile whose cache lives in the
// data home. GUI thread only.
//
// The delegate hears of each load that began as one webViewDidStartLoad followed by exactly one
// webViewDidFinishLoad or didFailLoadWithError, always from the event loop.
class WebView : public QWidget {
    Q_OBJECT

public:
    enum class CachePolicy { UseProtocolCachePolicy, ReloadIgnoringLocalCacheData };
    // The error code of a load cut short by another load or by stopLoading.
    static constexpr int kErrorCancelled = -999;
    // The error domain of the engine's own failures (time-out included).
    static inline const QString kErrorDomain = QStringLiteral("WebView");
    static constexpr int kErrorTimedOut = -1001;

    // Call once, before the QApplication is made: the settings the engine needs from the start
    // (shared GL contexts, software rendering off screen, and no sandbox when running as root,
    // which Chromium refuses otherwise; said once on the console).
    static void prepareApplication();

    explicit WebView(QWidget* parent = nullptr);
    ~WebView() override;

    WebViewDelegate* delegate() const { return delegate_; }
    void setDelegate(WebViewDelegate* delegate) { delegate_ = delegate; }

    // Shows the HTML; relative addresses in it resolve against baseURL.
    void loadHTMLString(const QString& html, const QUrl& baseURL);
    // Loads the address; a load that has not finished after timeoutSeconds (none when it is not
    // positive) fails with kErrorTimedOut. A page the server sends with an error status counts
    // as loaded, as it is the page shown.
    void loadRequest(const QUrl& url, CachePolicy cachePolicy = CachePolicy::UseProtocolCachePolicy,
                     double timeoutSeconds = 60.0);
    void stopLoading();
    bool isLoading() const;

    bool canGoBack() const;
    void goBack();

    // Pages wider than the view are shrunk to its width.
    bool scalesPageToFit() const { return scalesPageToFit_; }
    void setScalesPageToFit(bool scalesPageToFit);

    // The address of the page shown (or loading); empty before the first load.
    QUrl requestURL() const;
    // The title of the last page that finished loading: "" for a page without one, null before
    // any page has finished.
    QString pageTitle() const;
    // The handset's script call, for the one script the program runs: "document.title" answers
    // pageTitle(); any other script answers null and runs nothing.
    QString stringByEvaluatingJavaScriptFromString(const QString& script) const;

    // Whether the engine view exists yet (tests: the engine starts only when a page needs it).
    bool hasEngine() const;

Q_SIGNALS:
    // For those who wait on a page without being its delegate: each load's end, after the
    // delegate's.
    void loadEnded(bool ok);

private:
    friend class WebViewDelegate;
    class Impl;

    // Detaches a delegate that is being destroyed from every view that still holds it.
    static void forgetDelegate(WebViewDelegate* delegate);
    void resizeEvent(QResizeEvent* event) override;

    Impl* impl_ = nullptr;
    WebViewDelegate* delegate_ = nullptr;
    bool scalesPageToFit_ = false;
};
