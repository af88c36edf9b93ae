#include "DetailOtherCell.h"

#include <QFontMetrics>

#include "DetailDocuments.h"
#include "ui_DetailOtherCell.h"

DetailOtherCell::DetailOtherCell(QWidget* parent)
    : TableViewCell(kReuseIdentifier, parent), ui_(std::make_unique<Ui::DetailOtherCell>()) {
    ui_->setupUi(this);
    // The service's texts are never read as markup.
    for (QLabel* label : {ui_->title, ui_->blurb, ui_->typeDisplay, ui_->date}) {
        label->setTextFormat(Qt::PlainText);
    }
    blurbGap_ = ui_->blurb->y() - ui_->title->geometry().bottom();
}

DetailOtherCell::~DetailOtherCell() = default;

QLabel* DetailOtherCell::title() const {
    return ui_->title;
}

QLabel* DetailOtherCell::blurb() const {
    return ui_->blurb;
}

QLabel* DetailOtherCell::typeDisplay() const {
    return ui_->typeDisplay;
}

QLabel* DetailOtherCell::date() const {
    return ui_->date;
}

void DetailOtherCell::setContent(const std::shared_ptr<RelatedContent>& content) {
    content_ = content;
    const RelatedContent empty;
    const RelatedContent& shown = content_ ? *content_ : empty;
    ui_->title->setText(shown.title());
    ui_->blurb->setText(shown.blurb());
    ui_->date->setText(getFormattedDateStringFromTS(shown.dateTS()));
    ui_->typeDisplay->setText(shown.typeDisplay());

    QRect frame = ui_->title->geometry();
    frame.setHeight(titleHeight(shown.title(), ui_->title->font(), frame.width()));
    ui_->title->setGeometry(frame);
    ui_->blurb->move(ui_->blurb->x(), frame.bottom() + blurbGap_);
}

int DetailOtherCell::titleHeight(const QString& text, const QFont& font, int width) {
    const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, width, kMaxTitleHeight),
                                                         Qt::TextWordWrap, text);
    return qMin(needed.height(), kMaxTitleHeight);
}

QString DetailOtherCell::getFormattedDateStringFromTS(const QString& text) {
    return DetailDocuments::getFormattedDateStringFromTS(text);
}

QString DetailOtherCell::getShortDateDisplayFromYMD(const QString& ymd) {
    return DetailDocuments::getShortDateDisplayFromYMD(ymd);
}
