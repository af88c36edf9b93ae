#include <gtest/gtest.h>

#include <QImage>

#include "IntegrationSupport.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class PlatformBuild : public testing::TestWithParam<const char*> {};

TEST_P(PlatformBuild, StartsOffScreenWritesItsWindowAndQuits) {
    const QString code = QString::fromLatin1(GetParam());
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const QString png = home + u"/"_s + code + u".png"_s;
    QProcess process;
    startBuild(process, wiiEnvironment(home), code,
               {u"--screenshot"_s, png, u"--quit-after"_s, u"0.5"_s});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(320, 480));
}

INSTANTIATE_TEST_SUITE_P(AllSix, PlatformBuild,
                         testing::Values("xbox360", "wii", "ps3", "psp", "pc", "ds"));

}  // namespace
