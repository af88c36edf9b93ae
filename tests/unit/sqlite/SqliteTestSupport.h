#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QString>

// Collects what the console writes to standard error while it lives; read it once.
class CapturedConsole {
public:
    CapturedConsole() { testing::internal::CaptureStderr(); }
    ~CapturedConsole() {
        if (!read_) {
            testing::internal::GetCapturedStderr();
        }
    }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    QString text() {
        read_ = true;
        return QString::fromStdString(testing::internal::GetCapturedStderr());
    }

private:
    bool read_ = false;
};

// A file path in the test's own data home.
inline QString homeFile(const QString& name) {
    return QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(name);
}
