#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

// The sample catalogues link their box art at 127.0.0.1:8471, so this test takes that port.
TEST(Services, ProgramInstallsShowsBoxArtRecordsMetricsAndTakesTheNextDaysUpdate) {
    Services services({u"--port"_s, u"8471"_s, u"--quiet"_s});
    ASSERT_FALSE(services.url.isEmpty()) << "questlog-services did not start on 8471";
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const QProcessEnvironment environment = wiiEnvironment(home, services.url, services.url);

    // First start: the shipped catalogue, the art of the rows on screen, the metrics.
    ASSERT_EQ(runWii(environment, 4), 0);
    const qint64 shipped = queryNumber(home, u"SELECT COUNT(*) FROM Game"_s);
    EXPECT_GT(shipped, 1000);
    const QFileInfoList art = QDir(home + u"/box-art"_s).entryInfoList({u"*.jpg"_s}, QDir::Files);
    ASSERT_GE(art.size(), 5);
    EXPECT_EQ(QImageReader(art.first().filePath()).format(), "jpeg");
    QFile metrics(services.data.path() + u"/metrics.jsonl"_s);
    ASSERT_TRUE(metrics.open(QIODevice::ReadOnly));
    EXPECT_TRUE(metrics.readAll().contains("\"Application installed\""));

    // The next start asks with the shipped report date and takes what changed since.
    ASSERT_EQ(runWii(environment, 3), 0);
    EXPECT_EQ(storedReportDate(home), QDate::currentDate().toString(u"yyyy-MM-dd"_s));
    EXPECT_GT(queryNumber(home, u"SELECT COUNT(*) FROM Game"_s), shipped);  // games announced since

    // SIGTERM ends it cleanly.
    EXPECT_EQ(services.terminate(), 0);
}
