#pragma once

#include <QByteArray>
#include <QString>

// Puts the process's C-library locale on German (decimal comma, "." grouping) for one scope, as
// Qt does at start for a user whose environment says LC_ALL=de_DE.UTF-8. The locale is built
// with localedef when the tests are built, so no machine needs it installed.
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when the locale could not be set; the scope then changes nothing.
    bool active() const { return active_; }

    static constexpr const char* kName = "de_DE.UTF-8";
    // The folder to give a child process as LOCPATH, with LC_ALL=kName.
    static QString localePath();

private:
    QByteArray previousLocale_;
    QByteArray previousLocPath_;
    bool hadLocPath_ = false;
    bool active_ = false;
};
