#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// The fields of an application/x-www-form-urlencoded body, still escaped.
inline QMap<QString, QString> formOf(const QByteArray& body) {
    QMap<QString, QString> fields;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        fields.insert(QString::fromLatin1(pair.left(equals)),
                      QString::fromLatin1(pair.mid(equals + 1)));
    }
    return fields;
}

// Tests that go through Qt's network manager skip under ThreadSanitizer: Qt hands work to a
// thread of its own through its futex locks, which ThreadSanitizer cannot see.
// FireAndForgetQueueTest covers the metrics sender's own threads.
#ifdef QUESTLOG_UNDER_TSAN
#define SKIP_QT_NETWORK_UNDER_TSAN() \
    GTEST_SKIP() << "Qt's network threads are invisible to ThreadSanitizer"
#else
#define SKIP_QT_NETWORK_UNDER_TSAN() static_cast<void>(0)
#endif
