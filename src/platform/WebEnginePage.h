#pragma once

#include <QWebEnginePage>
#include <functional>

// The engine's page with its navigation check handed to a function: the WebView decides which
// navigations go ahead (asking its delegate) and learns of each one as it begins.
class WebEnginePage : public QWebEnginePage {
    Q_OBJECT

public:
    using NavigationCheck =
        std::function<bool(const QUrl& url, NavigationType type, bool isMainFrame)>;

    WebEnginePage(QWebEngineProfile* profile, NavigationCheck check, QObject* parent = nullptr);
    ~WebEnginePage() override;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    NavigationCheck check_;
};
