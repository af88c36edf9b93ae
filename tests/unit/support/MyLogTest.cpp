#include "MyLog.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "CapturedConsole.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Describing it has a side effect, so a test can tell whether a line was formatted.
struct Witness {
    int* descriptions;
    QString description() const {
        ++*descriptions;
        return u"witness"_s;
    }
};

QString captureStderr(const std::function<void()>& write) {
    CapturedConsole captured;
    write();
    return captured.text();
}

QString captureStdout(const std::function<void()>& write) {
    CapturedConsole captured(CapturedConsole::Stream::Output);
    write();
    return captured.text();
}

// The console prefix: date, time, then the process name with its ids in brackets.
const QRegularExpression kPrefix(uR"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \S+\[\d+:\d+\] )"_s);

// The entry with its console prefix checked and removed, and its final line feed dropped.
QString withoutPrefix(const QString& entry) {
    const QRegularExpressionMatch match = kPrefix.match(entry);
    EXPECT_TRUE(match.hasMatch()) << entry.toStdString();
    EXPECT_TRUE(entry.endsWith(u'\n'));
    return entry.mid(match.capturedLength()).chopped(1);
}

const char* const kDeepPath = "/home/dev/questlog/Questlog3/Classes/UpdateController.cpp";

const QString kBorder = u"+"_s + QString(u" -"_s).repeated(49) + u" +"_s;

}  // namespace

TEST(MyLogLead, NamesTheFileAloneAndTheLine) {
    const QString entry = captureStderr(
        [] { MyLog::sharedDebug()->output(kDeepPath, 477, u"Count: %d of %@"_s, 3, u"games"_s); });
    EXPECT_EQ(withoutPrefix(entry), u"[UpdateController.cpp (477)]\tCount: 3 of games"_s);
}

TEST(MyLogLead, MacrosPassTheCallersFileAndLine) {
    const int line = __LINE__ + 1;
    const QString entry = captureStderr([] { MYLOG(u"hello %s"_s, "there"); });
    EXPECT_EQ(withoutPrefix(entry), u"[MyLogTest.cpp (%1)]\thello there"_s.arg(line));
}

TEST(MyLogLead, ErrorLinesLookLikeOrdinaryLines) {
    const QString plain =
        withoutPrefix(captureStderr([] { MyLog::sharedDebug()->output("a/b.cpp", 9, u"x"_s); }));
    const QString error = withoutPrefix(
        captureStderr([] { MyLog::sharedDebug()->outputError("a/b.cpp", 9, u"x"_s); }));
    EXPECT_EQ(plain, error);
}

TEST(MyLogSilentLines, FlagZeroWritesNothingAndFormatsNothing) {
    int descriptions = 0;
    const Witness witness{&descriptions};
    const QString silent =
        captureStderr([&] { MyLog::sharedDebug()->outputIf(0, kDeepPath, 10, u"%@"_s, witness); });
    EXPECT_EQ(silent, u""_s);
    EXPECT_EQ(descriptions, 0);

    const QString on =
        captureStderr([&] { MyLog::sharedDebug()->outputIf(1, kDeepPath, 10, u"%@"_s, witness); });
    const QString plain =
        captureStderr([&] { MyLog::sharedDebug()->output(kDeepPath, 10, u"%@"_s, witness); });
    EXPECT_EQ(withoutPrefix(on), withoutPrefix(plain));
    EXPECT_EQ(descriptions, 2);
}

TEST(MyLogSilentLines, OnConditionWritesUpToOneOnly) {
    for (const int condition : {-5, -1, 0, 1}) {
        EXPECT_NE(captureStderr([&] {
                      MyLog::sharedDebug()->outputOnCondition(condition, "f.cpp", 1, u"m"_s);
                  }),
                  u""_s)
            << condition;
    }
    for (const int condition : {2, 3, 1000}) {
        int descriptions = 0;
        EXPECT_EQ(captureStderr([&] {
                      MyLog::sharedDebug()->outputOnCondition(condition, "f.cpp", 1, u"%@"_s,
                                                              Witness{&descriptions});
                  }),
                  u""_s)
            << condition;
        EXPECT_EQ(descriptions, 0);
    }
}

TEST(MyLogBanners, ToDoBannerIsExactToTheCharacter) {
    ASSERT_EQ(kBorder.size(), 101);
    const QString expected = u"\n"_s + kBorder + u"\n"_s + uR"( _____ ___  ____   ___  )"_s +
                             u"\n"_s + uR"(|_   _/ _ \|  _ \ / _ \ )"_s + u"\n"_s +
                             uR"(  | || | | | | | | | | |)"_s + u"\tremember me\n"_s +
                             uR"(  | || |_| | |_| | |_| |)"_s + u"\n"_s +
                             uR"(  |_| \___/|____/ \___/ )"_s + u"\n"_s + kBorder + u"\n"_s;
    EXPECT_EQ(MyLog::toDoBanner(u"remember me"_s), expected);

    const QString entry = captureStderr(
        [] { MyLog::sharedDebug()->outputToDo(kDeepPath, 12, u"remember %@"_s, u"me"_s); });
    EXPECT_EQ(withoutPrefix(entry), u"[UpdateController.cpp (12)]\t"_s + expected);
}

TEST(MyLogBanners, AssertBannerIsExactToTheCharacter) {
    const QString expected =
        u"\n"_s + kBorder + u"\n"_s + uR"(    _    ____ ____  _____ ____ _____  )"_s + u"\n"_s +
        uR"(   / \  / ___/ ___|| ____|  _ \_   _| )"_s + u"\n"_s +
        uR"(  / _ \ \___ \___ \|  _| | |_) || |  )"_s + u"\tbroken\n"_s +
        uR"( / ___ \ ___) |__) | |___|  _ < | |   )"_s + u"\n"_s +
        uR"(/_/   \_\____/____/|_____|_| \_\|_|   )"_s + u"\n"_s + kBorder + u"\n"_s;
    EXPECT_EQ(MyLog::assertBanner(u"broken"_s), expected);
}

TEST(MyLogBanners, SectionDividerSurroundsTheName) {
    const QString empty = withoutPrefix(
        captureStderr([] { MyLog::sharedDebug()->outputSection("x/S.cpp", 3, u""_s); }));
    const QString divider = u"\n\n"_s + QString(u" -"_s).repeated(11) + u" [  ]"_s +
                            QString(u" -"_s).repeated(11) + u" "_s;
    EXPECT_EQ(empty, u"[S.cpp (3)]\t"_s + divider);
    EXPECT_EQ(divider.size(), 52);  // 52 characters around the (empty) name
}

TEST(MyLogPoint, PrintsLabelAndTwoDecimals) {
    const QString entry = captureStderr(
        [] { MyLog::sharedDebug()->outputPoint("v/View.cpp", 5, u"Origin"_s, QPointF(1.5, 2)); });
    EXPECT_EQ(withoutPrefix(entry), u"[View.cpp (5)]\tOrigin\t[1.50 x 2.00]"_s);
    // The label is not a format: its percent signs stay.
    const QString literal = captureStderr(
        [] { MyLog::sharedDebug()->outputPoint("v/View.cpp", 5, u"100%d"_s, QPointF(0, 0)); });
    EXPECT_TRUE(literal.contains(u"\t100%d\t[0.00 x 0.00]"_s)) << literal.toStdString();
}

TEST(MyLogNoLead, WritesOnlyTheMessageToStandardOutput) {
    QString err;
    const QString out = captureStdout([&] {
        err = captureStderr([] { MyLog::sharedDebug()->outputNoLead(u"plain %d ✓"_s, 7); });
    });
    EXPECT_EQ(out, u"plain 7 ✓\n"_s);
    EXPECT_EQ(err, u""_s);
}

TEST(MyLogNoLead, FinalStepWithNullFileAndNegativeLineUsesPuts) {
    const QString out =
        captureStdout([] { MyLog::sharedDebug()->outputFinal(nullptr, -1, u"x"_s); });
    EXPECT_EQ(out, u"x\n"_s);
}

TEST(MyLogInstance, OneInstanceEvenWhenAskedFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<MyLog*> seen(8, nullptr);
    std::atomic<bool> go{false};
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go) {
            }
            seen[i] = MyLog::sharedDebug();
        });
    }
    go = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(std::set<MyLog*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_EQ(seen.front(), MyLog::sharedDebug());
    EXPECT_EQ(MyLog::alloc(), nullptr);
}

TEST(MyLogInstance, LinesFromManyThreadsNeverMix) {
    const QString captured = captureStderr([] {
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < 50; ++i) {
                    MyLog::sharedDebug()->output("t.cpp", t, u"thread %d line %d %@"_s, t, i,
                                                 QString(200, QChar(u'a' + t)));
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
    });
    const QStringList lines = captured.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 200);
    const QRegularExpression whole(uR"(\[t\.cpp \((\d)\)\]\tthread \1 line \d+ ([a-d])\2{199}$)"_s);
    for (const QString& line : lines) {
        EXPECT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
    }
}

using MyLogDeathTest = testing::Test;

TEST_F(MyLogDeathTest, FailedAssertWritesTheBannerAndEndsTheProcess) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(MYLOG_ASSERT(1 == 2, u"numbers %d"_s, 12),
                 "numbers 12.*Assertion failure in .*condition");
}

TEST(MyLogAssert, TrueConditionWritesNothing) {
    int descriptions = 0;
    const QString out = captureStderr([&] {
        MyLog::sharedDebug()->outputAssertOnCondition(1, "f.cpp", 1, u"%@"_s,
                                                      Witness{&descriptions});
    });
    EXPECT_EQ(out, u""_s);
    EXPECT_EQ(descriptions, 0);
}
