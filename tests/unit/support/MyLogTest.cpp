#include "MyLog.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <thread>
#include <vector>

#include "CapturedConsole.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// What the call writes to the stream, each line without its console prefix (date, time,
// process name and ids).
QString written(const std::function<void(MyLog*)>& write,
                CapturedConsole::Stream stream = CapturedConsole::Stream::Error) {
    CapturedConsole console(stream);
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

TEST(MyLog, LinesNameTheFileAloneAndTheCallersLine) {
    EXPECT_TEXT(written([](MyLog* log) {
                    log->output("/home/dev/Classes/Update.cpp", 477, u"%d of %@"_s, 3, u"games"_s);
                }),
                u"[Update.cpp (477)]\t3 of games\n"_s);
    const int line = __LINE__ + 1;
    const QString entry = written([](MyLog*) { MYLOG_ERROR(u"hello %s"_s, "there"); });
    EXPECT_TEXT(entry, u"[MyLogTest.cpp (%1)]\thello there\n"_s.arg(line));
    // A point's label is not a format: its percent signs stay.
    EXPECT_TEXT(written([](MyLog* log) {
                    log->outputPoint("V.cpp", 5, u"1%d"_s, {1.5, 2});
                }),
                u"[V.cpp (5)]\t1%d\t[1.50 x 2.00]\n"_s);
    EXPECT_TEXT(written([](MyLog* log) { log->outputToDo("T.cpp", 12, u"do %@"_s, 7); }),
                u"[T.cpp (12)]\t"_s + MyLog::toDoBanner(u"do 7"_s) + u"\n"_s);
    EXPECT_TEXT(written([](MyLog* log) { log->outputNoLead(u"plain %d ✓"_s, 7); }), u""_s);
    EXPECT_TEXT(written([](MyLog* log) { log->outputNoLead(u"plain %d ✓"_s, 7); },
                        CapturedConsole::Stream::Output),
                u"plain 7 ✓\n"_s);
    EXPECT_TEXT(written([](MyLog* log) { log->outputFinal(nullptr, -1, u"x"_s); },
                        CapturedConsole::Stream::Output),
                u"x\n"_s);
}

TEST(MyLog, SilentLinesAreNeitherWrittenNorFormatted) {
    int descriptions = 0;
    const auto lineIf = [&](const std::function<void(MyLog*, Witness)>& write) {
        return written([&](MyLog* log) { write(log, Witness{&descriptions}); });
    };
    EXPECT_TEXT(lineIf([](MyLog* log, Witness w) { log->outputIf(0, "f.cpp", 1, u"%@"_s, w); }),
                u""_s);
    EXPECT_TEXT(lineIf([](MyLog* log, Witness w) { log->outputIf(1, "f.cpp", 1, u"%@"_s, w); }),
                u"[f.cpp (1)]\t1\n"_s);
    for (const int condition : {2, 1000}) {
        EXPECT_TEXT(lineIf([&](MyLog* log, Witness w) {
                        log->outputOnCondition(condition, "f.cpp", 1, u"%@"_s, w);
                    }),
                    u""_s);
    }
    EXPECT_TEXT(
        lineIf([](MyLog* log, Witness w) { log->outputOnCondition(-5, "f.cpp", 1, u"%@"_s, w); }),
        u"[f.cpp (1)]\t2\n"_s);
    EXPECT_TEXT(lineIf([](MyLog* log, Witness w) {
                    log->outputAssertOnCondition(1, "f.cpp", 1, u"%@"_s, w);
                }),
                u""_s);
    EXPECT_EQ(descriptions, 2);
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

TEST(MyLogDeathTest, FailedAssertWritesTheBannerAndEndsTheProcess) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(MYLOG_ASSERT(1 == 2, u"numbers %d"_s, 12),
                 "numbers 12.*Assertion failure in .*condition");
}

}  // namespace
