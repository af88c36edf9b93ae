#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <vector>

#include "ActionSheet.h"
#include "Animator.h"
#include "NavigationController.h"

// Random hands on a window of the program: clicks (left, double, right), drags by mouse and by
// finger, keys, wheel turns and answers to whatever popup is open, all from one seeded generator
// and delivered as the window system delivers them. Knows nothing of the screens.
class MonkeyHands {
public:
    MonkeyHands(QWidget* window, NavigationController* navigation, quint32 seed)
        : window_(window), navigation_(navigation), random_(seed) {}

    QWidget* window() const { return window_; }
    int draw(int below) { return random_.bounded(below); }

    // Whatever takes the window's input from the screens: a menu, a dialog, a sheet, a mail.
    QWidget* popup() const {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            return menu;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            return modal;
        }
        const QList<ActionSheet*> sheets = ActionSheet::visibleSheets();
        return sheets.isEmpty() ? navigation_->modalViewController() : sheets.last();
    }
    // Plays out what the last action set going: events, then the program's delays.
    void settle() {
        QCoreApplication::processEvents();
        Animator::runPendingDelays();
        QCoreApplication::processEvents();
        // The window manager's part: the window is active again once no dialog is open.
        if (!QApplication::activeModalWidget() && !window_->isActiveWindow()) {
            window_->activateWindow();
            QCoreApplication::processEvents();
        }
    }

    // The actions; each answers false when it has nothing to act on now.
    bool click() {
        const QPoint at = somewhere(window_);
        const int kind = draw(8);
        if (kind == 1) {
            // Some of Qt's own context menus (a scroll bar's) run an event loop of their own:
            // the menu is closed from inside it, as a user closes it.
            QTimer::singleShot(0, qApp, [] {
                if (QWidget* menu = QApplication::activePopupWidget()) {
                    menu->close();
                }
            });
        }
        QTest::mouseEvent(kind == 0 ? QTest::MouseDClick : QTest::MouseClick,
                          window_->windowHandle(), kind == 1 ? Qt::RightButton : Qt::LeftButton, {},
                          at);
        return true;
    }
    bool dragAnywhere() { return drag(somewhere(window_), somewhere(window_)), true; }
    bool key() {
        static const QList<Qt::Key> keys = {
            Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Left,  Qt::Key_Right,  Qt::Key_PageUp,
            Qt::Key_PageDown, Qt::Key_Home,   Qt::Key_End,   Qt::Key_Tab,    Qt::Key_Backtab,
            Qt::Key_Return,   Qt::Key_Escape, Qt::Key_Space, Qt::Key_Delete, Qt::Key_Backspace,
            Qt::Key_0,        Qt::Key_3,      Qt::Key_5,     Qt::Key_A,      Qt::Key_Z};
        // To the active window: the dialog open over the window, or the window. Not to a folder
        // chooser, whose Return may ask a question in an event loop of its own.
        QWidget* modal = QApplication::activeModalWidget();
        if (qobject_cast<QFileDialog*>(modal)) {
            return false;
        }
        QTest::keyClick((modal ? modal->window() : window_)->windowHandle(), pick(keys));
        return true;
    }
    bool scroll() {
        const QPoint at = somewhere(window_);
        QWidget* under = window_->childAt(at);
        if (!under) {
            return false;
        }
        QWheelEvent wheel(under->mapFrom(window_, at), window_->mapToGlobal(at), {},
                          QPoint(0, 120 * (draw(11) - 5)), Qt::NoButton, {}, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(under, &wheel);
        return true;
    }
    bool answerPopup() {
        QWidget* open = popup();
        if (!open) {
            return false;
        }
        QList<QAbstractButton*> buttons;
        for (QAbstractButton* button : open->findChildren<QAbstractButton*>()) {
            if (button->isVisible() && button->isEnabled()) {
                buttons.append(button);
            }
        }
        // A folder chooser (a draft's) is backed out of, as its buttons make folders; a menu (a
        // text's own) is closed.
        if (!qobject_cast<QFileDialog*>(open) && !buttons.isEmpty()) {
            QTest::mouseClick(pick(buttons), Qt::LeftButton);
        } else if (auto* dialog = qobject_cast<QDialog*>(open)) {
            dialog->reject();
        } else {
            open->close();
        }
        return true;
    }

protected:
    template <class List>
    typename List::value_type pick(const List& among) {
        return among.at(draw(int(among.size())));
    }
    QPoint inWindow(const QWidget* widget, QPoint point) const {
        return widget->mapTo(window_, point);
    }
    QPoint centreOf(const QWidget* widget) const {
        return inWindow(widget, widget->rect().center());
    }
    // A point on the widget, or up to `margin` beyond its edges.
    QPoint somewhere(const QWidget* widget, int margin = 0) {
        const QRect area = widget->rect().adjusted(-margin, -margin, margin, margin);
        return inWindow(widget,
                        QPoint(area.x() + draw(area.width()), area.y() + draw(area.height())));
    }
    void clickAt(QPoint at) { QTest::mouseClick(window_->windowHandle(), Qt::LeftButton, {}, at); }
    // A click at the widget's centre; true when it went where it was aimed, with nothing
    // covering the widget there (judged before the click, which may take the widget away).
    bool press(QWidget* widget) {
        if (!widget || !widget->isVisible()) {
            return false;
        }
        const QWidget* under = window_->childAt(centreOf(widget));
        const bool aimed = !popup() && (under == widget || widget->isAncestorOf(under));
        clickAt(centreOf(widget));
        return aimed;
    }
    // Press, one to four moves, release: with the mouse, or now and then with a finger.
    void drag(QPoint from, QPoint to) {
        static QPointingDevice* const finger = QTest::createTouchDevice();
        QWindow* handle = window_->windowHandle();
        const int steps = 1 + draw(4);
        const bool touch = draw(3) == 0;
        touch ? void(QTest::touchEvent(handle, finger).press(0, from, handle))
              : QTest::mousePress(handle, Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + (to - from) * i / steps;
            touch ? void(QTest::touchEvent(handle, finger).move(0, at, handle))
                  : QTest::mouseMove(handle, at);
        }
        touch ? void(QTest::touchEvent(handle, finger).release(0, to, handle))
              : QTest::mouseRelease(handle, Qt::LeftButton, {}, to);
    }

private:
    QWidget* window_;
    NavigationController* navigation_;
    QRandomGenerator random_;
};
