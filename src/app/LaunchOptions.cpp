#include "LaunchOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>
#include <memory>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

std::optional<LaunchOptions> LaunchOptions::parse(const QStringList& arguments, QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Questlog: a catalogue of video games."_s);
    const QCommandLineOption screenshot(u"screenshot"_s,
                                        u"Write a PNG of the window to <file> once start-up "
                                        u"has settled."_s,
                                        u"file"_s);
    const QCommandLineOption quitAfter(u"quit-after"_s, u"Quit after <seconds>."_s, u"seconds"_s);
    const QCommandLineOption showGame(u"show-game"_s,
                                      u"Open the detail screen of the game with the review "
                                      u"service's <id> after start-up."_s,
                                      u"id"_s);
    const QCommandLineOption exportMarks(
        u"export"_s,
        u"Write the marks of every marked game to <file> (JSON, or CSV for a name ending in "
        u".csv) and quit, without a window."_s,
        u"file"_s);
    const QCommandLineOption importMarks(
        u"import"_s,
        u"Read marks from <file> (JSON or CSV) into the store and quit, without a window. Exit "
        u"status: 0 done, 1 bad input, 2 store error."_s,
        u"file"_s);
    parser.addOption(exportMarks);
    parser.addOption(importMarks);
    parser.addOption(screenshot);
    parser.addOption(quitAfter);
    parser.addOption(showGame);
    parser.addPositionalArgument(u"url"_s, u"A link of this build's URL scheme to open."_s,
                                 u"[url]"_s);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    LaunchOptions options;
    options.exportPath_ = parser.value(exportMarks);
    options.importPath_ = parser.value(importMarks);
    if ((parser.isSet(exportMarks) && options.exportPath_.isEmpty()) ||
        (parser.isSet(importMarks) && options.importPath_.isEmpty())) {
        *error = u"--export and --import need a file name"_s;
        return std::nullopt;
    }
    if (!options.exportPath_.isEmpty() && !options.importPath_.isEmpty()) {
        *error = u"--export and --import cannot be given together"_s;
        return std::nullopt;
    }
    if (parser.isSet(screenshot)) {
        options.screenshotPath_ = parser.value(screenshot);
        if (options.screenshotPath_.isEmpty()) {
            *error = u"--screenshot needs a file name"_s;
            return std::nullopt;
        }
    }
    if (parser.isSet(quitAfter)) {
        bool ok = false;
        const double seconds = parser.value(quitAfter).toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 31536000) {
            *error = u"--quit-after needs a number of seconds, not \"%1\""_s.arg(
                parser.value(quitAfter));
            return std::nullopt;
        }
        options.quitAfterSeconds_ = seconds;
    }
    if (parser.isSet(showGame)) {
        options.showGameId_ = parser.value(showGame).trimmed();
        if (options.showGameId_.isEmpty()) {
            *error = u"--show-game needs a game's id"_s;
            return std::nullopt;
        }
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        *error = u"only one URL may be given"_s;
        return std::nullopt;
    }
    if (!positional.isEmpty()) {
        options.url_ = positional.first();
    }
    return options;
}

bool LaunchOptions::asksForMarksCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView argument(argv[i]);
        for (const QByteArrayView name : {"-export", "-import", "--export", "--import"}) {
            if (argument == name || argument.startsWith(name.toByteArray() + '=')) {
                return true;
            }
        }
    }
    return false;
}

bool LaunchOptions::saveScreenshot(QWidget* window, const QString& path) {
    if (!window || !window->grab().save(path, "PNG")) {
        MYLOG(u"Could not write the screenshot %@"_s, path);
        return false;
    }
    return true;
}

void LaunchOptions::applyTo(QWidget* window, std::function<void()> quit) const {
    auto pendingShot = std::make_shared<QString>(screenshotPath_);
    QPointer<QWidget> target(window);
    const auto takeShot = [pendingShot, target] {
        if (!pendingShot->isEmpty() && target) {
            saveScreenshot(target, *pendingShot);
            pendingShot->clear();
        }
    };
    if (!screenshotPath_.isEmpty()) {
        QTimer::singleShot(kSettleMilliseconds, window, takeShot);
    }
    if (quitAfterSeconds_) {
        QTimer::singleShot(int(*quitAfterSeconds_ * 1000), qApp, [takeShot, quit] {
            takeShot();
            quit();
        });
    }
}
