#pragma once

#include <QUrl>

#include "OrvError.h"

class WebView;

// What a WebView tells (and asks) the object that reacts to its loads. Held without ownership;
// a delegate that is destroyed detaches itself from its views. Every call comes on the GUI
// thread, from the event loop, never from inside a WebView call.
class WebViewDelegate {
public:
    // Why the page wants to load an address.
    enum class NavigationType {
        LinkClicked,
        FormSubmitted,
        BackForward,
        Reload,
        FormResubmitted,
        Other
    };

    virtual ~WebViewDelegate();

    // Asked before the page itself goes to an address (a followed link, a form, a redirect);
    // false keeps the page where it is. Loads the program starts (loadHTMLString, loadRequest,
    // goBack) are not asked. The default allows every load. The engine waits for the answer:
    // the view must not be destroyed inside this call.
    virtual bool shouldStartLoadWithRequest(WebView* webView, const QUrl& request,
                                            NavigationType navigationType);
    virtual void webViewDidStartLoad(WebView* webView);
    // The page has loaded; its title (WebView::pageTitle) is known by now.
    virtual void webViewDidFinishLoad(WebView* webView);
    // The load failed. Code WebView::kErrorCancelled (-999): it was cut short because another
    // load began (or stopLoading); every other failure carries the engine's reason.
    virtual void didFailLoadWithError(WebView* webView, const OrvError& error);
};
