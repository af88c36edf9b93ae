#pragma once

#include <gtest/gtest.h>

#include <QString>

// Collects what the program writes to standard error while it lives; read it once with text().
// The one way tests look at the log and the console.
class CapturedConsole {
public:
    CapturedConsole() { testing::internal::CaptureStderr(); }
    ~CapturedConsole() {
        if (!read_) {
            text();
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
