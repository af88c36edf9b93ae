#include "LaunchOptions.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <QWidget>

#include "EventWait.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<LaunchOptions> parse(const QStringList& args, QString* error) {
    return LaunchOptions::parse(QStringList{u"questlog-wii"_s} + args, error);
}

TEST(LaunchOptions, ParsesItsOptionsOrSaysWhatIsWrongAndWritesTheScreenshot) {
    QString error;
    const auto options =
        parse({u"--screenshot"_s, u"out.png"_s, u"--quit-after"_s, u"1.5"_s,
               u"questlog-wii://x?action=WISH&id=1&title=A&"_s, u"--show-game"_s, u"1001"_s},
              &error);
    ASSERT_TRUE(options && options->quitAfterSeconds() == 1.5);
    EXPECT_EQ(options->screenshotPath() + u' ' + options->url() + u' ' + options->showGameId(),
              u"out.png questlog-wii://x?action=WISH&id=1&title=A& 1001"_s);
    for (const auto& [args, named] :
         {std::pair{QStringList{u"--quit-after"_s, u"soon"_s}, u"soon"_s},
          std::pair{QStringList{u"--quit-after"_s, u"-1"_s}, u"-1"_s},
          std::pair{QStringList{u"--screenshot"_s}, u"screenshot"_s},
          std::pair{QStringList{u"--show-game"_s, u" "_s}, u"show-game"_s},
          std::pair{QStringList{u"--import"_s, u""_s}, u"file name"_s},
          std::pair{QStringList{u"--no-such-option"_s}, u"no-such-option"_s},
          std::pair{QStringList{u"a://1"_s, u"b://2"_s}, u"URL"_s}}) {
        error.clear();
        EXPECT_FALSE(parse(args, &error)) << args.join(u' ').toStdString();
        EXPECT_TRUE(!error.isEmpty() && error.contains(named)) << error.toStdString();
    }

    // Quitting early still writes the screenshot; the delay is the option's own (a fifth of a
    // second here). Without one, the window is written once it has settled, and stays.
    const QString png = qEnvironmentVariable("QUESTLOG_HOME") + u"/shot.png"_s;
    const QString settled = qEnvironmentVariable("QUESTLOG_HOME") + u"/settled.png"_s;
    QWidget window;
    window.setStyleSheet(u"background: rgb(10, 200, 30);"_s);
    window.show();
    bool quit = false;
    EventWait quitting;
    parse({u"--screenshot"_s, png, u"--quit-after"_s, u"0.2"_s}, &error)
        .value()
        .applyTo(&window, [&] {
            quit = true;
            quitting.done();
        });
    ASSERT_TRUE(quitting.wait());
    EXPECT_EQ(QImage(png).pixelColor(10, 10), QColor(10, 200, 30));
    parse({u"--screenshot"_s, settled}, &error).value().applyTo(&window, [&] { quit = false; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(settled); }, 5000) && quit);
    EXPECT_FALSE(LaunchOptions::saveScreenshot(&window, u"/no/such/dir/x.png"_s));
}

}  // namespace
