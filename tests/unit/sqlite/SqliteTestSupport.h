#pragma once

#include <QDir>
#include <QString>

#include "CapturedConsole.h"

// A file path in the test's own data home.
inline QString homeFile(const QString& name) {
    return QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(name);
}
