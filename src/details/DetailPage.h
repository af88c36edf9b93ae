#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

#include "ActivityIndicator.h"
#include "OrvConnection.h"
#include "OrvConnectionDelegate.h"
#include "RelatedContent.h"
#include "Screenshot.h"

class Game;

// The detail screen of one game: what the review service adds to the catalogue's fields.
// getDetailXML asks for the game's product document; it brings the price, the related articles,
// the screenshots and the address of the review, which a second request fetches. Each answer
// is read when it arrives and the tabs that depend on it are redrawn. The page owns both
// connections and cancels them when it goes away, so no answer reaches a page that is gone.
// Main thread only; the game belongs to the store context and must outlive the page.
class DetailPage : public QWidget, public OrvConnectionDelegate {
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
    static constexpr float kEnabledTabAlpha = 1.0f;
    static constexpr float kDisabledTabAlpha = 0.4f;

    explicit DetailPage(QWidget* parent = nullptr);
    ~DetailPage() override;

    Game* game() const { return game_; }
    void setGame(Game* game) { game_ = game; }

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

    QAbstractButton* tabSummary() const { return tabSummary_; }
    QAbstractButton* tabReviews() const { return tabReviews_; }
    QAbstractButton* tabScreens() const { return tabScreens_; }
    QAbstractButton* tabOther() const { return tabOther_; }
    QLabel* priceLabel() const { return priceLabel_; }
    ActivityIndicator* reviewActivityIndicator() const { return reviewActivityIndicator_; }
    ActivityIndicator* screensActivityIndicator() const { return screensActivityIndicator_; }

Q_SIGNALS:
    // relatedContentArray was replaced; the list of related articles reloads on it.
    void relatedContentReloaded();

private:
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

    // The controls the data drives; the screen's layout places them.
    QPointer<QAbstractButton> tabSummary_;
    QPointer<QAbstractButton> tabReviews_;
    QPointer<QAbstractButton> tabScreens_;
    QPointer<QAbstractButton> tabOther_;
    QPointer<QLabel> priceLabel_;
    QPointer<ActivityIndicator> reviewActivityIndicator_;
    QPointer<ActivityIndicator> screensActivityIndicator_;
};
