#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A build started off screen on the test's data home, its output merged.
void start(QProcess& process, const QString& code, const QStringList& arguments) {
    process.setProcessEnvironment(wiiEnvironment(qEnvironmentVariable("QUESTLOG_HOME")));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(QUESTLOG_APP_DIR) + u"/questlog-"_s + code, arguments);
}

class PlatformBuild : public testing::TestWithParam<const char*> {};

TEST_P(PlatformBuild, StartsOffScreenWritesItsWindowAndQuits) {
    const QString code = QString::fromLatin1(GetParam());
    const QString png = qEnvironmentVariable("QUESTLOG_HOME") + u"/"_s + code + u".png"_s;
    QProcess process;
    start(process, code,
          {u"-platform"_s, u"offscreen"_s, u"--screenshot"_s, png, u"--quit-after"_s, u"0.5"_s});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(320, 480));
}

INSTANTIATE_TEST_SUITE_P(AllSix, PlatformBuild,
                         testing::Values("xbox360", "wii", "ps3", "psp", "pc", "ds"));

TEST(PlatformBuildOptions, BadOptionsExitWithUsageError) {
    QProcess process;
    start(process, u"wii"_s, {u"--quit-after"_s, u"later"_s});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAll().contains("later"));
}

TEST(PlatformBuildLifecycle, CreatesItsStoreAndEndsInOrderOnSigterm) {
    QProcess process;
    start(process, u"wii"_s, {});
    // The first start installs the shipped catalogue into the store it opened at launch.
    QByteArray console;
    while (!console.contains("hiding install...") && process.waitForReadyRead(30000)) {
        console += process.readAll();
    }
    ASSERT_TRUE(console.contains("hiding install...")) << console.toStdString();
    EXPECT_TRUE(QFile::exists(qEnvironmentVariable("QUESTLOG_HOME") + u"/Questlog3.sqlite"_s));
    process.terminate();  // SIGTERM
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
}

}  // namespace
