#include "DetailPage.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>

#include "ActionSheet.h"
#include "AnimationFunctions.h"
#include "Animator.h"
#include "Button.h"
#include "DateFunctions.h"
#include "DetailDocuments.h"
#include "DetailOtherCell.h"
#include "Format.h"
#include "Game.h"
#include "GamePeriodLabeler.h"
#include "ImageLoader.h"
#include "KeyboardAccess.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "MyLog.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "QlBoxImage.h"
#include "QlMetricWriter.h"
#include "StarBarView.h"
#include "StringExtensions.h"
#include "StringFunctions.h"
#include "TableView.h"
#include "ViewAlpha.h"
#include "WebView.h"
#include "ui_DetailPage.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr float kDimmedAlpha = 0.3f;
constexpr float kOverlayFadeInSeconds = 0.2f;
constexpr float kOverlayFadeOutSeconds = 0.3f;
constexpr float kTravelSeconds = 0.3f;
const QPointF kTravelSummaryOrigin(0, 33);
const QPointF kTravelOtherOrigin(0, -127);
constexpr int kBoxBorderWidth = 2;

const QString kFeature = u"Details"_s;

// The in-program viewer, pushed above the page.
void openInViewer(DetailPage* page, const QString& address, Game* game) {
    MobiWebViewController::pushOnto(NavigationController::navigationControllerOf(page), address,
                                    game);
}

DetailPage::LinkOpener& linkOpener() {
    static DetailPage::LinkOpener opener = openInViewer;
    return opener;
}

void post(const QString& name, const QVariant& object = {}) {
    NotificationCenter::defaultCenter()->postNotificationName(name, object);
}

}  // namespace

void DetailPage::setLinkOpener(LinkOpener opener) {
    linkOpener() = opener ? std::move(opener) : LinkOpener(openInViewer);
}

DetailPage::DetailPage(QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::DetailPage>()),
      boxArtListener_([this](const Notification& note) { imagePullCompleted(note); }) {
    ui_->setupUi(this);
    ui_->starBarView->setDetailPageDelegate(this);
    ui_->reviewWebView->setDelegate(this);
    ui_->screensWebView->setDelegate(this);
    ui_->otherTable->setDataSource(this);
    ui_->otherTable->setDelegate(this);
    ViewAlpha::setAlpha(ui_->myScoreOverlay, 0.0f);
    ui_->myScoreOverlay->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (Button* tab : {ui_->tabSummary, ui_->tabReviews, ui_->tabScreens, ui_->tabOther}) {
        connect(tab, &QAbstractButton::clicked, this, [this, tab] { tabButtonPressed(tab); });
    }
    for (Button* toggle : {ui_->btnWish, ui_->btnPlayed}) {
        connect(toggle, &QAbstractButton::clicked, this,
                [this, toggle] { handleToggleButtons(toggle); });
    }
    connect(ui_->optionsButton, &QAbstractButton::clicked, this, &DetailPage::optionsButtonPressed);
    connect(ui_->backButton, &QAbstractButton::clicked, this, &DetailPage::backPressed);
    connect(this, &DetailPage::relatedContentReloaded, ui_->otherTable, &TableView::reloadData);

    // Reading order, for the keyboard.
    KeyboardAccess::chainTabOrder(
        {ui_->backButton, ui_->optionsButton, ui_->btnWish, ui_->btnPlayed, ui_->tabSummary,
         ui_->tabReviews, ui_->tabScreens, ui_->tabOther, ui_->gameDescription, ui_->starBarView,
         ui_->reviewWebView, ui_->screensWebView, ui_->otherTable});
    // Until the product document arrives only the summary has anything to show.
    redrawDetails();
}

DetailPage::~DetailPage() {
    // The web views outlive the page by a moment (children go last); they must not call back.
    ui_->reviewWebView->setDelegate(nullptr);
    ui_->screensWebView->setDelegate(nullptr);
    ui_->otherTable->setDataSource(nullptr);
    ui_->otherTable->setDelegate(nullptr);
    ui_->starBarView->setDetailPageDelegate(nullptr);
    if (reviewConnection_) {
        reviewConnection_->cancel();
    }
    if (detailsConnection_) {
        detailsConnection_->cancel();
    }
}

#define DETAIL_PAGE_CONTROL(Type, name) \
    Type* DetailPage::name() const {    \
        return ui_->name;               \
    }
DETAIL_PAGE_CONTROL(Button, tabSummary)
DETAIL_PAGE_CONTROL(Button, tabReviews)
DETAIL_PAGE_CONTROL(Button, tabScreens)
DETAIL_PAGE_CONTROL(Button, tabOther)
DETAIL_PAGE_CONTROL(Button, btnWish)
DETAIL_PAGE_CONTROL(Button, btnPlayed)
DETAIL_PAGE_CONTROL(QAbstractButton, backButton)
DETAIL_PAGE_CONTROL(QAbstractButton, optionsButton)
DETAIL_PAGE_CONTROL(QLabel, titleLabel)
DETAIL_PAGE_CONTROL(QLabel, genreDescription)
DETAIL_PAGE_CONTROL(QTextBrowser, gameDescription)
DETAIL_PAGE_CONTROL(QLabel, scoreDisplay)
DETAIL_PAGE_CONTROL(QLabel, daysAwayString)
DETAIL_PAGE_CONTROL(QLabel, priceLabel)
DETAIL_PAGE_CONTROL(QlBoxImage, boxImage)
DETAIL_PAGE_CONTROL(WebView, reviewWebView)
DETAIL_PAGE_CONTROL(WebView, screensWebView)
DETAIL_PAGE_CONTROL(TableView, otherTable)
DETAIL_PAGE_CONTROL(QWidget, travelView)
DETAIL_PAGE_CONTROL(StarBarView, starBarView)
DETAIL_PAGE_CONTROL(QWidget, myScoreOverlay)
DETAIL_PAGE_CONTROL(QLabel, myScoreOverlayLabel)
DETAIL_PAGE_CONTROL(ActivityIndicator, reviewActivityIndicator)
DETAIL_PAGE_CONTROL(ActivityIndicator, screensActivityIndicator)
#undef DETAIL_PAGE_CONTROL

// ---- Showing the game

void DetailPage::viewDidLoad() {
    redrawCore();
    showPanelForTab(ui_->tabSummary);
    setWindowTitle(game_ ? game_->title() : QString());
    getDetailXML();
}

void DetailPage::redrawCore() {
    redrawDetails();
    ui_->starBarView->setGame(game_);
    if (!game_) {
        return;
    }
    ui_->btnWish->setSelected(game_->myIsWished().value_or(0) != 0);
    ui_->btnPlayed->setSelected(game_->myIsPlayed().value_or(0) != 0);
    ui_->titleLabel->setText(game_->title());
    ui_->genreDescription->setText(game_->genreDescription());

    const float critic = game_->scoreCritic().value_or(0.0f);
    ui_->scoreDisplay->setText(critic > 0 ? Format::format(u"%.1f"_s, double(critic)) : u"n/a"_s);
    ViewAlpha::setAlpha(ui_->scoreDisplay, critic > 0 ? 1.0f : kDimmedAlpha);

    const QString description = game_->gameDescription();
    const bool hasDescription = !description.isNull() && description != u""_s;
    ui_->gameDescription->setPlainText(hasDescription ? description
                                                      : u"no description available"_s);
    ViewAlpha::setAlpha(ui_->gameDescription, hasDescription ? 1.0f : kDimmedAlpha);

    const QDateTime releaseDate = game_->releaseDate();
    ui_->daysAwayString->setText(GamePeriodLabeler::instanceOf()->getLabelForYMDString(
        releaseDate.isValid() ? DateFunctions::getYMDString(releaseDate) : QString()));
    loadBoxImage();
}

QString DetailPage::getDetailURL() const {
    const QString id = game_ ? game_->idCriticon() : QString();
    // The id is percent-encoded so that it can never add to or cut the query.
    return StringFunctions::replace(Model::instanceOf()->reviewServiceURL() + kProductQueryTemplate,
                                    u"**CRITICON_ID**"_s,
                                    QString::fromLatin1(QUrl::toPercentEncoding(id)));
}

void DetailPage::getDetailXML() {
    const QString url = getDetailURL();
    MYLOG_IF(0, u"detail url = [%@]"_s, url);
    detailsConnection_ = OrvConnection::connectionWithURLString(url, this);
    detailsConnection_->setType(kDetailsConnectionType);
    detailsConnection_->setMaxBodyBytes(kMaxProductBytes);
    detailsConnection_->start();
    ui_->reviewActivityIndicator->startAnimating();
    ui_->screensActivityIndicator->startAnimating();
}

void DetailPage::orvConnectionSuccessWithConnection(OrvConnection* connection,
                                                    const QString& andBody) {
    ui_->screensActivityIndicator->stopAnimating();
    if (connection == detailsConnection_.get()) {
        MYLOG_IF(0, u"detail xml = [%@]"_s, andBody);
        parseDetailXML(andBody);
    } else if (connection == reviewConnection_.get()) {
        MYLOG_IF(0, u"review xml = [%@]"_s, andBody);
        parseReviewXML(andBody);
    }
}

void DetailPage::orvConnectionFailureWithConnection(OrvConnection* connection,
                                                    const OrvError& andError) {
    MYLOG(u"Ouch, error with getting details"_s);
    if (connection == detailsConnection_.get()) {
        MYLOG_IF(0, u"detail pull failed = [%@]"_s, andError);
    } else if (connection == reviewConnection_.get()) {
        MYLOG_IF(0, u"review pull failed = [%@]"_s, andError);
    }
    ui_->reviewActivityIndicator->stopAnimating();
    ui_->screensActivityIndicator->stopAnimating();
}

void DetailPage::parseDetailXML(const QString& body) {
    const QString gameLink = game_ ? game_->urlCriticonLink() : QString();
    relatedContentArray_ =
        DetailDocuments::relatedContentFromProductDocument(body.toUtf8(), gameLink);
    Q_EMIT relatedContentReloaded();

    if (!DetailDocuments::isProductDocument(body)) {
        MYLOG(u"invalid xml message %@"_s, body);
        reviewLink_ = QString();
        ui_->reviewActivityIndicator->stopAnimating();
        redrawDetails();
        return;
    }
    price_ = DetailDocuments::priceFromProductDocument(body);

    reviewLink_ = DetailDocuments::reviewLinkFromProductDocument(body);
    if (!reviewLink_.isNull()) {
        reviewConnection_ = OrvConnection::connectionWithURLString(reviewLink_, this);
        reviewConnection_->setType(kReviewConnectionType);
        reviewConnection_->setMaxBodyBytes(kMaxReviewBytes);
        reviewConnection_->start();
    } else {
        ui_->reviewActivityIndicator->stopAnimating();
    }

    if (DetailDocuments::hasScreenshots(body)) {
        parseScreenshots(body);
    } else {
        screenshots_.reset();
        screenshotHTML_ = QString();
    }
    redrawDetails();
}

void DetailPage::parseReviewXML(const QString& body) {
    ui_->reviewActivityIndicator->stopAnimating();
    if (const std::optional<DetailDocuments::Review> review =
            DetailDocuments::reviewFromReviewDocument(body)) {
        reviewHTML_ = review->html;
        reviewBlurb_ = review->blurb;
        reviewByName_ = review->byName;
        reviewDate_ = review->date;
    } else {
        MYLOG(u"invalid xml message"_s);
        reviewHTML_ = kReviewFailureText;
    }
    redrawDetails();
}

void DetailPage::parseScreenshots(const QString& body) {
    screenshots_ = DetailDocuments::screenshotsFromProductDocument(body.toUtf8());
    screenshotHTML_ = getScreenshotPageTemplate();
}

QString DetailPage::getScreenshotPageTemplate() const {
    return DetailDocuments::screenshotPage(screenshots_.value_or(QList<Screenshot>()),
                                           game_ ? game_->urlCriticonLink() : QString());
}

QString DetailPage::getReviewInPageTemplate(const QString& reviewHTML,
                                            const QString& withMoreURL) const {
    return DetailDocuments::reviewPage(withMoreURL, reviewByName_, reviewDate_, reviewBlurb_,
                                       reviewHTML);
}

QString DetailPage::getFormattedDateStringFromTS(const QString& text) {
    return DetailDocuments::getFormattedDateStringFromTS(text);
}

QString DetailPage::getShortDateDisplayFromYMD(const QString& ymd) {
    return DetailDocuments::getShortDateDisplayFromYMD(ymd);
}

void DetailPage::redrawDetails() {
    setTabEnableState(ui_->tabReviews, !reviewLink_.isNull());
    setTabEnableState(ui_->tabScreens, screenshots_ && !screenshots_->isEmpty());
    setTabEnableState(ui_->tabOther, !relatedContentArray_.isEmpty());
    ui_->priceLabel->setText(isNotEmptyOrNilString(price_) ? Format::format(u"$%@"_s, price_)
                                                           : u""_s);
    Q_EMIT detailsRedrawn();
}

void DetailPage::setTabEnableState(QAbstractButton* tab, bool enabled) {
    if (tab == nullptr) {
        return;
    }
    tab->setEnabled(enabled);
    ViewAlpha::setAlpha(tab, enabled ? kEnabledTabAlpha : kDisabledTabAlpha);
}

// ---- Tabs

void DetailPage::showPanelForTab(QAbstractButton* tab) {
    for (Button* each : {ui_->tabSummary, ui_->tabReviews, ui_->tabScreens, ui_->tabOther}) {
        each->setSelected(each == tab);
    }
    ui_->gameDescription->setVisible(tab == ui_->tabSummary);
    ui_->reviewWebView->setVisible(tab == ui_->tabReviews);
    ui_->screensWebView->setVisible(tab == ui_->tabScreens);
    ui_->otherTable->setVisible(tab == ui_->tabOther);
}

void DetailPage::tabButtonPressed(QObject* sender) {
    auto* tab = qobject_cast<QAbstractButton*>(sender);
    showPanelForTab(tab);
    const QUrl base(Model::instanceOf()->reviewSiteURL());
    if (tab == ui_->tabScreens) {
        if (!screenshotHTML_.isNull() && !_screenshotHTMLLoaded) {
            ui_->screensWebView->loadHTMLString(screenshotHTML_, base);
            _screenshotHTMLLoaded = true;
        }
        QlMetricWriter::writeMetric(u"Tab: screens pressed"_s, kFeature);
    } else if (tab == ui_->tabReviews) {
        if (!reviewHTML_.isNull() && !_reviewHTMLLoaded) {
            ui_->reviewWebView->loadHTMLString(
                getReviewInPageTemplate(reviewHTML_, game_ ? game_->urlCriticonLink() : QString()),
                base);
            _reviewHTMLLoaded = true;
        }
        QlMetricWriter::writeMetric(u"Tab: reviews pressed"_s, kFeature);
    } else if (tab == ui_->tabOther) {
        QlMetricWriter::writeMetric(u"Tab: other pressed"_s, kFeature);
    } else if (tab == ui_->tabSummary) {
        QlMetricWriter::writeMetric(u"Tab: summary pressed"_s, kFeature);
    }
    startMoveTravelView();
}

void DetailPage::startMoveTravelView() {
    AnimationFunctions::moveView(
        ui_->travelView, ui_->tabSummary->isSelected() ? kTravelSummaryOrigin : kTravelOtherOrigin,
        kTravelSeconds);
}

void DetailPage::automaticallyFlipToSummaryTab() {
    tabButtonPressed(ui_->tabSummary);
}

// ---- Wish, played and score

void DetailPage::handleToggleButtons(QObject* sender) {
    if (sender == ui_->btnWish) {
        toggleWish();
        QlMetricWriter::writeMetric(u"Wish pressed"_s, kFeature);
    } else {
        togglePlayed();
        QlMetricWriter::writeMetric(u"Played pressed"_s, kFeature);
    }
    saveGameData();
}

void DetailPage::toggleWish() {
    if (!game_) {
        return;
    }
    const bool wished = game_->myIsWished().value_or(0) != 0;
    game_->setMyIsWished(wished ? 0 : 1);
    ui_->btnWish->setSelected(!wished);
    post(u"NOTIF_GAME_WISH_CHANGED"_s);
}

void DetailPage::togglePlayed() {
    if (!game_) {
        return;
    }
    if (game_->myIsPlayed().value_or(0) != 0) {
        game_->setMyIsPlayed(0);
        ui_->btnPlayed->setSelected(false);
    } else {
        game_->setMyIsPlayed(1);
        ui_->btnPlayed->setSelected(true);
        if (game_->myIsWished().value_or(0) != 0) {
            toggleWish();
        }
    }
    post(u"NOTIF_GAME_PLAYED_CHANGED"_s);
}

void DetailPage::saveGameData() {
    post(u"NOTIF_SAVE_GAME_DATA"_s);
}

void DetailPage::myScoreChanged() {
    if (game_ && game_->myScore().value_or(0.0f) > 0) {
        if (game_->myIsWished().value_or(0) != 0) {
            toggleWish();
        }
        if (game_->myIsPlayed().value_or(0) == 0) {
            togglePlayed();
        }
    }
    saveGameData();
    post(u"NOTIF_GAME_RATING_CHANGED"_s);
}

void DetailPage::showMyScoreOveraly(float myScore) {
    fadeMyScoreOverlay(1.0f, kOverlayFadeInSeconds);
    ui_->myScoreOverlayLabel->setText(Format::format(u"%.1f"_s, double(myScore)));
}

void DetailPage::hideMyScoreOveraly() {
    fadeMyScoreOverlay(0.0f, kOverlayFadeOutSeconds);
}

void DetailPage::fadeMyScoreOverlay(float toAlpha, float duration) {
    // A drag asks for the overlay on every step: a fade already on its way there runs on, and a
    // new one starts from where the overlay stands, so it is fully shown within the fade's time
    // however fast the steps come.
    if (myScoreOverlayFade_ && myScoreOverlayFade_->endValue().toFloat() == toAlpha) {
        return;
    }
    Animator::animate(&myScoreOverlayFade_, this, ViewAlpha::effect(ui_->myScoreOverlay), "opacity",
                      QVariant(), double(toAlpha), int(duration * 1000));
}

// ---- Telling others

void DetailPage::optionsButtonPressed() {
    showOptionsActionSheet();
}

void DetailPage::showOptionsActionSheet() {
    NavigationController* navigation = NavigationController::navigationControllerOf(this);
    QWidget* view = navigation && navigation->topViewController() ? navigation->topViewController()
                                                                  : static_cast<QWidget*>(this);
    auto* sheet = new ActionSheet(u"Tell others about this game"_s, u"Cancel"_s, u"Tell someone"_s,
                                  {}, view->window());
    connect(sheet, &ActionSheet::clickedButtonAtIndex, this,
            [this](int, const QString& title) { actionSheetClickedButton(title); });
    sheet->showInView(view);
}

void DetailPage::actionSheetClickedButton(const QString& buttonTitle) {
    if (!StringFunctions::contains(u"TELL"_s, buttonTitle.toUpper())) {
        return;
    }
    if (ui_->tabSummary->isSelected()) {
        sendGameDetailsEmail();
        return;
    }
    automaticallyFlipToSummaryTab();
    // Tied to the page: leaving it within the delay sends nothing.
    Animator::after(kSendEmailDelayMsecs, this, [this] { sendGameDetailsEmail(); });
}

void DetailPage::sendGameDetailsEmail() {
    const QImage picture = AnimationFunctions::borderImage(AnimationFunctions::imageFromView(this),
                                                           QColor(Qt::darkGray), kBoxBorderWidth);
    post(u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s,
         QVariantMap{{u"game"_s, QVariant::fromValue(game_)}, {u"screenshot"_s, picture}});
}

void DetailPage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        backPressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DetailPage::backPressed() {
    if (NavigationController* navigation = NavigationController::navigationControllerOf(this)) {
        navigation->popViewControllerAnimated(true);
    }
}

// ---- Links and related articles

bool DetailPage::shouldStartLoadWithRequest(WebView*, const QUrl& request,
                                            NavigationType navigationType) {
    if (navigationType == NavigationType::LinkClicked) {
        showWebBrowser(Format::format(u"%@"_s, request.toString()));
        return false;
    }
    return true;
}

void DetailPage::showWebBrowser(const QString& address) {
    openLink(address, nullptr);
}

void DetailPage::showWebBrowserWithOtherURL(const QString& address) {
    openLink(address, game_);
}

void DetailPage::openLink(const QString& address, Game* game) {
    linkOpener()(this, address, game);
}

int DetailPage::numberOfRowsInSection(TableView*, int) {
    return int(relatedContentArray_.size());
}

TableViewCell* DetailPage::cellForRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    auto* cell = qobject_cast<DetailOtherCell*>(
        tableView->dequeueReusableCellWithIdentifier(DetailOtherCell::kReuseIdentifier));
    if (!cell) {
        cell = new DetailOtherCell();
    }
    cell->setContent(relatedContentArray_.value(indexPath.row()));
    return cell;
}

std::optional<int> DetailPage::heightForRowAtIndexPath(TableView*, const IndexPath& indexPath) {
    if (titleFieldWidth < 1.0f) {
        const DetailOtherCell prototype;
        otherCellOrigHeight = float(prototype.height());
        titleFieldWidth = float(prototype.title()->width());
        titleFieldOrigHeight = float(prototype.title()->height());
        titleFont = prototype.title()->font();
    }
    const std::shared_ptr<RelatedContent> content = relatedContentArray_.value(indexPath.row());
    const int needed = DetailOtherCell::titleHeight(content ? content->title() : QString(),
                                                    titleFont, int(titleFieldWidth));
    return int(float(needed) - titleFieldOrigHeight + otherCellOrigHeight);
}

void DetailPage::didSelectRowAtIndexPath(TableView* tableView, const IndexPath& indexPath) {
    if (const std::shared_ptr<RelatedContent> content =
            relatedContentArray_.value(indexPath.row())) {
        showWebBrowserWithOtherURL(content->urlService());
    }
    tableView->deselectRowAtIndexPath(indexPath, true);
}

// ---- Box art

void DetailPage::loadBoxImage() {
    ui_->boxImage->setBorderWidth(kBoxBorderWidth);
    ImageLoader* loader = ImageLoader::instanceOf();
    const QString url = game_ ? game_->urlBoxArt() : QString();
    if (!url.isNull() && url.contains(u"http:"_s)) {
        const QImage cached = loader->getCachedOrDiskImageForImageURL(url);
        if (!cached.isNull()) {
            ui_->boxImage->setImage(cached);
            MYLOG_IF(0, u"Found game image in cache or disk [%@]"_s, game_->title());
            return;
        }
        ui_->boxImage->setImage(loader->loadingImage());
        _firePullBoxArt();
        return;
    }
    ui_->boxImage->setImage(loader->notFoundImage());
    MYLOG_IF(0, u"Game does not have a valid box art URL %@"_s, game_ ? game_->title() : QString());
}

void DetailPage::_firePullBoxArt() {
    ImageLoader* loader = ImageLoader::instanceOf();
    boxArtListener_.listen(game_->urlBoxArt());
    const QImage answer = loader->getImageForImageURL(game_->urlBoxArt());
    if (answer != loader->loadingImage()) {
        boxArtListener_.stop();
    }
    ui_->boxImage->setImage(answer);
}

void DetailPage::imagePullCompleted(const Notification& notification) {
    MYLOG_IF(0, u"Caught completed notification %@"_s, boxArtListener_.name());
    const QVariantMap& details = notification.userInfo();
    if (game_ && details.value(u"imageURL"_s).toString() == game_->urlBoxArt()) {
        ui_->boxImage->setImage(details.value(u"image"_s).value<QImage>());
        MYLOG_IF(0, u"imagePullCompleted: Image set... %@"_s, game_->title());
    }
    boxArtListener_.stop();
}
