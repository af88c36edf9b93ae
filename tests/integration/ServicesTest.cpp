#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <csignal>

#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// questlog-services in a process of its own, stopped with SIGTERM at the end of the scope.
class Services {
public:
    explicit Services(QStringList arguments) {
        process_.start(QStringLiteral(QUESTLOG_SERVICES),
                       arguments << u"--data-dir"_s << data_.path());
        // It says where it listens once it does.
        QByteArray output;
        while (!output.contains(" (data in ") && process_.waitForReadyRead(10000)) {
            output += process_.readAllStandardOutput();
        }
        const qsizetype at = output.indexOf("listening on ") + 13;
        if (output.contains(" (data in ")) {
            url_ = QString::fromUtf8(output.mid(at, output.indexOf(' ', at) - at));
        }
    }
    ~Services() { terminate(); }
    // Ends it with SIGTERM; its exit status, or -1 when it did not end cleanly.
    int terminate() {
        if (process_.state() == QProcess::NotRunning) {
            return -1;  // a pid of 0 would signal the whole process group
        }
        ::kill(pid_t(process_.processId()), SIGTERM);
        const bool ended = process_.waitForFinished(10000);
        return ended && process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    QString url() const { return url_; }
    QString dataDir() const { return data_.path(); }

private:
    QTemporaryDir data_;
    QProcess process_;
    QString url_;
};

// questlog-wii on the home, pointed at the services, until it quits by itself.
int runWii(const QString& home, const QString& services, double seconds) {
    QProcessEnvironment environment = wiiEnvironment(home);
    for (const char* variable :
         {"QUESTLOG_CATALOGUE_SERVICE", "QUESTLOG_REVIEW_SERVICE", "QUESTLOG_METRICS_SERVICE"}) {
        environment.insert(QString::fromLatin1(variable), services);
    }
    return ::runWii(environment, seconds);
}

qint64 count(const QString& home, const char* sql) {
    return queryNumber(home + u"/Questlog3.sqlite"_s, sql);
}

}  // namespace

// The sample catalogues link their box art at 127.0.0.1:8471, so this test takes that port.
TEST(Services, ProgramInstallsShowsBoxArtRecordsMetricsAndTakesTheNextDaysUpdate) {
    Services services({u"--port"_s, u"8471"_s, u"--quiet"_s});
    ASSERT_FALSE(services.url().isEmpty()) << "questlog-services did not start on 8471";
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");

    // First start: the shipped catalogue, the art of the rows on screen, the metrics.
    ASSERT_EQ(runWii(home, services.url(), 4), 0);
    const qint64 shipped = count(home, "SELECT COUNT(*) FROM Game");
    EXPECT_GT(shipped, 1000);
    const QFileInfoList art = QDir(home + u"/box-art"_s).entryInfoList({u"*.jpg"_s}, QDir::Files);
    EXPECT_GE(art.size(), 5);
    for (const QFileInfo& file : art) {
        EXPECT_EQ(QImageReader(file.filePath()).format(), "jpeg") << file.fileName().toStdString();
    }
    QFile metrics(services.dataDir() + u"/metrics.jsonl"_s);
    ASSERT_TRUE(metrics.open(QIODevice::ReadOnly));
    const QList<QByteArray> events = metrics.readAll().split('\n');
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const QByteArray& line) {
        return QJsonDocument::fromJson(line)[u"metricName"_s] == u"Application installed"_s;
    }));

    // The next start asks with the shipped report date and takes what changed since.
    ASSERT_EQ(runWii(home, services.url(), 3), 0);
    EXPECT_EQ(storedReportDate(home), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
    EXPECT_GT(count(home, "SELECT COUNT(*) FROM Game"), shipped);  // games announced since

    // A second program on the same port is refused at once, and SIGTERM ends the first cleanly.
    QProcess second;
    second.start(QStringLiteral(QUESTLOG_SERVICES), {u"--port"_s, u"8471"_s});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains("8471"));
    EXPECT_EQ(services.terminate(), 0);
}

// Whatever fault every answer carries, the program neither hangs nor crashes and keeps what it
// had: its catalogue, the user's mark and its report date.
TEST(Services, EveryKindOfFaultLeavesTheProgramAndItsDataWhole) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME") + u"/installed"_s;
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_EQ(runWii(home, QString(), 2), 0);
    const qint64 games = count(home, "SELECT COUNT(*) FROM Game");
    ASSERT_GT(games, 1000);
    ASSERT_TRUE(SqliteConnection(home + u"/Questlog3.sqlite"_s)
                    .exec(u"UPDATE Game SET myIsWished = 1 WHERE rowid = 7"_s));
    const QString report = storedReportDate(home);

    for (const QString& fault : {u"error"_s, u"cut"_s, u"stall"_s, u"garbage"_s}) {
        const QString copy = qEnvironmentVariable("QUESTLOG_HOME") + u"/"_s + fault;
        ASSERT_TRUE(QDir().mkpath(copy));
        for (const QString& name : QDir(home).entryList(QDir::Files)) {
            QFile::copy(home + u'/' + name, copy + u'/' + name);
        }
        Services services({u"--port"_s, u"0"_s, u"--fail-rate"_s, u"1"_s, u"--faults"_s, fault,
                           u"--stall-ms"_s, u"20000"_s, u"--quiet"_s});
        ASSERT_FALSE(services.url().isEmpty());
        EXPECT_EQ(runWii(copy, services.url(), 2), 0) << fault.toStdString();
        EXPECT_EQ(count(copy, "SELECT COUNT(*) FROM Game"), games) << fault.toStdString();
        EXPECT_EQ(count(copy, "SELECT COUNT(*) FROM Game WHERE myIsWished = 1"), 1)
            << fault.toStdString();
        EXPECT_EQ(storedReportDate(copy), report) << fault.toStdString();
        EXPECT_EQ(services.terminate(), 0) << fault.toStdString();
    }
}
