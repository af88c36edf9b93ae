#pragma once

#include <gtest/gtest.h>

#include <QString>

// Collects what the program writes to standard error (or standard output) while it lives; read
// it once with text(). The one way tests look at the log and the console.
class CapturedConsole {
public:
    enum class Stream { Error, Output };

    explicit CapturedConsole(Stream stream = Stream::Error) : error_(stream == Stream::Error) {
        error_ ? testing::internal::CaptureStderr() : testing::internal::CaptureStdout();
    }
    ~CapturedConsole() {
        if (!read_) {
            text();
        }
    }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    QString text() {
        read_ = true;
        return QString::fromStdString(error_ ? testing::internal::GetCapturedStderr()
                                             : testing::internal::GetCapturedStdout());
    }

private:
    bool error_;
    bool read_ = false;
};
