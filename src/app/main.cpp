#include <QApplication>
#include <cstdio>

#include "LaunchOptions.h"
#include "MarksCommand.h"
#include "Model.h"
#include "Questlog3AppDelegate.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"
#include "WebView.h"

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    // Export and import run without a window, so they need no display either.
    const bool marksCommand = LaunchOptions::asksForMarksCommand(argc, argv);
    if (marksCommand && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    WebView::prepareApplication();
    QApplication app(argc, argv);
    Model* settings = Model::instanceOf();
    QApplication::setOrganizationName(u"Questlog"_s);
    QApplication::setApplicationName(u"questlog-"_s + settings->platformCode());
    QApplication::setApplicationDisplayName(settings->homescreenTitle());
    // Ties the window to its desktop entry (its icon, its name) on desktops that ask.
    QGuiApplication::setDesktopFileName(u"questlog-"_s + settings->platformCode());

    QString error;
    const std::optional<LaunchOptions> options = LaunchOptions::parse(app.arguments(), &error);
    if (!options) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()),
                     qPrintable(error));
        return marksCommand ? int(MarksCommand::BadInput) : 2;
    }
    if (marksCommand) {
        return MarksCommand::run(*options);
    }

    // One program per build and data home: a later start hands its link to the running one.
    if (SingleInstance::sendToRunningInstance(Questlog3AppDelegate::instanceKey(),
                                              options->url())) {
        return 0;
    }
    Questlog3AppDelegate delegate;
    if (!delegate.listenForLaterStarts() &&
        SingleInstance::sendToRunningInstance(Questlog3AppDelegate::instanceKey(),
                                              options->url())) {
        return 0;  // another start got there first
    }
    // Every orderly end (last window closed, quit, SIGINT, SIGTERM) passes through aboutToQuit.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate,
                     &Questlog3AppDelegate::applicationWillTerminate);
    TerminationSignals signalWatcher([] { QCoreApplication::quit(); });

    if (!options->showGameId().isNull()) {
        delegate.showGameAfterStartUp(options->showGameId());
    }
    if (!options->url().isEmpty()) {
        delegate.openURL(options->url());
    }
    delegate.applicationDidFinishLaunching();
    options->applyTo(delegate.window());
    return app.exec();
}
