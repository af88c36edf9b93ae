#pragma once

#include <QPointF>
#include <QString>

#include "Format.h"

// The one diagnostic channel of the program. Each entry is prefixed with the caller's source
// file name and line; entries go to standard error as one line each (standard output for the
// no-lead form), so lines from different threads never mix. Keeps no state; any thread may
// call it. Callers use the MYLOG_* macros below, which pass __FILE__ and __LINE__.
class MyLog {
public:
    // The single instance, created on first use under a lock; never destroyed.
    static MyLog* sharedDebug();
    // Allocates the shared instance if there is none yet; answers nothing (nullptr) once it
    // exists, so a second instance can never be made.
    static MyLog* alloc();

    MyLog(const MyLog&) = delete;
    MyLog& operator=(const MyLog&) = delete;

    template <class... Args>
    void output(const char* fileName, int lineNumber, const QString& input, const Args&... args) {
        outputFinal(fileName, lineNumber, Format::format(input, args...));
    }

    template <class... Args>
    void outputError(const char* fileName, int lineNumber, const QString& input,
                     const Args&... args) {
        outputFinal(fileName, lineNumber, Format::format(input, args...));
    }

    // Silent (and its arguments never described) when the flag is 0.
    template <class... Args>
    void outputIf(qint32 flag, const char* fileName, int lineNumber, const QString& input,
                  const Args&... args) {
        if (flag != 0) {
            outputFinal(fileName, lineNumber, Format::format(input, args...));
        }
    }

    // Silent when the condition is greater than 1.
    template <class... Args>
    void outputOnCondition(qint32 condition, const char* fileName, int lineNumber,
                           const QString& input, const Args&... args) {
        if (condition <= 1) {
            outputFinal(fileName, lineNumber, Format::format(input, args...));
        }
    }

    template <class... Args>
    void outputToDo(const char* fileName, int lineNumber, const QString& input,
                    const Args&... args) {
        outputFinal(fileName, lineNumber, toDoBanner(Format::format(input, args...)));
    }

    // With a zero condition: the ASSERT banner, then the process ends.
    template <class... Args>
    void outputAssertOnCondition(quint8 condition, const char* fileName, int lineNumber,
                                 const QString& input, const Args&... args) {
        if (condition == 0) {
            failAssert(fileName, lineNumber, Format::format(input, args...));
        }
    }

    void outputPoint(const char* fileName, int lineNumber, const QString& input, QPointF point);
    void outputSection(const char* fileName, int lineNumber, const QString& sectionName);

    // The message alone and a line feed on standard output.
    template <class... Args>
    void outputNoLead(const QString& input, const Args&... args) {
        outputFinal(nullptr, -99, Format::format(input, args...));
    }

    // The step every entry ends in. A null file name with a negative line writes the text
    // alone through puts; anything else writes one lead line to standard error.
    void outputFinal(const char* fileName, int lineNumber, const QString& formattedString);

    // The banners as composed before the lead is put in front of them.
    static QString toDoBanner(const QString& message);
    static QString assertBanner(const QString& message);
    // "[file (line)]\tmessage" with the file name cut to its last path component.
    static QString leadLine(const char* fileName, int lineNumber, const QString& message);

private:
    MyLog() = default;
    ~MyLog() = default;

    // REQUIRES: the instance lock is held. Records the new instance as the shared one.
    static MyLog* allocLocked();

    [[noreturn]] void failAssert(const char* fileName, int lineNumber, const QString& message);
};

#define MYLOG(...) MyLog::sharedDebug()->output(__FILE__, __LINE__, __VA_ARGS__)
#define MYLOG_ERROR(...) MyLog::sharedDebug()->outputError(__FILE__, __LINE__, __VA_ARGS__)
#define MYLOG_IF(flag, ...) MyLog::sharedDebug()->outputIf((flag), __FILE__, __LINE__, __VA_ARGS__)
#define MYLOG_ON_CONDITION(condition, ...) \
    MyLog::sharedDebug()->outputOnCondition((condition), __FILE__, __LINE__, __VA_ARGS__)
#define MYLOG_TODO(...) MyLog::sharedDebug()->outputToDo(__FILE__, __LINE__, __VA_ARGS__)
#define MYLOG_ASSERT(condition, ...)                                                              \
    MyLog::sharedDebug()->outputAssertOnCondition(static_cast<quint8>(bool(condition)), __FILE__, \
                                                  __LINE__, __VA_ARGS__)
#define MYLOG_POINT(label, point) \
    MyLog::sharedDebug()->outputPoint(__FILE__, __LINE__, (label), (point))
#define MYLOG_SECTION(name) MyLog::sharedDebug()->outputSection(__FILE__, __LINE__, (name))
#define MYLOG_NOLEAD(...) MyLog::sharedDebug()->outputNoLead(__VA_ARGS__)
