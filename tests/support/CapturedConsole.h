#pragma once

#include <gtest/gtest.h>

#include <QString>

// Collects what the program writes to standard error (or standard output) while it lives; read
// it once with text(). The one way tests look at the log and the console.
class CapturedConsole {
public:
    enum class Stream { Error, Output };

    explicit CapturedConsole(Stream stream = Stream::Error) : stream_(stream) {
        if (stream_ == Stream::Error) {
            testing::internal::CaptureStderr();
        } else {
            testing::internal::CaptureStdout();
        }
    }
    ~CapturedConsole() {
        if (!read_) {
            take();
        }
    }
    CapturedConsole(const CapturedConsole&) = delete;
    CapturedConsole& operator=(const CapturedConsole&) = delete;

    QString text() {
        read_ = true;
        return QString::fromStdString(take());
    }

private:
    std::string take() {
        return stream_ == Stream::Error ? testing::internal::GetCapturedStderr()
                                        : testing::internal::GetCapturedStdout();
    }

    Stream stream_;
    bool read_ = false;
};
