#include "WebViewDelegate.h"

#include "WebView.h"

WebViewDelegate::~WebViewDelegate() {
    // An owner that forgets to detach must not leave a view calling into freed memory.
    WebView::forgetDelegate(this);
}

bool WebViewDelegate::shouldStartLoadWithRequest(WebView*, const QUrl&, NavigationType) {
    return true;
}

void WebViewDelegate::webViewDidStartLoad(WebView*) {}

void WebViewDelegate::webViewDidFinishLoad(WebView*) {}

void WebViewDelegate::didFailLoadWithError(WebView*, const OrvError&) {}
