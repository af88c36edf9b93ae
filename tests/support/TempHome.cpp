#include "TempHome.h"

TempHome::TempHome()
    : dir_(QDir::tempPath() + QStringLiteral("/questlog-test-XXXXXX")),
      previous_(qgetenv("QUESTLOG_HOME")),
      hadPrevious_(qEnvironmentVariableIsSet("QUESTLOG_HOME")) {
    qputenv("QUESTLOG_HOME", dir_.path().toUtf8());
}

TempHome::~TempHome() {
    if (hadPrevious_) {
        qputenv("QUESTLOG_HOME", previous_);
    } else {
        qunsetenv("QUESTLOG_HOME");
    }
}
