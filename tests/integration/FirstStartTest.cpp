#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include "CommaDecimalLocale.h"
#include "FakeHttpServer.h"
#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// questlog-wii's surroundings with the given catalogue service, no metrics, and a user in
// Germany (decimal comma) when asked.
QProcessEnvironment firstStartEnvironment(const QString& home, const QString& service,
                                          bool german = false) {
    QProcessEnvironment environment = wiiEnvironment(home);
    environment.insert(u"QUESTLOG_CATALOGUE_SERVICE"_s, service);
    environment.insert(u"QUESTLOG_METRICS_SERVICE"_s, u""_s);
    if (german) {
        environment.insert(u"LOCPATH"_s, CommaDecimalLocale::localePath());
        environment.insert(u"LC_ALL"_s, QString::fromLatin1(CommaDecimalLocale::kName));
    }
    return environment;
}

int runWii(const QString& home, const QString& service, double seconds, bool german = false) {
    return ::runWii(firstStartEnvironment(home, service, german), seconds);
}

// The shipped file's report date and the game-site id of its first row.
std::pair<QString, QString> shippedReportAndFirstPlaybaseId() {
    QFile file(QStringLiteral(QUESTLOG_SOURCE_DIR) + u"/resources/catalogues/wii.xml"_s);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype reportAt = text.indexOf(u"<reportDateYMD>"_s) + 15;
    const QString report = text.mid(reportAt, 10);
    const qsizetype gamesAt = text.indexOf(u"<games>"_s);
    const qsizetype rowAt = text.indexOf(u'"', gamesAt);
    const QString firstRow = text.mid(rowAt, text.indexOf(u'\n', rowAt) - rowAt);
    return {report, firstRow.split(u"\",\""_s).value(5)};
}

}  // namespace

// Writes the earlier generation's database with one wished game scored 7 of 10.
bool writeOldDatabase(const QString& path, const QString& playbaseId) {
    return SqliteConnection(path).exec(
        u"CREATE TABLE GAMES (playbase_id TEXT, my_wish_list_flag TEXT, my_score TEXT); "
        "INSERT INTO GAMES VALUES ('"_s +
        playbaseId + u"', '1', '7');"_s);
}

// Counts the game that carries the old database's marks: wished, played, 3.5 stars.
QByteArray oldMarksQuery(const QString& playbaseId) {
    return "SELECT COUNT(*) FROM Game WHERE idPlaybase = '" + playbaseId.toUtf8() +
           "' AND myIsWished = 1 AND myIsPlayed = 1 AND myScore = 3.5";
}

TEST(FirstStart, InstallsTheShippedCatalogueCarriesOldMarksOverThenAsksTheService) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const auto [report, playbaseId] = shippedReportAndFirstPlaybaseId();
    ASSERT_EQ(report.size(), 10);
    ASSERT_FALSE(playbaseId.isEmpty());

    // The earlier generation's database with one wished game.
    const QString old = home + u"/Questlog.wii.sqlite"_s;
    ASSERT_TRUE(writeOldDatabase(old, playbaseId));

    FakeHttpServer service;
    FakeHttpServer::Response answer;
    answer.body = "<reportDateYMD>2099-01-01</reportDateYMD><games>\n</games>";
    service.answer(u"/DB2Web/execute.do"_s, answer);

    // A user in Germany: 7 of 10 must become 3.5 stars, not 3 (from "3,5").
    ASSERT_EQ(runWii(home, service.url(), 3, true), 0);
    const QString store = home + u"/Questlog3.sqlite"_s;
    const qint64 installed = queryNumber(store, "SELECT COUNT(*) FROM Game");
    EXPECT_GE(installed, 1500);
    EXPECT_LE(installed, 2500);
    EXPECT_EQ(queryNumber(store, oldMarksQuery(playbaseId).constData()), 1);
    EXPECT_FALSE(QFile::exists(old));
    EXPECT_EQ(storedReportDate(home), report);
    // The first launch had no date to ask with when the update started.
    EXPECT_TRUE(service.requests().isEmpty());

    ASSERT_EQ(runWii(home, service.url(), 2), 0);
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_TRUE(service.requests()[0].target.endsWith(u"PLATFORM=wii&LAST_UPDATED="_s + report))
        << service.requests()[0].target.toStdString();
    EXPECT_EQ(storedReportDate(home), u"2099-01-01"_s);
    EXPECT_EQ(queryNumber(store, "SELECT COUNT(*) FROM Game"), installed);
}

// However a first start is cut short, the next start ends with every old mark in the store and
// the earlier database gone. The kills land from the install's announcement through its end:
// the moment of the kill is what is tested, so it is a time after the announcement.
TEST(FirstStart, KilledAtAnyMomentOfTheInstallTheNextStartHasEveryOldMark) {
    const auto [report, playbaseId] = shippedReportAndFirstPlaybaseId();
    ASSERT_FALSE(playbaseId.isEmpty());
    for (const int delay : {0, 50, 100, 200}) {
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/kill-%1"_s.arg(delay);
        ASSERT_TRUE(QDir().mkpath(home));
        const QString old = home + u"/Questlog.wii.sqlite"_s;
        ASSERT_TRUE(writeOldDatabase(old, playbaseId));
        QProcess process;
        process.setProcessEnvironment(firstStartEnvironment(home, QString()));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(QUESTLOG_APP_DIR) + u"/questlog-wii"_s, QStringList());
        QByteArray console;
        while (!console.contains("showing install...") && process.waitForReadyRead(10000)) {
            console += process.readAll();
        }
        ASSERT_TRUE(console.contains("showing install...")) << console.constData();
        QThread::msleep(delay);
        process.kill();  // SIGKILL: no orderly end, no save on the way out
        process.waitForFinished(10000);

        const QString store = home + u"/Questlog3.sqlite"_s;
        EXPECT_EQ(SqliteConnection(store).execAndGet(u"PRAGMA integrity_check"_s), u"ok"_s);

        ASSERT_EQ(runWii(home, QString(), 1), 0);
        EXPECT_EQ(queryNumber(store, oldMarksQuery(playbaseId).constData()), 1);
        EXPECT_FALSE(QFile::exists(old));
        EXPECT_EQ(storedReportDate(home), report);
    }
}
