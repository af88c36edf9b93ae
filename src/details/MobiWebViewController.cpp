#include "MobiWebViewController.h"

#include <QKeyEvent>
#include <QShowEvent>

#include "ActionSheet.h"
#include "DetailDocuments.h"
#include "Format.h"
#include "Game.h"
#include "MailDelivery.h"
#include "Model.h"
#include "MyLog.h"
#include "NavigationController.h"
#include "NetworkActivityIndicator.h"
#include "SystemURLOpener.h"
#include "WebView.h"
#include "ui_MobiWebView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kHttp = u"http://"_s;
const QString kHttps = u"https://"_s;

bool isWebAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http"_s || url.scheme() == u"https"_s);
}

}  // namespace

void MobiWebViewController::pushOnto(NavigationController* navigation, const QString& address,
                                     Game* game) {
    if (navigation == nullptr) {
        return;
    }
    auto* viewer = new MobiWebViewController();
    viewer->setNavigationController(navigation);
    viewer->setGame(game);
    if (!navigation->pushViewController(viewer, true)) {
        delete viewer;
        return;
    }
    if (game != nullptr) {
        viewer->loadOtherContent(address);
    } else {
        viewer->setURL(address);
    }
}

MobiWebViewController::MobiWebViewController(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MobiWebView>()) {
    ui_->setupUi(this);
    ui_->webView->setDelegate(this);
    ui_->backButton->setEnabled(false);
    // The window never turns on a desktop, so the close button stays as it is in portrait.
    ui_->closeBrowserButton->setEnabled(true);
    connect(ui_->backButton, &QAbstractButton::clicked, this, [this] { ui_->webView->goBack(); });
    connect(ui_->actionButton, &QAbstractButton::clicked, this, [this] { showActions(); });
    connect(ui_->closeBrowserButton, &QAbstractButton::clicked, this, [this] { closePressed(); });
}

MobiWebViewController::~MobiWebViewController() {
    ui_->webView->setDelegate(nullptr);
    if (otherConnection_) {
        otherConnection_->cancel();
    }
    if (ui_->webView->isLoading()) {
        NetworkActivityIndicator::setVisible(false);
    }
}

void MobiWebViewController::setNavigationController(NavigationController* controller) {
    navigationController_ = controller;
}

void MobiWebViewController::setURL(const QString& address) {
    if (ui_->webView->isLoading()) {
        ui_->webView->stopLoading();
    }
    lastURL_ = address;
    ui_->webView->loadRequest(QUrl(address), WebView::CachePolicy::ReloadIgnoringLocalCacheData,
                              kRequestTimeoutSeconds);
    setNavTitle(address);
}

QString MobiWebViewController::cutTitle(const QString& text) {
    qsizetype at = text.indexOf(kHttp);
    if (at >= 0) {
        return text.mid(at + kHttp.size());
    }
    at = text.indexOf(kHttps);
    if (at >= 0) {
        return text.mid(at + kHttps.size());
    }
    return text;
}

void MobiWebViewController::setNavTitle(const QString& text) {
    ui_->titleLabel->setText(cutTitle(text));
}

void MobiWebViewController::loadOtherContent(const QString& address) {
    otherConnection_ = OrvConnection::connectionWithURLString(address, this);
    otherConnection_->setMaxBodyBytes(kMaxArticleBytes);
    otherConnection_->start();
}

void MobiWebViewController::orvConnectionSuccessWithConnection(OrvConnection* connection,
                                                               const QString& andBody) {
    ui_->activityIndicator->stopAnimating();
    if (connection == otherConnection_.get()) {
        parseOtherDataXML(andBody);
        Q_EMIT otherContentEnded(true);
    }
}

void MobiWebViewController::orvConnectionFailureWithConnection(OrvConnection*, const OrvError&) {
    MYLOG(u"Ouch, error with getting details"_s);
    ui_->activityIndicator->stopAnimating();
    Q_EMIT otherContentEnded(false);
}

void MobiWebViewController::parseOtherDataXML(const QString& body) {
    ui_->webView->setScalesPageToFit(false);
    article_ = DetailDocuments::relatedContentFromArticleDocument(body.toUtf8());
    if (game_ != nullptr) {
        article_->setUrlLink(game_->urlCriticonLink());
    }
    articleBaseURL_ = QUrl(Model::instanceOf()->gameSiteURL());
    ui_->webView->loadHTMLString(article_->htmlInPageTemplate(), articleBaseURL_);
    setNavTitle(article_->title());
}

bool MobiWebViewController::shouldStartLoadWithRequest(WebView* webView, const QUrl&,
                                                       NavigationType navigationType) {
    if (navigationType == NavigationType::LinkClicked) {
        webView->setScalesPageToFit(true);
    }
    return true;
}

void MobiWebViewController::webViewDidStartLoad(WebView*) {
    updateBackButton();
    NetworkActivityIndicator::setVisible(true);
    ui_->activityIndicator->startAnimating();
}

void MobiWebViewController::webViewDidFinishLoad(WebView* webView) {
    updateBackButton();
    endLoadIndicators();
    const QString title = webView->stringByEvaluatingJavaScriptFromString(u"document.title"_s);
    if (!title.isEmpty()) {
        setNavTitle(title);
    }
}

void MobiWebViewController::didFailLoadWithError(WebView*, const OrvError& error) {
    if (error.code == WebView::kErrorCancelled) {
        return;
    }
    endLoadIndicators();
}

void MobiWebViewController::updateBackButton() {
    ui_->backButton->setEnabled(ui_->webView->canGoBack());
}

void MobiWebViewController::endLoadIndicators() {
    NetworkActivityIndicator::setVisible(false);
    ui_->activityIndicator->stopAnimating();
}

void MobiWebViewController::showActions() {
    auto* sheet = new ActionSheet(kActionsTitle, kCancelTitle, QString(),
                                  {kLaunchTitle, kSendLinkTitle}, this);
    connect(sheet, &ActionSheet::clickedButtonAtIndex, this,
            [this](int, const QString& title) { actionSheetClickedButton(title); });
    sheet->showInView(this);
}

void MobiWebViewController::actionSheetClickedButton(const QString& buttonTitle) {
    const QString chosen = buttonTitle.toUpper();
    if (chosen.contains(u"LAUNCH"_s)) {
        const QString address = shareableAddress();
        if (!address.isEmpty()) {
            SystemURLOpener::openURL(QUrl(address));
        }
    } else if (chosen.contains(u"LINK IN EMAIL"_s)) {
        sendLinkInEmail();
    }
}

void MobiWebViewController::sendLinkInEmail() {
    launchMailAppOnDevice();
}

QString MobiWebViewController::shareableAddress() const {
    // An article is HTML of ours shown against the site's home page: that address is not the
    // article's, and the one last set is not the page shown once the user has followed a link.
    const QUrl shown = ui_->webView->requestURL();
    if (isWebAddress(shown) && !(article_ && shown == articleBaseURL_)) {
        return shown.toString();
    }
    if (!lastURL_.isNull()) {
        return lastURL_;
    }
    return article_ ? article_->urlLink() : QString();
}

QUrl MobiWebViewController::mailLinkURL(const QString& address, const QString& pageTitle) {
    const QString body = Format::format(
        u"Here is a web page I came across in Trillboard today. I thought it was interesting:\n\n%@\n"_s,
        address.isNull() ? u""_s : address);
    const QString subject = pageTitle.isNull() ? u"As seen in Trillboard today:"_s
                                               : Format::format(u"[Trillboard] %@"_s, pageTitle);
    return QUrl::fromEncoded("mailto:?body=" + QUrl::toPercentEncoding(body) +
                             "&subject=" + QUrl::toPercentEncoding(subject));
}

void MobiWebViewController::launchMailAppOnDevice() {
    const QString title = ui_->webView->stringByEvaluatingJavaScriptFromString(u"document.title"_s);
    // The desktop's mail program, or the outbox when one is set.
    MailDelivery::openMailtoURL(mailLinkURL(shareableAddress(), title));
}

void MobiWebViewController::closePressed() {
    if (navigationController_) {
        navigationController_->popViewControllerAnimated(true);
    }
}

void MobiWebViewController::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        viewWillAppear();
    }
    QWidget::showEvent(event);
}

void MobiWebViewController::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        viewWillDisappear();
    }
    QWidget::hideEvent(event);
}

void MobiWebViewController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        closePressed();
    } else if (event->key() == Qt::Key_Left && event->modifiers() == Qt::AltModifier) {
        if (ui_->webView->canGoBack()) {
            ui_->webView->goBack();
        }
    } else {
        QWidget::keyPressEvent(event);
    }
}

void MobiWebViewController::viewWillAppear() {
    setNavTitle(u""_s);
}

void MobiWebViewController::viewWillDisappear() {
    ui_->webView->stopLoading();
    NetworkActivityIndicator::setVisible(false);
}

WebView* MobiWebViewController::webView() const {
    return ui_->webView;
}
QAbstractButton* MobiWebViewController::backButton() const {
    return ui_->backButton;
}
QAbstractButton* MobiWebViewController::actionButton() const {
    return ui_->actionButton;
}
QAbstractButton* MobiWebViewController::closeBrowserButton() const {
    return ui_->closeBrowserButton;
}
QLabel* MobiWebViewController::titleLabel() const {
    return ui_->titleLabel;
}
ActivityIndicator* MobiWebViewController::activityIndicator() const {
    return ui_->activityIndicator;
}
