#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <memory>

#include "ActivityIndicator.h"
#include "NavigationController.h"
#include "OrvConnection.h"
#include "OrvConnectionDelegate.h"
#include "RelatedContent.h"
#include "WebViewDelegate.h"

class Game;

class WebView;

namespace Ui {
class MobiWebView;
}

// A small browser inside the program, pushed above the detail screen: either an address the
// user followed from a review or screenshot page (setURL), with back, close and an action menu
// that opens the page in the desktop's browser or mails a link to it; or a related article,
// fetched from the review service and shown in the article template (loadOtherContent).
//
// Owned by the navigation stack it is pushed on. Leaving it stops the page; destroying it
// detaches it from its web view and cancels the article fetch, so no callback reaches a viewer
// that is gone. Main thread only; the game belongs to the store context and must outlive it.
class MobiWebViewController : public QWidget, public WebViewDelegate, public OrvConnectionDelegate {
    Q_OBJECT

public:
    static constexpr double kRequestTimeoutSeconds = 60.0;
    // The largest article document taken; a bigger answer is aborted and fails the load.
    static constexpr qint64 kMaxArticleBytes = 2 * 1024 * 1024;
    static inline const QString kActionsTitle = QStringLiteral("Actions");
    static inline const QString kCancelTitle = QStringLiteral("Cancel");
    static inline const QString kLaunchTitle = QStringLiteral("Launch in Browser");
    static inline const QString kSendLinkTitle = QStringLiteral("Send link in email");

    explicit MobiWebViewController(QWidget* parent = nullptr);
    // A viewer pushed onto the stack (nothing without one): a page of the web, or with the game
    // an article of the review service in the article template.
    static void pushOnto(NavigationController* navigation, const QString& address, Game* game);
    ~MobiWebViewController() override;

    NavigationController* navigationController() const { return navigationController_; }
    void setNavigationController(NavigationController* controller);
    Game* game() const { return game_; }
    void setGame(Game* game) { game_ = game; }
    // The address last given to setURL; null until then.
    const QString& lastURL() const { return lastURL_; }
    OrvConnection* otherConnection() const { return otherConnection_.get(); }

    // Shows the page at the address, always fetched anew, with the address as title.
    void setURL(const QString& address);
    // Fetches the article document at the review service's address and shows it.
    void loadOtherContent(const QString& address);
    void parseOtherDataXML(const QString& body);
    // Shows the text as title, without what comes up to its first "http://" (or, without one,
    // its first "https://").
    void setNavTitle(const QString& text);
    static QString cutTitle(const QString& text);

    void showActions();
    void closePressed();
    void actionSheetClickedButton(const QString& buttonTitle);
    void sendLinkInEmail();
    void launchMailAppOnDevice();

    // The page to share or open elsewhere: the page shown when it is on the web, else the
    // address last set, else the article's own link. Null when there is none.
    QString shareableAddress() const;
    // "mailto:?body=...&subject=..." with both parts percent-encoded whole, so nothing in an
    // address or a page title can add recipients or parameters. A null title means the page
    // gave none.
    static QUrl mailLinkURL(const QString& address, const QString& pageTitle);

    bool shouldStartLoadWithRequest(WebView* webView, const QUrl& request,
                                    NavigationType navigationType) override;
    void webViewDidStartLoad(WebView* webView) override;
    void webViewDidFinishLoad(WebView* webView) override;
    void didFailLoadWithError(WebView* webView, const OrvError& error) override;

    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override;
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override;

    WebView* webView() const;
    QAbstractButton* backButton() const;
    QAbstractButton* actionButton() const;
    QAbstractButton* closeBrowserButton() const;
    QLabel* titleLabel() const;
    ActivityIndicator* activityIndicator() const;

Q_SIGNALS:
    // The article fetch has ended (shown, or failed and left empty).
    void otherContentEnded(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void viewWillAppear();
    void viewWillDisappear();
    void updateBackButton();
    void endLoadIndicators();

    std::unique_ptr<Ui::MobiWebView> ui_;
    QPointer<NavigationController> navigationController_;
    QString lastURL_;
    std::unique_ptr<OrvConnection> otherConnection_;
    Game* game_ = nullptr;
    // The article shown, and the base address its page was loaded with.
    std::shared_ptr<RelatedContent> article_;
    QUrl articleBaseURL_;
};
