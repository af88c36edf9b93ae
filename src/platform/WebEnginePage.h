#pragma once

#include <QWebEnginePage>
#include <functional>

// The engine's page with its navigation check handed to a function: the WebView decides which
// navigations go ahead (asking its delegate) and learns of each one as it begins. A view shows
// one page, so a link meant for a new window goes to the new-window function instead.
class WebEnginePage : public QWebEnginePage {
    Q_OBJECT

public:
    using NavigationCheck =
        std::function<bool(const QUrl& url, NavigationType type, bool isMainFrame)>;

    using NewWindowRequest = std::function<void(const QUrl& url)>;

    WebEnginePage(QWebEngineProfile* profile, NavigationCheck check, QObject* parent = nullptr);
    ~WebEnginePage() override;

    void setNewWindowRequest(NewWindowRequest request) { newWindowRequest_ = std::move(request); }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    NavigationCheck check_;
    NewWindowRequest newWindowRequest_;
};
