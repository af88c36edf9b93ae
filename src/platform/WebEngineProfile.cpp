#include "WebEngineProfile.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QWebEngineProfile>

#include "Console.h"
#include "FileFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QWebEngineProfile* profile = nullptr;

void deleteProfile() {
    delete profile;
    profile = nullptr;
}

}  // namespace

QWebEngineProfile* WebEngineProfile::shared() {
    if (profile != nullptr) {
        return profile;
    }
    if (addEngineSwitches()) {
        Console::log(u"Running as root: web pages run without Chromium's sandbox"_s);
    }
    const QString home = FileFunctions::getDocumentDirectoryPath() + u"/WebEngine"_s;
    QDir().mkpath(home);
    profile = new QWebEngineProfile(u"Questlog"_s);
    profile->setPersistentStoragePath(home + u"/Storage"_s);
    profile->setCachePath(home + u"/Cache"_s);
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // Post routines run last-added first: the engine added its own shutdown when the profile
    // started it, so this one runs before it, while the engine can still flush the cache.
    qAddPostRoutine(deleteProfile);
    return profile;
}

bool WebEngineProfile::exists() {
    return profile != nullptr;
}

bool WebEngineProfile::addEngineSwitches() {
    QByteArrayList switches;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.startsWith("offscreen") || platform.startsWith("minimal")) {
        switches << "--disable-gpu";
    }
    const bool root = geteuid() == 0;
    if (root) {
        switches << "--no-sandbox";
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArrayList present = flags.split(' ');
    for (const QByteArray& flag : switches) {
        if (!present.contains(flag)) {
            flags += (flags.isEmpty() ? "" : " ") + flag;
        }
    }
    if (!flags.isEmpty()) {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    }
    return root;
}
