#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <csignal>

#include <sys/prctl.h>

#include "SqliteConnection.h"

// Running questlog-wii, and reading what it left in its data home the way any other client
// would.

// questlog-wii's surroundings: off screen, with its own data home, its catalogue service and
// its other services (review and metrics; none when empty).
inline QProcessEnvironment wiiEnvironment(const QString& home, const QString& catalogue = {},
                                          const QString& others = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUESTLOG_HOME"), home);
    environment.insert(QStringLiteral("QUESTLOG_CATALOGUE_SERVICE"), catalogue);
    environment.insert(QStringLiteral("QUESTLOG_REVIEW_SERVICE"), others);
    environment.insert(QStringLiteral("QUESTLOG_METRICS_SERVICE"), others);
    return environment;
}

// Starts a build with its output merged.
inline void startBuild(QProcess& process, const QProcessEnvironment& environment,
                       const QString& code, const QStringList& arguments = {}) {
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(QUESTLOG_APP_DIR "/questlog-") + code, arguments);
}

// Reads the output until `text` shows; false when it never does.
inline bool readUntil(QProcess& process, const char* text) {
    QByteArray console;
    while (!console.contains(text) && process.waitForReadyRead(30000)) {
        console += process.readAll();
    }
    return console.contains(text);
}

// Runs questlog-wii until it quits by itself after `seconds`: its exit status, or -1 when it
// crashed or hung.
inline int runWii(const QProcessEnvironment& environment, double seconds) {
    QProcess process;
    startBuild(process, environment, QStringLiteral("wii"),
               {QStringLiteral("--quit-after"), QString::number(seconds)});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// One integer out of the store in the data home; -1 when it cannot be read.
inline qint64 queryNumber(const QString& home, const QString& sql) {
    SqliteConnection db(home + QStringLiteral("/Questlog3.sqlite"), SqliteConnection::ReadOnly);
    const QVariant value = db.execAndGet(sql);
    return value.isValid() ? value.toLongLong() : -1;
}

// The wii build's stored report date.
inline QString storedReportDate(const QString& home) {
    return QSettings(home + QStringLiteral("/UserDefaults.ini"), QSettings::IniFormat)
        .value(QStringLiteral("LAST_UPDATE_FILE_YMD_wii"))
        .toString();
}

// questlog-services in a process of its own, stopped with SIGTERM at the end of the scope; its
// address once it listens, empty when it never does.
struct Services {
    explicit Services(QStringList arguments) {
        // A test that crashes takes its services with it.
        process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start(QStringLiteral(QUESTLOG_SERVICES),
                      arguments << QStringLiteral("--data-dir") << data.path());
        QByteArray output;
        while (!output.contains(" (data in ") && process.waitForReadyRead(10000)) {
            output += process.readAllStandardOutput();
        }
        url = QRegularExpression(QStringLiteral(R"(listening on (\S+) \(data in )"))
                  .match(QString::fromUtf8(output))
                  .captured(1);
    }
    ~Services() { terminate(); }
    // Ends it with SIGTERM; its exit status, or -1 when it did not end cleanly.
    int terminate() {
        process.terminate();
        const bool ended = process.waitForFinished(10000);
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QTemporaryDir data;
    QProcess process;
    QString url;
};
