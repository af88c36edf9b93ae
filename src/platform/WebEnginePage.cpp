#include "WebEnginePage.h"

WebEnginePage::WebEnginePage(QWebEngineProfile* profile, NavigationCheck check, QObject* parent)
    : QWebEnginePage(profile, parent), check_(std::move(check)) {}

WebEnginePage::~WebEnginePage() = default;

bool WebEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    return check_ ? check_(url, type, isMainFrame) : true;
}

QWebEnginePage* WebEnginePage::createWindow(WebWindowType) {
    // A page that only learns where the new window was to go, then goes away unshown.
    auto* catcher = new WebEnginePage(profile(), nullptr, this);
    catcher->check_ = [catcher, request = newWindowRequest_](const QUrl& url, NavigationType,
                                                             bool isMainFrame) {
        if (isMainFrame) {
            if (request) {
                request(url);
            }
            catcher->deleteLater();
        }
        return false;
    };
    return catcher;
}
