#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct ProcessResult {
    int exitCode = -1;
    QString standardError;
};

ProcessResult runBuild(const QString& code, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUESTLOG_APP_DIR) + u"/questlog-"_s + code, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace

class PlatformBuild : public testing::TestWithParam<const char*> {};

TEST_P(PlatformBuild, StartsOffScreenWritesItsWindowAndQuits) {
    const QString code = QString::fromLatin1(GetParam());
    const QString png = qEnvironmentVariable("QUESTLOG_HOME") + u"/"_s + code + u".png"_s;
    const ProcessResult run = runBuild(code, {u"-platform"_s, u"offscreen"_s, u"--screenshot"_s,
                                              png, u"--quit-after"_s, u"0.5"_s});
    EXPECT_EQ(run.exitCode, 0) << run.standardError.toStdString();
    const QImage image(png);
    ASSERT_FALSE(image.isNull()) << run.standardError.toStdString();
    EXPECT_EQ(image.size(), QSize(320, 480));
}

INSTANTIATE_TEST_SUITE_P(AllSix, PlatformBuild,
                         testing::Values("xbox360", "wii", "ps3", "psp", "pc", "ds"));

TEST(PlatformBuildOptions, BadOptionsExitWithUsageError) {
    const ProcessResult run = runBuild(u"wii"_s, {u"--quit-after"_s, u"later"_s});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.standardError.contains(u"later"_s)) << run.standardError.toStdString();
}

TEST(PlatformBuildLifecycle, CreatesItsStoreAndEndsInOrderOnSigterm) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUESTLOG_APP_DIR) + u"/questlog-wii"_s, QStringList());
    ASSERT_TRUE(process.waitForStarted(10000));
    // The store is opened during launch.
    for (int i = 0; i < 100 && !QFile::exists(home + u"/Questlog3.sqlite"_s); ++i) {
        QThread::msleep(50);
    }
    EXPECT_TRUE(QFile::exists(home + u"/Questlog3.sqlite"_s));
    QThread::msleep(300);
    process.terminate();  // SIGTERM
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
}
