#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

class QFrame;
class QPushButton;

// A choice among a few buttons, in the handset's manner: a panel at the bottom of the window,
// opened by showInView() WITHOUT a nested event loop (QDialog::open, never exec). It is a
// child layer of the view's window, not a window of its own, so it shows in snapshots of the
// window; the layer covers the whole window and takes its clicks while open. The layer itself
// is clear: a translucent full-window dimming would make Qt blend on its own worker threads.
//
// Button indexes: the destructive button (when given) is 0, the other buttons follow in order,
// the cancel button (when given) is last. Pressing a button emits clickedButtonAtIndex with the
// button's title and closes the sheet, which then deletes itself (WA_DeleteOnClose); Escape
// presses the cancel button. While open the sheet holds the keyboard (on its cancel button,
// else its first), so Escape, Tab and Space reach it; closed, the keyboard goes back where it
// was. Owned by its parent (the window) until then. GUI thread only.
class ActionSheet : public QDialog {
    Q_OBJECT

public:
    // Null or empty titles mean no title, no cancel button, no destructive button.
    ActionSheet(const QString& title, const QString& cancelButtonTitle,
                const QString& destructiveButtonTitle, const QStringList& otherButtonTitles = {},
                QWidget* parent = nullptr);
    ~ActionSheet() override;

    // Opens over the window of the view and returns at once. False (and a log line) for a null
    // view.
    bool showInView(QWidget* view);

    QString title() const { return title_; }
    int numberOfButtons() const { return int(titles_.size()); }
    QStringList buttonTitles() const { return titles_; }
    // Null when out of range.
    QString buttonTitleAtIndex(int buttonIndex) const;
    // -1 when the sheet has no such button.
    int cancelButtonIndex() const { return cancelButtonIndex_; }
    int destructiveButtonIndex() const { return destructiveButtonIndex_; }
    int firstOtherButtonIndex() const { return firstOtherButtonIndex_; }

    // Presses the button as the user would (clickedButtonAtIndex, then the sheet closes). False
    // (and nothing happens) when the index is out of range. The sheet has no animation.
    bool dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    // Sheets opened with showInView() and not yet answered, oldest first.
    static QList<ActionSheet*> visibleSheets();

Q_SIGNALS:
    void clickedButtonAtIndex(int buttonIndex, const QString& buttonTitle);

public Q_SLOTS:
    // Escape and other ways of backing out: the cancel button when there is one; a sheet without
    // one stays open, as on the handset.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addButton(const QString& buttonTitle);
    void press(int buttonIndex);
    void coverWindow();
    void forget();
    void takeFocus();
    void giveBackFocus();

    QString title_;
    QStringList titles_;
    QList<QPushButton*> buttons_;
    int cancelButtonIndex_ = -1;
    int destructiveButtonIndex_ = -1;
    int firstOtherButtonIndex_ = -1;
    QFrame* panel_ = nullptr;
    QPointer<QWidget> window_;
    // Where the keyboard was before the sheet took it.
    QPointer<QWidget> previousFocus_;
    bool answered_ = false;
};
