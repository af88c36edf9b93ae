#pragma once

#include <QString>
#include <clocale>

#include "ScopedEnv.h"

// Puts the process's C-library locale on German (decimal comma, "." grouping) for one scope, as
// Qt does at start for a user whose environment says LC_ALL=de_DE.UTF-8. The locale is built
// with localedef when the tests are built, so no machine needs it installed.
class CommaDecimalLocale {
public:
    // glibc reads LOCPATH at each setlocale call.
    CommaDecimalLocale()
        : previousLocale_(std::setlocale(LC_ALL, nullptr)),
          locPath_("LOCPATH", localePath().toLocal8Bit()),
          active_(std::setlocale(LC_ALL, kName) != nullptr) {}
    ~CommaDecimalLocale() { std::setlocale(LC_ALL, previousLocale_.constData()); }

    // False when the locale could not be set; the scope then changes nothing.
    bool active() const { return active_; }

    static constexpr const char* kName = "de_DE.UTF-8";
    // The folder to give a child process as LOCPATH, with LC_ALL=kName.
    static QString localePath() { return QStringLiteral(QUESTLOG_TEST_LOCALES); }

private:
    QByteArray previousLocale_;
    ScopedEnv locPath_;
    bool active_;
};
