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
