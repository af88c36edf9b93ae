#include "NetworkActivityIndicator.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
bool shown = false;
}

void NetworkActivityIndicator::setVisible(bool visible) {
    if (visible == shown) {
        return;
    }
    shown = visible;
    // One override cursor of ours at most, so the stack of overrides stays balanced.
    if (visible) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

bool NetworkActivityIndicator::isVisible() {
    return shown;
}
