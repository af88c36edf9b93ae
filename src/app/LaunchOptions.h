#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

// What the command line asks of a run, besides Qt's own options (which QApplication has
// already taken): an URL of the build's scheme to handle as an opened link, a PNG of the
// window once start-up has settled, a time after which to quit, and a game to open; or, instead
// of all that, a list of marks to export or import.
class LaunchOptions {
public:
    // How long after the window is shown start-up counts as settled for --screenshot.
    static constexpr int kSettleMilliseconds = 1500;

    // Parses the arguments (the program name first). On bad input answers nothing and sets
    // `error` to a message for the user.
    static std::optional<LaunchOptions> parse(const QStringList& arguments, QString* error);

    QString url() const { return url_; }
    QString screenshotPath() const { return screenshotPath_; }
    std::optional<double> quitAfterSeconds() const { return quitAfterSeconds_; }
    // The review-service id of a game whose detail screen opens after start-up; null for none.
    QString showGameId() const { return showGameId_; }
    // A file to write the marks to, or to read them from, in a run without a window; null for
    // none. At most one of the two is set.
    QString exportPath() const { return exportPath_; }
    QString importPath() const { return importPath_; }
    // Whether the arguments ask for such a run; read before the application exists, which
    // then needs no display.
    static bool asksForMarksCommand(int argc, char** argv);

    // Arms the screenshot and quit timers for a shown window. The screenshot is taken once:
    // when start-up has settled, or just before quitting if that comes first. `quit` ends the
    // run (the application's event loop unless a caller runs its own).
    void applyTo(QWidget* window, std::function<void()> quit = &QApplication::quit) const;

    // Writes the window's picture as PNG; false (and a log line) when it cannot be written.
    static bool saveScreenshot(QWidget* window, const QString& path);

private:
    QString url_;
    QString screenshotPath_;
    std::optional<double> quitAfterSeconds_;
    QString showGameId_;
    QString exportPath_;
    QString importPath_;
};
