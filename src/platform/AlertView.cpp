#include "AlertView.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPushButton>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A lone "&" would become a keyboard mnemonic instead of showing.
QString displayedTitle(const QString& title) {
    QString shown = title;
    return shown.replace(u'&', u"&&"_s);
}

// GUI thread only, like the alerts themselves.
QList<AlertView*>& openAlerts() {
    static QList<AlertView*> alerts;
    return alerts;
}

}  // namespace

AlertView::AlertView(const QString& title, const QString& message, const QString& cancelButtonTitle,
                     QWidget* parent)
    : QMessageBox(parent), title_(title), message_(message) {
    setAttribute(Qt::WA_DeleteOnClose);
    setIcon(QMessageBox::NoIcon);
    setWindowTitle(title);
    // Titles and messages may carry outside text (game titles): never read it as markup.
    setTextFormat(Qt::PlainText);
    setText(title);
    setInformativeText(message);
    if (auto* informative = findChild<QLabel*>(u"qt_msgbox_informativelabel"_s)) {
        informative->setTextFormat(Qt::PlainText);
    }
    if (!cancelButtonTitle.isEmpty()) {
        QPushButton* cancel = addButton(displayedTitle(cancelButtonTitle), QMessageBox::RejectRole);
        cancelButtonIndex_ = 0;
        buttons_.append(cancel);
        titles_.append(cancelButtonTitle);
        setEscapeButton(cancel);
        setDefaultButton(cancel);
    }
    connect(this, &QDialog::finished, this, &AlertView::reportFinished);
}

AlertView::~AlertView() {
    forget();
}

int AlertView::addButtonWithTitle(const QString& buttonTitle) {
    QPushButton* button = addButton(displayedTitle(buttonTitle), QMessageBox::AcceptRole);
    buttons_.append(button);
    titles_.append(buttonTitle);
    return int(buttons_.size()) - 1;
}

void AlertView::show() {
    if (!openAlerts().contains(this)) {
        openAlerts().append(this);
    }
    open();
}

QString AlertView::buttonTitleAtIndex(int buttonIndex) const {
    if (buttonIndex < 0 || buttonIndex >= buttons_.size()) {
        return {};
    }
    return titles_.at(buttonIndex);
}

bool AlertView::dismissWithClickedButtonIndex(int buttonIndex, bool animated) {
    Q_UNUSED(animated);
    if (buttonIndex < 0 || buttonIndex >= buttons_.size()) {
        MYLOG(u"AlertView: [%@] has no button %d"_s, title_, buttonIndex);
        return false;
    }
    buttons_.at(buttonIndex)->click();
    return true;
}

QList<AlertView*> AlertView::visibleAlerts() {
    return openAlerts();
}

// Every way out (a button, Escape, closing the window) ends here, with the pressed button, if
// any, in clickedButton().
void AlertView::reportFinished() {
    forget();
    const int index = int(buttons_.indexOf(clickedButton()));
    if (index >= 0) {
        Q_EMIT clickedButtonAtIndex(index, titles_.at(index));
    }
}

void AlertView::forget() {
    openAlerts().removeAll(this);
}
