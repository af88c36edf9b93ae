#include "DetailPage.h"

#include <QPushButton>
#include <QUrl>

#include "DetailDocuments.h"
#include "Format.h"
#include "Game.h"
#include "Model.h"
#include "MyLog.h"
#include "StringExtensions.h"
#include "StringFunctions.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QAbstractButton* makeTab(const QString& title, QWidget* parent) {
    auto* tab = new QPushButton(title, parent);
    tab->setCheckable(true);
    return tab;
}

}  // namespace

DetailPage::DetailPage(QWidget* parent)
    : QWidget(parent),
      tabSummary_(makeTab(u"Summary"_s, this)),
      tabReviews_(makeTab(u"Reviews"_s, this)),
      tabScreens_(makeTab(u"Screens"_s, this)),
      tabOther_(makeTab(u"Other"_s, this)),
      priceLabel_(new QLabel(this)),
      reviewActivityIndicator_(new ActivityIndicator(this)),
      screensActivityIndicator_(new ActivityIndicator(this)) {
    priceLabel_->setTextFormat(Qt::PlainText);
    // Until the product document arrives only the summary has anything to show.
    redrawDetails();
}

DetailPage::~DetailPage() {
    if (reviewConnection_) {
        reviewConnection_->cancel();
    }
    if (detailsConnection_) {
        detailsConnection_->cancel();
    }
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
    detailsConnection_->start();
    reviewActivityIndicator_->startAnimating();
    screensActivityIndicator_->startAnimating();
}

void DetailPage::orvConnectionSuccessWithConnection(OrvConnection* connection,
                                                    const QString& andBody) {
    screensActivityIndicator_->stopAnimating();
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
    reviewActivityIndicator_->stopAnimating();
    screensActivityIndicator_->stopAnimating();
}

void DetailPage::parseDetailXML(const QString& body) {
    const QString gameLink = game_ ? game_->urlCriticonLink() : QString();
    relatedContentArray_ =
        DetailDocuments::relatedContentFromProductDocument(body.toUtf8(), gameLink);
    Q_EMIT relatedContentReloaded();

    if (!DetailDocuments::isProductDocument(body)) {
        MYLOG(u"invalid xml message %@"_s, body);
        reviewLink_ = QString();
        reviewActivityIndicator_->stopAnimating();
        redrawDetails();
        return;
    }
    price_ = DetailDocuments::priceFromProductDocument(body);

    reviewLink_ = DetailDocuments::reviewLinkFromProductDocument(body);
    if (!reviewLink_.isNull()) {
        reviewConnection_ = OrvConnection::connectionWithURLString(reviewLink_, this);
        reviewConnection_->setType(kReviewConnectionType);
        reviewConnection_->start();
    } else {
        reviewActivityIndicator_->stopAnimating();
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
    reviewActivityIndicator_->stopAnimating();
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
    setTabEnableState(tabReviews_, !reviewLink_.isNull());
    setTabEnableState(tabScreens_, screenshots_ && !screenshots_->isEmpty());
    setTabEnableState(tabOther_, !relatedContentArray_.isEmpty());
    priceLabel_->setText(isNotEmptyOrNilString(price_) ? Format::format(u"$%@"_s, price_) : u""_s);
}

void DetailPage::setTabEnableState(QAbstractButton* tab, bool enabled) {
    if (tab == nullptr) {
        return;
    }
    tab->setEnabled(enabled);
    ViewAlpha::setAlpha(tab, enabled ? kEnabledTabAlpha : kDisabledTabAlpha);
}
