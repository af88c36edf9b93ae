#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <atomic>
#include <optional>
#include <utility>
#include <vector>

// Synchronous HTTP: form encoding, a blocking form post, its fire-and-forget variant (used by
// the metrics) and a multipart file upload. Stateless; any thread. The blocking calls run their
// own event loop on a network manager made for the call, so they work off the main thread;
// they are meant for worker threads (on the main thread the screen would wait).
class OrvHTTPServices {
public:
    // Form fields in the order they are sent.
    using Dictionary = std::vector<std::pair<QString, QString>>;

    // A request ready to send: the headers and the body that goes with them.
    struct FormRequest {
        QNetworkRequest request;
        QByteArray body;
    };

    static constexpr int kPostTimeoutSeconds = 60;
    static constexpr int kUploadTimeoutSeconds = 30;
    static inline const char kBoundary[] = "AaB03x";
    // The largest answer a post or a get takes unless its caller says otherwise: the services'
    // answers to posts are a few words, so anything near this is not one of them.
    static constexpr qint64 kMaxAnswerBytes = 4 * 1024 * 1024;
    // As a limit: the answer's body is not wanted, and the exchange ends, complete, once the
    // answer's status line and headers are in.
    static constexpr qint64 kHeadersOnly = -1;

    // "key=value" pairs of the escaped fields joined by "&"; "" for no dictionary.
    static QString getFormDataString(const std::optional<Dictionary>& dictionary);
    // Percent-escapes as UTF-8 what a URL may not hold, then "&", "?", "=", "+", ";" in that
    // order. "" for null or empty text.
    static QString escapeString(const QString& text);
    // The reverse: the five reserved characters first, then percent escapes (kept as they are
    // when they do not decode as UTF-8). "" for null or empty text.
    static QString unescapeString(const QString& text);

    // A form post to the address: form content type, the body length, no cached answers.
    static FormRequest getMutableURLRequest(
        const QString& urlString, const std::optional<Dictionary>& withRequestPropertyDictionary,
        double timeoutInterval);

    // Posts the form and waits (at most the time-out) for the answer, decoded as ASCII
    // (Latin-1 for bytes above 127). Null on a bad address, a transport failure, time-out or
    // an answer above kMaxAnswerBytes; an HTTP error status still answers its body.
    static QString getStringFromURL(const QString& urlString,
                                    const std::optional<Dictionary>& withRequestPropertyDictionary);

    // Queues the post for the background sender and returns at once; the answer and any
    // failure are ignored. Nothing for a null or empty address.
    static void fireAndForget(const QString& urlString,
                              const std::optional<Dictionary>& withRequestPropertyDictionary);

    // Uploads the bytes as the multipart file "upload[file]" and waits (30 s at most); the
    // answer decoded as ASCII, or null on failure.
    static QString uploadFile(const QByteArray& data, const QString& toURLString);
    // The multipart body around the bytes, boundary "AaB03x".
    static QByteArray generatePostDataForData(const QByteArray& data);

    // Fetches the address and waits at most timeoutMsecs for the whole answer: its body (empty,
    // not null, for an empty one). Null on a bad address, a transport failure, an HTTP error
    // status or time-out. For worker threads, like the posts. A thread that fetches often may
    // pass a manager of its own to reuse (REQUIRES: it belongs to the calling thread); without
    // one, a manager is made for the call. Gives up early, answering null, once *abandon turns
    // true. An answer above maxBytes (0 or less: no limit) is aborted as it arrives and
    // answers null.
    static QByteArray getDataFromURL(const QString& urlString, int timeoutMsecs,
                                     QNetworkAccessManager* manager = nullptr,
                                     const std::atomic<bool>* abandon = nullptr,
                                     qint64 maxBytes = kMaxAnswerBytes);

    // Time-out of getStringFromURL in milliseconds (default 60 000; 0 or less restores it).
    // Tests shorten it.
    static void setPostTimeout(int msecs);
    static int postTimeout();

private:
    friend class FireAndForgetQueue;

    // What came back from one request.
    struct Exchange {
        // False when nothing was sent or no answer came in time.
        bool finished = false;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString errorString;
        // An answer came back whole, whatever its status (HttpReply::isComplete).
        bool complete = false;
        QByteArray body;
    };
    // Sends the request (a post of *postBody, or a get when null) on the given manager of the
    // calling thread, or on one made for it, and waits; gives up after the time-out or once
    // *abandon turns true. An answer above maxBytes is aborted as it arrives: finished, not
    // complete.
    static Exchange transfer(const QNetworkRequest& request, const QByteArray* postBody,
                             int timeoutMsecs, const std::atomic<bool>* abandon,
                             QNetworkAccessManager* manager, qint64 maxBytes);
    // Sends and waits; gives up early once *abandon turns true (when given). The manager, when
    // given, belongs to the calling thread.
    static QString send(const QNetworkRequest& request, const QByteArray& body, int timeoutMsecs,
                        const std::atomic<bool>* abandon, qint64 maxBytes = kMaxAnswerBytes,
                        QNetworkAccessManager* manager = nullptr);
};
