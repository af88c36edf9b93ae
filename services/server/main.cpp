// questlog-services: the catalogue update, review, metrics and box-art services and the two web
// sites, answered from generated fictional data on this machine, so the program can be used and
// tested end to end with no network.
//
//   questlog-services [--port 8471] [--bind 127.0.0.1] [--latency-ms N] [--fail-rate F]
//                     [--faults error,cut,stall,garbage,huge,redirect] [--seed S]
//                     [--data-dir DIR] [--quiet]

#include <pthread.h>
#include <QGuiApplication>
#include <csignal>
#include <cstdio>
#include <thread>

#include "DemoCatalogue.h"
#include "ServicesOptions.h"
#include "ServicesServer.h"

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    // SIGINT and SIGTERM go to one thread that asks the server to stop; every other thread,
    // made later, inherits the blocked mask and never sees them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // Pictures are drawn with fonts, which need a GUI application but never a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(u"questlog-services"_s);

    QString error;
    const std::optional<ServicesOptions> options =
        ServicesOptions::parse(QGuiApplication::arguments(), &error);
    if (!options) {
        const bool help = QGuiApplication::arguments().contains(u"--help"_s) ||
                          QGuiApplication::arguments().contains(u"-h"_s);
        std::fprintf(help ? stdout : stderr, "%s%s\n",
                     help ? "" : "questlog-services: ", qPrintable(error));
        return help ? 0 : 2;
    }

    ServicesServer server(*options);
    if (!server.bind(&error)) {
        std::fprintf(stderr, "questlog-services: %s\n", qPrintable(error));
        return 1;
    }
    // The games are made before the first request, so no answer waits for them.
    DemoCatalogue::shared();
    if (options->bind != u"127.0.0.1"_s && options->bind != u"localhost"_s) {
        std::fprintf(stderr, "questlog-services: listening on %s, reachable from other machines\n",
                     qPrintable(options->bind));
    }
    std::fprintf(stdout, "questlog-services: listening on %s (data in %s)\n",
                 qPrintable(server.baseURL()), qPrintable(options->dataDir));
    std::fflush(stdout);

    std::thread watcher([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        if (received != SIGUSR1) {
            server.stop();
        }
    });
    server.serve();
    // Ended by a signal or not, the watcher is woken and joined.
    pthread_kill(watcher.native_handle(), SIGUSR1);
    watcher.join();
    std::fprintf(stdout, "questlog-services: stopped\n");
    return 0;
}
