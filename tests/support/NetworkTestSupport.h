#pragma once

#include "FakeHttpServer.h"

// Answers of every status class that complete a transfer: whatever the status, the body is the
// answer. Each is served at "/status/<code>" with the body "answer <code>"; redirects lead to
// "/arrived", whose body is "answer 200".
inline const QList<int> kCompletedStatuses = {200, 201, 203, 301, 302, 303, 307, 308,
                                              400, 401, 403, 404, 405, 407, 409, 410,
                                              418, 451, 500, 501, 503, 599};

inline QString statusPath(int status) {
    return QStringLiteral("/status/%1").arg(status);
}
inline QByteArray statusBody(int status) {
    return "answer " + QByteArray::number(status >= 300 && status < 400 ? 200 : status);
}
inline void answerEveryStatus(FakeHttpServer& server) {
    server.answer(QStringLiteral("/arrived"), {200, statusBody(200)});
    for (const int status : kCompletedStatuses) {
        FakeHttpServer::Response response{status, statusBody(status)};
        if (status >= 300 && status < 400) {
            response.body = "moved";
            response.headers = {{"Location", "/arrived"}};
        }
        server.answer(statusPath(status), response);
    }
}

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
