#include "CommaDecimalLocale.h"

#include <clocale>

CommaDecimalLocale::CommaDecimalLocale()
    : previousLocale_(std::setlocale(LC_ALL, nullptr)),
      previousLocPath_(qgetenv("LOCPATH")),
      hadLocPath_(qEnvironmentVariableIsSet("LOCPATH")) {
    // glibc reads LOCPATH at each setlocale call.
    qputenv("LOCPATH", localePath().toLocal8Bit());
    active_ = std::setlocale(LC_ALL, kName) != nullptr;
}

CommaDecimalLocale::~CommaDecimalLocale() {
    if (hadLocPath_) {
        qputenv("LOCPATH", previousLocPath_);
    } else {
        qunsetenv("LOCPATH");
    }
    std::setlocale(LC_ALL, previousLocale_.constData());
}

QString CommaDecimalLocale::localePath() {
    return QStringLiteral(QUESTLOG_TEST_LOCALES);
}
