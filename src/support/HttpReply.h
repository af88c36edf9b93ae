#pragma once

#include <QtGlobal>

class QByteArray;
class QNetworkReply;
class QNetworkRequest;

// How a finished reply ended, read the way the system's connections read it: an answer that came
// back whole is the server's answer, whatever its status. Qt reports many statuses (400, 404,
// 407, 418, 500 ...) as errors; those are still completed transfers.
class HttpReply {
public:
    // True when the reply carries an HTTP status and no transport failure: not refused, cut
    // off, timed out or cancelled. Redirects count by the answer they led to.
    static bool isComplete(const QNetworkReply& reply);

    // True when the answer is bigger than maxBytes: by the length its headers announce (known
    // once metaDataChanged has come) or by the bytes received so far, which also catches an
    // answer sent without a length. A caller checks on every chunk and aborts at once, so no
    // more than about maxBytes is ever held. maxBytes of 0 or less means no limit.
    static bool isOverLimit(const QNetworkReply& reply, qint64 received, qint64 maxBytes);
    // Moves what the reply has ready onto the end of body, straight into body's own memory: a
    // copy through a fresh buffer per chunk doubles the work of taking in a large answer.
    static void appendAvailable(QNetworkReply& reply, QByteArray& body);

    // How far Qt may read from the socket ahead of the program: a sender faster than the
    // program reads waits in TCP rather than in memory.
    static constexpr qint64 kReadAheadBytes = 1024 * 1024;
    // Sets up a request the way every request of the program goes out: the body asked for as it
    // is (no compression), so that a limit counts the bytes actually held and no decoder runs
    // over what a server sends. Qt's brotli decoding crashes on a redirect loop whose pages are
    // compressed.
    static void prepareRequest(QNetworkRequest& request);
    // Sets up a reply just made from such a request.
    static void prepareReply(QNetworkReply& reply);
};
