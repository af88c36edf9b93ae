#pragma once

#include <sqlite3.h>
#include <QSettings>
#include <QString>

// Reading what a finished program left in its data home, the way any other client would.

// One integer out of the store file at path; -1 when it cannot be read.
inline qint64 queryNumber(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    qint64 value = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            value = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

// The wii build's stored report date.
inline QString storedReportDate(const QString& home) {
    return QSettings(home + QStringLiteral("/UserDefaults.ini"), QSettings::IniFormat)
        .value(QStringLiteral("LAST_UPDATE_FILE_YMD_wii"))
        .toString();
}
