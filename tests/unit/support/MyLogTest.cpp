#include "MyLog.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <thread>
#include <vector>

#include "CapturedConsole.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// What the call writes to the error stream, each line without its console prefix (date, time,
// process name and ids).
QString written(const std::function<void(MyLog*)>& write) {
    CapturedConsole console;
    write(MyLog::sharedDebug());
    static const QRegularExpression prefix(
        uR"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \S+\[\d+:\d+\] )"_s);
    return console.text().replace(prefix, u"\\1"_s);
}

// Describing it has a side effect, so a test can tell whether a line was formatted.
struct Witness {
    int* descriptions;
    QString description() const { return QString::number(++*descriptions); }
};

// Lines name the file alone and the caller's line; silent lines are neither written nor
// formatted.
TEST(MyLog, LinesNameTheCallerAndSilentLinesAreNeitherWrittenNorFormatted) {
    const int line = __LINE__ + 1;
    const QString entry = written([](MyLog*) { MYLOG_ERROR(u"hello %s"_s, "there"); });
    EXPECT_TEXT(entry, u"[MyLogTest.cpp (%1)]\thello there\n"_s.arg(line));
    int descriptions = 0;
    const Witness w{&descriptions};
    const QString lines = written([w](MyLog* log) {
        log->outputIf(0, "/src/f.cpp", 1, u"%@"_s, w);
        log->outputIf(1, "/src/f.cpp", 2, u"%@"_s, w);
        log->outputNoLead(u"to the output %d"_s, 7);
    });
    EXPECT_TEXT(lines, u"[f.cpp (2)]\t1\n"_s);
    EXPECT_EQ(descriptions, 1);
}

TEST(MyLog, OneInstanceWhoseLinesFromManyThreadsNeverMix) {
    const QString lines = written([](MyLog* log) {
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t, log] {
                EXPECT_EQ(MyLog::sharedDebug(), log);
                for (int i = 0; i < 50; ++i) {
                    log->output("t.cpp", t, u"%d %@"_s, t, QString(200, QChar(u'a' + t)));
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    });
    EXPECT_EQ(MyLog::alloc(), nullptr);
    const QRegularExpression line(uR"(^\[t\.cpp \((\d)\)\]\t\1 ([a-d])\2{199}$)"_s);
    EXPECT_EQ(lines.split(u'\n', Qt::SkipEmptyParts).filter(line).size(), 200) << lines.size();
}

}  // namespace
