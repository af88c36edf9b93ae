#pragma once

#include <QString>

#include "EventWait.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Questlog3AppDelegate.h"

// Starts the program and waits, on the event, until its first install of the shipped catalogue
// has ended.
inline bool launchUntilInstalled(Questlog3AppDelegate& delegate) {
    EventWait installed;
    NotificationCenter::defaultCenter()->addObserver(
        &installed, QStringLiteral("NOTIF_INSTALLING_BUNDLE_FILE_END"),
        [&](const Notification&) { installed.done(); });
    delegate.applicationDidFinishLaunching();
    const bool done = installed.wait(60000);
    NotificationCenter::defaultCenter()->removeObserver(&installed);
    return done;
}
