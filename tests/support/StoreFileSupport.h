#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QString>

#include "SqliteConnection.h"
#include "SqliteStatement.h"

// Store files as the disk-fault and kill tests handle them: copied in place of another, checked,
// and compared whole.

// Puts a copy of `from` at `to`, removing what was there with its log, index and journal.
inline bool replaceStoreFile(const QString& from, const QString& to) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(to + QString::fromLatin1(suffix));
    }
    return QFile::copy(from, to);
}

inline QString integrityOf(const QString& path) {
    return SqliteConnection(path).execAndGet(QStringLiteral("PRAGMA integrity_check")).toString();
}

// A digest of every value (as SQLite writes it in text) of the rows of `table` after row id
// `afterRowId`, in row order, with their count: equal for equal contents, whatever the file's
// layout. "<no table>" when it cannot be read.
inline QString storeFingerprint(const QString& path, const QString& table = QStringLiteral("Game"),
                                qint64 afterRowId = 0) {
    SqliteConnection connection(path, SqliteConnection::ReadWrite);
    SqliteStatement select(
        connection, QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE rowid > %2 ORDER BY rowid")
                        .arg(table)
                        .arg(afterRowId));
    QCryptographicHash hash(QCryptographicHash::Sha1);
    int rows = 0;
    SqliteStatement::Step step = select.step();
    for (; step == SqliteStatement::Step::Row; step = select.step(), ++rows) {
        for (int column = 0; column < select.columnCount(); ++column) {
            // SQLite's own text of the value; the marker keeps NULL apart from "".
            int bytes = 0;
            const char* text = select.columnUtf8(column, &bytes);
            hash.addData(text ? QByteArrayView(text, bytes) : QByteArrayView("\x1e", 1));
            hash.addData(QByteArrayView("\x1f", 1));
        }
    }
    if (step != SqliteStatement::Step::Done) {
        return QStringLiteral("<no table>");
    }
    return QStringLiteral("%1 rows %2").arg(rows).arg(QString::fromLatin1(hash.result().toHex()));
}
