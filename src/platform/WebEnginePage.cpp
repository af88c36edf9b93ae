#include "WebEnginePage.h"

WebEnginePage::WebEnginePage(QWebEngineProfile* profile, NavigationCheck check, QObject* parent)
    : QWebEnginePage(profile, parent), check_(std::move(check)) {}

WebEnginePage::~WebEnginePage() = default;

bool WebEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    return check_ ? check_(url, type, isMainFrame) : true;
}
