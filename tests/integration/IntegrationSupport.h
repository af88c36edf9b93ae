#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QString>

#include "SqliteConnection.h"

// Running questlog-wii, and reading what it left in its data home the way any other client
// would.

// questlog-wii's surroundings: off screen, with its own data home.
inline QProcessEnvironment wiiEnvironment(const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QUESTLOG_HOME"), home);
    return environment;
}

// Runs questlog-wii until it quits by itself after `seconds`: its exit status, or -1 when it
// crashed or hung.
inline int runWii(const QProcessEnvironment& environment, double seconds) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUESTLOG_APP_DIR "/questlog-wii"),
                  {QStringLiteral("--quit-after"), QString::number(seconds)});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// One integer out of the store file at path; -1 when it cannot be read.
inline qint64 queryNumber(const QString& path, const char* sql) {
    SqliteConnection db(path, SqliteConnection::ReadOnly);
    const QVariant value = db.execAndGet(QString::fromUtf8(sql));
    return value.isValid() ? value.toLongLong() : -1;
}

// The wii build's stored report date.
inline QString storedReportDate(const QString& home) {
    return QSettings(home + QStringLiteral("/UserDefaults.ini"), QSettings::IniFormat)
        .value(QStringLiteral("LAST_UPDATE_FILE_YMD_wii"))
        .toString();
}
