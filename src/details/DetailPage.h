#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QPropertyAnimation>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "ActivityIndicator.h"
#include "BoxArtListener.h"
#include "OrvConnection.h"
#include "OrvConnectionDelegate.h"
#include "RelatedContent.h"
#include "Screenshot.h"
#include "StarBarViewDelegate.h"
#include "TableViewDataSource.h"
#include "TableViewDelegate.h"
#include "WebViewDelegate.h"

class Button;
class Game;
class Notification;
class QTextBrowser;
class QlBoxImage;
class StarBarView;
class TableView;
class WebView;

namespace Ui {
class DetailPage;
}

// The screen of one game. The catalogue's fields show at once (redrawCore); getDetailXML then
// asks the review service for the game's product document, which brings the price, the related
// articles, the screenshots and the address of the review, fetched by a second request. Each
// answer is read when it arrives and the tabs that depend on it are redrawn. Four tabs choose
// what the lower part shows: the description with the star bar, the review page, the
// screenshot page or the related articles. Wish, played and the star bar change the game and
// tell the others through notifications; "Tell others about this game" sends a picture of the
// page to the mail composer.
//
// The page owns both connections and cancels them when it goes away, and its delayed steps and
// box-art wait die with it, so nothing reaches a page that is gone. Main thread only; the game
// belongs to the store context and must outlive the page.
class DetailPage : public QWidget,
                   public OrvConnectionDelegate,
                   public StarBarViewDelegate,
                   public WebViewDelegate,
                   public TableViewDataSource,
                   public TableViewDelegate {
    Q_OBJECT

public:
    // The review service's product query, after its base address. The key is the service's.
    static inline const QString kProductQueryTemplate = QStringLiteral(
        "/svc/product/get_single/?apiKey=3f1a0c2e-7d94-4b6a-a85c0e91f2d37b46&return_type=xml"
        "&global_id=**CRITICON_ID**");
    static inline const QString kReviewFailureText =
        QStringLiteral("Problems pulling review at this time.");
    static constexpr int kDetailsConnectionType = 0;
    static constexpr int kReviewConnectionType = 1;
    // The largest product and review documents taken; bigger answers are aborted as they arrive
    // and handled as failed requests. Real ones run to tens of kilobytes.
    static constexpr qint64 kMaxProductBytes = 2 * 1024 * 1024;
    static constexpr qint64 kMaxReviewBytes = 2 * 1024 * 1024;
    static constexpr float kEnabledTabAlpha = 1.0f;
    static constexpr float kDisabledTabAlpha = 0.4f;
    // How long after "Tell someone" from another tab the picture is taken, so it shows the
    // summary the page has flipped to.
    static constexpr int kSendEmailDelayMsecs = 400;

    // Opens an address from the page: a link in the review or screenshot page (no game), or a
    // related article's service address (with the game). By default the in-program viewer,
    // pushed above the page; tests replace it to watch, and an empty opener restores it.
    using LinkOpener = std::function<void(DetailPage* page, const QString& address, Game* game)>;
    static void setLinkOpener(LinkOpener opener);

    explicit DetailPage(QWidget* parent = nullptr);
    ~DetailPage() override;

    Game* game() const { return game_; }
    void setGame(Game* game) { game_ = game; }

    // Shows the catalogue's fields with the summary tab chosen, then starts the product query.
    // The list calls it once, after setGame and before the push.
    void viewDidLoad();
    // The catalogue's fields: title, genre, critic score, description, release, marks, star
    // bar and box art.
    void redrawCore();

    // The product query's address for the game, on the configured review service.
    QString getDetailURL() const;
    // Starts the product query and both activity indicators. Once per page.
    void getDetailXML();

    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override;
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override;

    // Reads the product document, starts the review request when it names one, and redraws.
    void parseDetailXML(const QString& body);
    // Reads the review document (or sets the failure text) and redraws.
    void parseReviewXML(const QString& body);
    // Fills screenshots (at most 35) and screenshotHTML from the product document.
    void parseScreenshots(const QString& body);
    QString getScreenshotPageTemplate() const;
    // The review page; null when its template cannot be read.
    QString getReviewInPageTemplate(const QString& reviewHTML, const QString& withMoreURL) const;

    static QString getFormattedDateStringFromTS(const QString& text);
    static QString getShortDateDisplayFromYMD(const QString& ymd);

    // Enables the tabs that have data (alpha 1.0, others 0.4) and shows the price.
    void redrawDetails();
    void setTabEnableState(QAbstractButton* tab, bool enabled);

    // The actions of the layout's controls.
    void tabButtonPressed(QObject* sender);
    void handleToggleButtons(QObject* sender);
    void optionsButtonPressed();
    void backPressed();
    void toggleWish();
    void togglePlayed();
    void saveGameData();
    void actionSheetClickedButton(const QString& buttonTitle);
    // The page's picture, framed, goes out with the game for the mail composer.
    void sendGameDetailsEmail();

    // The star bar's messages.
    void showMyScoreOveraly(float myScore) override;
    void hideMyScoreOveraly() override;
    void myScoreChanged() override;

    // The two web pages: a followed link opens through the link opener instead.
    bool shouldStartLoadWithRequest(WebView* webView, const QUrl& request,
                                    NavigationType navigationType) override;

    // The related articles.
    int numberOfRowsInSection(TableView* tableView, int section) override;
    TableViewCell* cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) override;
    std::optional<int> heightForRowAtIndexPath(TableView* tableView,
                                               const IndexPath& indexPath) override;
    void didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) override;

    void showWebBrowser(const QString& address);
    void showWebBrowserWithOtherURL(const QString& address);

    // Box art from the shared loader: the cached copy at once, else the waiting picture until
    // the download is announced.
    void loadBoxImage();
    void imagePullCompleted(const Notification& notification);
    bool isWaitingForBoxArt() const { return boxArtListener_.isListening(); }

    OrvConnection* detailsConnection() const { return detailsConnection_.get(); }
    OrvConnection* reviewConnection() const { return reviewConnection_.get(); }

    // The values read so far; null (or nothing) until they arrive or when they do not exist.
    const QString& price() const { return price_; }
    void setPrice(const QString& price) { price_ = price; }
    const QString& reviewLink() const { return reviewLink_; }
    void setReviewLink(const QString& reviewLink) { reviewLink_ = reviewLink; }
    const QString& reviewHTML() const { return reviewHTML_; }
    void setReviewHTML(const QString& reviewHTML) { reviewHTML_ = reviewHTML; }
    const QString& reviewBlurb() const { return reviewBlurb_; }
    void setReviewBlurb(const QString& reviewBlurb) { reviewBlurb_ = reviewBlurb; }
    const QString& reviewByName() const { return reviewByName_; }
    void setReviewByName(const QString& reviewByName) { reviewByName_ = reviewByName; }
    const QString& reviewDate() const { return reviewDate_; }
    void setReviewDate(const QString& reviewDate) { reviewDate_ = reviewDate; }
    const QList<std::shared_ptr<RelatedContent>>& relatedContentArray() const {
        return relatedContentArray_;
    }
    void setRelatedContentArray(const QList<std::shared_ptr<RelatedContent>>& related) {
        relatedContentArray_ = related;
    }
    const std::optional<QList<Screenshot>>& screenshots() const { return screenshots_; }
    void setScreenshots(const std::optional<QList<Screenshot>>& screenshots) {
        screenshots_ = screenshots;
    }
    const QString& screenshotHTML() const { return screenshotHTML_; }
    void setScreenshotHTML(const QString& screenshotHTML) { screenshotHTML_ = screenshotHTML; }

    Button* tabSummary() const;
    Button* tabReviews() const;
    Button* tabScreens() const;
    Button* tabOther() const;
    Button* btnWish() const;
    Button* btnPlayed() const;
    QAbstractButton* backButton() const;
    QAbstractButton* optionsButton() const;
    QLabel* titleLabel() const;
    QLabel* genreDescription() const;
    QTextBrowser* gameDescription() const;
    QLabel* scoreDisplay() const;
    QLabel* daysAwayString() const;
    QLabel* priceLabel() const;
    QlBoxImage* boxImage() const;
    WebView* reviewWebView() const;
    WebView* screensWebView() const;
    TableView* otherTable() const;
    QWidget* travelView() const;
    StarBarView* starBarView() const;
    QWidget* myScoreOverlay() const;
    QLabel* myScoreOverlayLabel() const;
    ActivityIndicator* reviewActivityIndicator() const;
    ActivityIndicator* screensActivityIndicator() const;

Q_SIGNALS:
    // relatedContentArray was replaced; the list of related articles reloads on it.
    void relatedContentReloaded();
    // The tabs and the price show what has arrived so far (after each answer is read).
    void detailsRedrawn();

protected:
    // Escape goes back, as the back button does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void startMoveTravelView();
    void automaticallyFlipToSummaryTab();
    void showOptionsActionSheet();
    void _firePullBoxArt();
    // Selects the tab and shows its panel, without a metric or a page load.
    void showPanelForTab(QAbstractButton* tab);
    void openLink(const QString& address, Game* game);
    void fadeMyScoreOverlay(float toAlpha, float duration);

    std::unique_ptr<Ui::DetailPage> ui_;
    Game* game_ = nullptr;
    std::unique_ptr<OrvConnection> detailsConnection_;
    std::unique_ptr<OrvConnection> reviewConnection_;

    QString price_;
    QString reviewLink_;
    QString reviewHTML_;
    QString reviewBlurb_;
    QString reviewByName_;
    QString reviewDate_;
    QList<std::shared_ptr<RelatedContent>> relatedContentArray_;
    std::optional<QList<Screenshot>> screenshots_;
    QString screenshotHTML_;

    bool _reviewHTMLLoaded = false;
    bool _screenshotHTMLLoaded = false;
    // Measured once from a prototype cell, for the related articles' row heights.
    float titleFieldWidth = 0.0f;
    float titleFieldOrigHeight = 0.0f;
    float otherCellOrigHeight = 0.0f;
    QFont titleFont;

    BoxArtListener boxArtListener_;
    QPointer<QPropertyAnimation> myScoreOverlayFade_;
};
