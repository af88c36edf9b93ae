#include "ActionSheet.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// GUI thread only, like the sheets themselves.
QList<ActionSheet*>& openSheets() {
    static QList<ActionSheet*> sheets;
    return sheets;
}

}  // namespace

ActionSheet::ActionSheet(const QString& title, const QString& cancelButtonTitle,
                         const QString& destructiveButtonTitle,
                         const QStringList& otherButtonTitles, QWidget* parent)
    : QDialog(parent), title_(title) {
    // A child layer over the window rather than a window of its own.
    setWindowFlags(Qt::Widget);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(u"actionSheet"_s);

    panel_ = new QFrame(this);
    panel_->setObjectName(u"actionSheetPanel"_s);
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(panel_);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    if (!title.isEmpty()) {
        auto* label = new QLabel(title, panel_);
        label->setObjectName(u"actionSheetTitle"_s);
        // The title may come from a link opened from outside: never read it as markup.
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        layout->addWidget(label);
    }

    if (!destructiveButtonTitle.isEmpty()) {
        destructiveButtonIndex_ = int(titles_.size());
        addButton(destructiveButtonTitle);
        buttons_.last()->setStyleSheet(u"color: #c00000; font-weight: bold;"_s);
    }
    for (const QString& other : otherButtonTitles) {
        if (firstOtherButtonIndex_ < 0) {
            firstOtherButtonIndex_ = int(titles_.size());
        }
        addButton(other);
    }
    if (!cancelButtonTitle.isEmpty()) {
        cancelButtonIndex_ = int(titles_.size());
        layout->addSpacing(6);
        addButton(cancelButtonTitle);
    }
    connect(this, &QDialog::finished, this, &ActionSheet::forget);
    connect(this, &QDialog::finished, this, &ActionSheet::giveBackFocus);
    setAccessibleName(title);
}

ActionSheet::~ActionSheet() {
    forget();
}

void ActionSheet::addButton(const QString& buttonTitle) {
    const int index = int(titles_.size());
    // A lone "&" would become a keyboard mnemonic instead of showing.
    auto* button = new QPushButton(QString(buttonTitle).replace(u'&', u"&&"_s), panel_);
    button->setObjectName(u"actionSheetButton%1"_s.arg(index));
    button->setAutoDefault(false);
    button->setMinimumHeight(40);
    connect(button, &QPushButton::clicked, this, [this, index] { press(index); });
    panel_->layout()->addWidget(button);
    titles_.append(buttonTitle);
    buttons_.append(button);
}

bool ActionSheet::showInView(QWidget* view) {
    if (!view) {
        MYLOG(u"ActionSheet: [%@] has no view to show in"_s, title_);
        return false;
    }
    QWidget* window = view->window();
    if (window_ != window) {
        if (window_) {
            window_->removeEventFilter(this);
        }
        window_ = window;
        setParent(window, Qt::Widget);
        window->installEventFilter(this);
    }
    coverWindow();
    if (!openSheets().contains(this)) {
        openSheets().append(this);
    }
    open();
    raise();
    takeFocus();
    return true;
}

void ActionSheet::takeFocus() {
    if (buttons_.isEmpty()) {
        return;
    }
    QWidget* focused = QApplication::focusWidget();
    if (focused && !isAncestorOf(focused)) {
        previousFocus_ = focused;
    }
    buttons_.at(cancelButtonIndex_ >= 0 ? cancelButtonIndex_ : 0)->setFocus(Qt::PopupFocusReason);
}

void ActionSheet::giveBackFocus() {
    if (previousFocus_ && previousFocus_->isVisible()) {
        previousFocus_->setFocus(Qt::PopupFocusReason);
    }
}

QString ActionSheet::buttonTitleAtIndex(int buttonIndex) const {
    if (buttonIndex < 0 || buttonIndex >= titles_.size()) {
        return {};
    }
    return titles_.at(buttonIndex);
}

bool ActionSheet::dismissWithClickedButtonIndex(int buttonIndex, bool animated) {
    Q_UNUSED(animated);
    if (buttonIndex < 0 || buttonIndex >= titles_.size()) {
        MYLOG(u"ActionSheet: [%@] has no button %d"_s, title_, buttonIndex);
        return false;
    }
    press(buttonIndex);
    return true;
}

QList<ActionSheet*> ActionSheet::visibleSheets() {
    return openSheets();
}

void ActionSheet::reject() {
    if (cancelButtonIndex_ >= 0) {
        press(cancelButtonIndex_);
    }
}

void ActionSheet::press(int buttonIndex) {
    // One answer per sheet, even if a second press arrives before it has closed.
    if (answered_) {
        return;
    }
    answered_ = true;
    forget();
    QPointer<ActionSheet> self(this);
    Q_EMIT clickedButtonAtIndex(buttonIndex, titles_.at(buttonIndex));
    if (self) {
        done(buttonIndex == cancelButtonIndex_ ? QDialog::Rejected : QDialog::Accepted);
    }
}

void ActionSheet::coverWindow() {
    if (!window_) {
        return;
    }
    setGeometry(window_->rect());
    const int height = qMin(panel_->sizeHint().height(), window_->height());
    panel_->setGeometry(0, window_->height() - height, window_->width(), height);
}

bool ActionSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Resize) {
        coverWindow();
    }
    return QDialog::eventFilter(watched, event);
}

void ActionSheet::forget() {
    openSheets().removeAll(this);
}
