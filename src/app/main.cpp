#include <QApplication>
#include <cstdio>

#include "LaunchOptions.h"
#include "Model.h"
#include "Questlog3AppDelegate.h"
#include "TerminationSignals.h"
#include "WebView.h"

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    WebView::prepareApplication();
    QApplication app(argc, argv);
    Model* settings = Model::instanceOf();
    QApplication::setOrganizationName(u"Questlog"_s);
    QApplication::setApplicationName(u"questlog-"_s + settings->platformCode());
    QApplication::setApplicationDisplayName(settings->homescreenTitle());

    QString error;
    const std::optional<LaunchOptions> options = LaunchOptions::parse(app.arguments(), &error);
    if (!options) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QApplication::applicationName()),
                     qPrintable(error));
        return 2;
    }

    Questlog3AppDelegate delegate;
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
