#include "LaunchOptions.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<LaunchOptions> parse(const QStringList& args, QString* error = nullptr) {
    QString ignored;
    return LaunchOptions::parse(QStringList{u"questlog-wii"_s} + args, error ? error : &ignored);
}

}  // namespace

TEST(LaunchOptionsParse, ReadsScreenshotQuitAfterAndUrl) {
    const auto options = parse({u"--screenshot"_s, u"out.png"_s, u"--quit-after"_s, u"1.5"_s,
                                u"questlog-wii://x?action=WISH&id=1&title=A&"_s});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->screenshotPath(), u"out.png"_s);
    EXPECT_EQ(options->quitAfterSeconds(), 1.5);
    EXPECT_EQ(options->url(), u"questlog-wii://x?action=WISH&id=1&title=A&"_s);

    const auto none = parse({});
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->screenshotPath().isEmpty());
    EXPECT_FALSE(none->quitAfterSeconds());
    EXPECT_TRUE(none->url().isEmpty());
}

TEST(LaunchOptionsParse, RejectsBadInputWithAClearMessage) {
    QString error;
    EXPECT_FALSE(parse({u"--quit-after"_s, u"soon"_s}, &error));
    EXPECT_TRUE(error.contains(u"soon"_s)) << error.toStdString();
    EXPECT_FALSE(parse({u"--quit-after"_s, u"-1"_s}, &error));
    EXPECT_FALSE(parse({u"--screenshot"_s}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(parse({u"--no-such-option"_s}, &error));
    EXPECT_TRUE(error.contains(u"no-such-option"_s)) << error.toStdString();
    EXPECT_FALSE(parse({u"a://1"_s, u"b://2"_s}, &error));
}

TEST(LaunchOptionsRun, QuittingEarlyStillWritesTheScreenshot) {
    const QString png = qEnvironmentVariable("QUESTLOG_HOME") + u"/shot.png"_s;
    const auto options = parse({u"--screenshot"_s, png, u"--quit-after"_s, u"0.2"_s});
    ASSERT_TRUE(options);
    QWidget window;
    window.setFixedSize(320, 480);
    window.setStyleSheet(u"background: rgb(10, 200, 30);"_s);
    window.show();
    QEventLoop loop;
    options->applyTo(&window, [&] { loop.exit(0); });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });  // never hang the test run
    EXPECT_EQ(loop.exec(), 0);
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(320, 480));
    EXPECT_EQ(image.pixelColor(160, 240), QColor(10, 200, 30));
}

TEST(LaunchOptionsRun, UnwritableScreenshotIsReportedNotFatal) {
    QWidget window;
    window.resize(10, 10);
    EXPECT_FALSE(LaunchOptions::saveScreenshot(&window, u"/no/such/dir/x.png"_s));
    EXPECT_FALSE(LaunchOptions::saveScreenshot(nullptr, u"x.png"_s));
}
