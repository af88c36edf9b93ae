#include <gtest/gtest.h>

#include <QImage>

#include "FileFunctions.h"
#include "IntegrationSupport.h"
#include "MarksFile.h"
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

// Export and import from the command line on a fresh home, with no display at all: each end
// has its status and its line, and what was imported is what a later export writes.
TEST(MarksCommand, ExportsAndImportsWithoutADisplayAndEndsWithItsStatus) {
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    QProcessEnvironment environment = wiiEnvironment(home);
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        environment.remove(QString::fromLatin1(name));
    }
    const QString lists = home + u"/lists.csv"_s;
    const QString exported = home + u"/out.json"_s;
    ASSERT_TRUE(FileFunctions::createFileAtPath(
        lists, "id,myScore,wished\n20500000,4.5,yes\nnot-here,1,no\n"));
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{u"--import"_s, lists}, 0, "Imported 1 game; 1 not in this catalogue"},
        {{u"--export"_s, exported}, 0, "Exported 1 game to out.json"},
        {{u"--import"_s, home + u"/none.csv"_s}, 1, "cannot be read"},
        {{u"--export"_s, exported, u"--import"_s, lists}, 1, "together"},
        {{u"--export"_s, home + u"/again.json"_s}, 2, "cannot be opened"},
    };
    for (const auto& [arguments, status, said] : cases) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        if (status == 2) {  // a store that is no store
            ASSERT_TRUE(FileFunctions::createFileAtPath(home + u"/Questlog3.sqlite"_s,
                                                        QByteArray(9000, 'x')));
        }
        QProcess process;
        startBuild(process, environment, u"wii"_s, arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        const QByteArray output = process.readAll();
        EXPECT_EQ(process.exitCode(), status) << output.toStdString();
        EXPECT_TRUE(output.contains(said)) << output.toStdString();
    }
    QFile file(exported);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<MarksFile> marks = MarksFile::fromBytes(file.readAll(), nullptr);
    ASSERT_TRUE(marks && marks->games.size() == 1);
    const MarksFile::Entry& game = marks->games[0];
    EXPECT_TRUE(game.id == u"20500000"_s && game.myScore == 4.5f && game.wished && !game.played);
}

}  // namespace
