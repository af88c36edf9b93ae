#include "MyLog.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>
#include <cstdlib>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

// instanceMutex guards the following state.
std::mutex instanceMutex;
MyLog* sharedInstance = nullptr;

// "+", 49 pairs " -", " +": 101 characters.
const QString kBorder =
    u"+ - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - "
    u"- - - - - +"_s;

QString banner(const QString (&art)[5], const QString& message) {
    QString text = u"\n"_s + kBorder + u"\n"_s;
    for (int i = 0; i < 5; ++i) {
        text += art[i];
        if (i == 2) {
            text += u"\t"_s + message;
        }
        text += u"\n"_s;
    }
    return text + kBorder + u"\n"_s;
}

// One write call per entry, so entries from different threads never interleave.
void writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written <= 0) {
            return;  // the console is gone; the log reports nothing about itself
        }
        data += written;
        left -= written;
    }
}

QString processName() {
    const QString name =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : QString();
    return name.isEmpty() ? u"questlog"_s : name;
}

}  // namespace

MyLog* MyLog::alloc() {
    // Called with instanceMutex held by sharedDebug, or alone by a caller who wants a second
    // instance and must get none.
    if (sharedInstance) {
        return nullptr;
    }
    sharedInstance = new MyLog();
    return sharedInstance;
}

MyLog* MyLog::sharedDebug() {
    std::lock_guard lock(instanceMutex);
    if (!sharedInstance) {
        alloc();
    }
    return sharedInstance;
}

QString MyLog::leadLine(const char* fileName, int lineNumber, const QString& message) {
    const QString path = QString::fromUtf8(fileName ? fileName : "");
    const QString lastComponent = path.mid(path.lastIndexOf(u'/') + 1);
    return Format::format(u"[%s (%d)]\t%@"_s, lastComponent, lineNumber, message);
}

void MyLog::outputFinal(const char* fileName, int lineNumber, const QString& formattedString) {
    if (lineNumber < 0 && fileName == nullptr) {
        const QByteArray text = formattedString.toUtf8();
        std::fflush(stdout);
        std::puts(text.constData());
        std::fflush(stdout);
        return;
    }
    const QString stamp = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s);
    const QString entry = Format::format(u"%@ %@[%d:%ld] "_s, stamp, processName(), int(::getpid()),
                                         long(::gettid())) +
                          leadLine(fileName, lineNumber, formattedString) + u"\n"_s;
    writeAll(STDERR_FILENO, entry.toUtf8());
}

void MyLog::outputPoint(const char* fileName, int lineNumber, const QString& input, QPointF point) {
    // The point is kept in single precision, then widened for printing.
    const double x = float(point.x());
    const double y = float(point.y());
    outputFinal(fileName, lineNumber, Format::format(u"%@\t[%.2f x %.2f]"_s, input, x, y));
}

void MyLog::outputSection(const char* fileName, int lineNumber, const QString& sectionName) {
    outputFinal(
        fileName, lineNumber,
        Format::format(u"\n\n - - - - - - - - - - - [ %@ ] - - - - - - - - - - - "_s, sectionName));
}

QString MyLog::toDoBanner(const QString& message) {
    static const QString art[5] = {
        uR"( _____ ___  ____   ___  )"_s, uR"(|_   _/ _ \|  _ \ / _ \ )"_s,
        uR"(  | || | | | | | | | | |)"_s, uR"(  | || |_| | |_| | |_| |)"_s,
        uR"(  |_| \___/|____/ \___/ )"_s,
    };
    return banner(art, message);
}

QString MyLog::assertBanner(const QString& message) {
    static const QString art[5] = {
        uR"(    _    ____ ____  _____ ____ _____  )"_s,
        uR"(   / \  / ___/ ___|| ____|  _ \_   _| )"_s,
        uR"(  / _ \ \___ \___ \|  _| | |_) || |  )"_s,
        uR"( / ___ \ ___) |__) | |___|  _ < | |   )"_s,
        uR"(/_/   \_\____/____/|_____|_| \_\|_|   )"_s,
    };
    return banner(art, message);
}

void MyLog::failAssert(const char* fileName, int lineNumber, const QString& message) {
    outputFinal(fileName, lineNumber, assertBanner(message));
    const QString report =
        Format::format(u"*** Assertion failure in %s, %s:%d: %s\n"_s,
                       "MyLog::outputAssertOnCondition(condition, fileName, lineNumber, input)",
                       "MyLog.cpp", __LINE__, "condition");
    writeAll(STDERR_FILENO, report.toUtf8());
    std::abort();
}
