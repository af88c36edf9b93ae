#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include "CommaDecimalLocale.h"
#include "FakeHttpServer.h"
#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The shipped file's report date and the game-site id of its first row.
std::pair<QString, QString> shippedReportAndFirstPlaybaseId() {
    QFile file(QStringLiteral(QUESTLOG_SOURCE_DIR) + u"/resources/catalogues/wii.xml"_s);
    const auto match =
        QRegularExpression(
            uR"(<reportDateYMD>([^<]*)</reportDateYMD>\s*<games>\s*"(?:[^"]*","){5}([^"]*))"_s)
            .match(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString());
    return {match.captured(1), match.captured(2)};
}

// Writes the earlier generation's database in the home, with one wished game scored 7 of 10.
bool writeOldDatabase(const QString& home, const QString& playbaseId) {
    return SqliteConnection(home + u"/Questlog.wii.sqlite"_s)
        .exec(
            u"CREATE TABLE GAMES (playbase_id TEXT, my_wish_list_flag TEXT, my_score TEXT); "
            u"INSERT INTO GAMES VALUES ('%1', '1', '7');"_s.arg(playbaseId));
}

// Whether the store holds the old database's marks (wished, played, 3.5 stars) and that
// database is gone.
bool carriedOver(const QString& home, const QString& playbaseId) {
    const QString marks =
        u"SELECT COUNT(*) FROM Game WHERE idPlaybase = '%1' AND myIsWished = 1 "
        u"AND myIsPlayed = 1 AND myScore = 3.5"_s.arg(playbaseId);
    return queryNumber(home, marks) == 1 && !QFile::exists(home + u"/Questlog.wii.sqlite"_s);
}

}  // namespace

TEST(FirstStart, InstallsTheShippedCatalogueCarriesOldMarksOverThenAsksTheService) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const auto [report, playbaseId] = shippedReportAndFirstPlaybaseId();
    ASSERT_TRUE(report.size() == 10 && !playbaseId.isEmpty());
    ASSERT_TRUE(writeOldDatabase(home, playbaseId));

    FakeHttpServer service;
    service.answer(u"/DB2Web/execute.do"_s,
                   {200, "<reportDateYMD>2099-01-01</reportDateYMD><games>\n</games>"});

    // A user in Germany: 7 of 10 must become 3.5 stars, not 3 (from "3,5").
    QProcessEnvironment german = wiiEnvironment(home, service.url());
    german.insert(u"LOCPATH"_s, CommaDecimalLocale::localePath());
    german.insert(u"LC_ALL"_s, QString::fromLatin1(CommaDecimalLocale::kName));
    ASSERT_EQ(runWii(german, 3), 0);
    const qint64 installed = queryNumber(home, u"SELECT COUNT(*) FROM Game"_s);
    EXPECT_GT(installed, 1000);
    EXPECT_TRUE(carriedOver(home, playbaseId));
    EXPECT_EQ(storedReportDate(home), report);
    // The first launch had no date to ask with when the update started.
    EXPECT_TRUE(service.requests().isEmpty());

    ASSERT_EQ(runWii(wiiEnvironment(home, service.url()), 2), 0);
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_TRUE(service.requests()[0].target.endsWith(u"PLATFORM=wii&LAST_UPDATED="_s + report));
    EXPECT_EQ(storedReportDate(home), u"2099-01-01"_s);
    EXPECT_EQ(queryNumber(home, u"SELECT COUNT(*) FROM Game"_s), installed);
}

// However a first start is cut short, the next start ends with every old mark in the store and
// the earlier database gone. The kills land from the install's announcement through its end:
// the moment of the kill is what is tested, so it is a time after the announcement. SIGTERM
// (-1) ends the program in order, once the install lets go of the main thread.
TEST(FirstStart, KilledAtAnyMomentOfTheInstallTheNextStartHasEveryOldMark) {
    const auto [report, playbaseId] = shippedReportAndFirstPlaybaseId();
    ASSERT_FALSE(playbaseId.isEmpty());
    for (const int delay : {0, 50, 100, 200, -1}) {
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/kill-%1"_s.arg(delay);
        ASSERT_TRUE(QDir().mkpath(home));
        ASSERT_TRUE(writeOldDatabase(home, playbaseId));
        QProcess process;
        startBuild(process, wiiEnvironment(home), u"wii"_s);
        ASSERT_TRUE(readUntil(process, "showing install..."));
        if (delay < 0) {
            process.terminate();
            ASSERT_TRUE(process.waitForFinished(30000));
            EXPECT_TRUE(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
        } else {
            QThread::msleep(delay);
            process.kill();  // SIGKILL: no orderly end, no save on the way out
            process.waitForFinished(10000);
        }
        EXPECT_EQ(
            SqliteConnection(home + u"/Questlog3.sqlite"_s).execAndGet(u"PRAGMA integrity_check"_s),
            u"ok"_s);

        ASSERT_EQ(runWii(wiiEnvironment(home), 1), 0);
        EXPECT_TRUE(carriedOver(home, playbaseId));
        EXPECT_EQ(storedReportDate(home), report);
    }
}
