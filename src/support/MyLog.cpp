#include "MyLog.h"

#include <cstdlib>
#include <mutex>

#include "Console.h"

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

}  // namespace

MyLog* MyLog::allocLocked() {
    if (sharedInstance) {
        return nullptr;
    }
    sharedInstance = new MyLog();
    return sharedInstance;
}

MyLog* MyLog::alloc() {
    std::lock_guard lock(instanceMutex);
    return allocLocked();
}

MyLog* MyLog::sharedDebug() {
    std::lock_guard lock(instanceMutex);
    if (!sharedInstance) {
        allocLocked();
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
        Console::puts(formattedString);
        return;
    }
    Console::write(leadLine(fileName, lineNumber, formattedString));
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
        Format::format(u"*** Assertion failure in %s, %s:%d: %s"_s,
                       "MyLog::outputAssertOnCondition(condition, fileName, lineNumber, input)",
                       "MyLog.cpp", __LINE__, "condition");
    Console::write(report);
    std::abort();
}
