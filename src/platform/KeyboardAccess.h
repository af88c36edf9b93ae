#pragma once

#include <QKeySequence>
#include <QList>
#include <functional>

class QWidget;

// What a screen of handset pictures needs to be used without a pointer. GUI thread only.
class KeyboardAccess {
public:
    // Tab walks the widgets in this order (hidden ones are passed over); its Buttons take the
    // focus by Tab alone, so a click leaves no focus frame on the handset's pictures, and are
    // pressed with Space.
    static void chainTabOrder(const QList<QWidget*>& order);
    // A shortcut that acts only while the keyboard is within `screen`, so never beneath a sheet
    // or from another screen. Owned by the screen.
    static void addShortcut(QWidget* screen, const QKeySequence& keys,
                            const std::function<void()>& action);
};
