#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QAbstractButton;

// A message with a title and one or more buttons, in the handset's manner: show() opens it
// window-modal WITHOUT a nested event loop (QDialog::open, never exec), so timers keep running
// and tests can answer it. Button indexes: the cancel button (when given) is 0, buttons added
// with addButtonWithTitle follow in order. Pressing a button emits clickedButtonAtIndex and
// closes the alert, which then deletes itself (WA_DeleteOnClose); Escape presses the cancel
// button. Owned by its parent (the window) until then. GUI thread only.
class AlertView : public QMessageBox {
    Q_OBJECT

public:
    // A null or empty cancel title means no cancel button.
    AlertView(const QString& title, const QString& message, const QString& cancelButtonTitle,
              QWidget* parent = nullptr);
    ~AlertView() override;

    // Answers the new button's index.
    int addButtonWithTitle(const QString& buttonTitle);

    // Opens without blocking; returns at once.
    void show();

    QString title() const { return title_; }
    QString message() const { return message_; }
    QStringList buttonTitles() const { return titles_; }
    int numberOfButtons() const { return int(buttons_.size()); }
    // Null when out of range.
    QString buttonTitleAtIndex(int buttonIndex) const;
    // -1 without a cancel button.
    int cancelButtonIndex() const { return cancelButtonIndex_; }

    // Presses the button as the user would (clickedButtonAtIndex, then the alert closes). False
    // (and nothing happens) when the index is out of range. The alert has no animation.
    bool dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    // Alerts opened with show() and not yet answered, oldest first.
    static QList<AlertView*> visibleAlerts();

Q_SIGNALS:
    void clickedButtonAtIndex(int buttonIndex, const QString& buttonTitle);

private:
    void reportFinished();
    void forget();

    QString title_;
    QString message_;
    QList<QAbstractButton*> buttons_;
    QStringList titles_;
    int cancelButtonIndex_ = -1;
};
