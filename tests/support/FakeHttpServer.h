#pragma once

#include <QMap>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

// An HTTP service on 127.0.0.1 for tests: listens on a free port in a thread of its own from
// construction to destruction, answers each path with a registered handler (404 with an empty
// body for others) and records every request it got. Answers can be slow, cut off mid-body,
// carry any status and any bytes. Any thread may call any member.
class FakeHttpServer {
public:
    struct Request {
        QString method;
        QString path;
        // The path with its query, as the client sent it.
        QString target;
        QByteArray body;
    };

    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        // Waits this long before answering (cut short when the server stops).
        int delayMsecs = 0;
        // Announces the whole body but sends only its first half, then closes the connection.
        bool cutMidBody = false;
        // Extra headers, for example a redirect's Location.
        QList<std::pair<QByteArray, QByteArray>> headers = {};
        // When above 0: instead of the body, streams this many filler bytes, with the length
        // announced up front or (announceLength false) chunk by chunk without one. Stops once
        // the client hangs up; bytesStreamed() counts what went out.
        qint64 streamBytes = 0;
        bool announceLength = true;
    };

    using Handler = std::function<Response(const Request&)>;

    enum class Connections {
        // Closed after each answer, so stopping never waits for an idle client.
        OnePerRequest,
        // Kept open between requests, as the stand-in services keep them. Stopping waits until
        // the clients have closed theirs or they have been idle for kKeepAliveSeconds.
        KeepAlive,
    };
    static constexpr int kKeepAliveSeconds = 5;

    explicit FakeHttpServer(Connections connections = Connections::OnePerRequest);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by the path.
    QString url(const QString& path = QString()) const { return address(port_) + path; }

    void on(const QString& path, Handler handler);
    void answer(const QString& path, const Response& response) {
        on(path, [response](const Request&) { return response; });
    }

    // A blocking GET through cpp-httplib's client, no Qt networking: lets ThreadSanitizer builds
    // drive code whose transport can be replaced. The body of a 2xx answer; null on any other
    // status, a transport failure or no answer within msecs.
    static QByteArray get(const QString& url, int timeoutMsecs);

    // "http://127.0.0.1:<port>" followed by the path, for a port where nothing listens while
    // this server lives: connections to it are refused.
    QString refusedUrl(const QString& path = QString()) const {
        return address(refusingPort_) + path;
    }

    // Filler bytes written so far by streamed answers (Response::streamBytes).
    qint64 bytesStreamed() const { return streamed_; }

    QList<Request> requests() const;
    // True once at least count requests have arrived, within msecs.
    bool waitForRequests(int count, int msecs) const;

private:
    static QString address(int port) { return QStringLiteral("http://127.0.0.1:%1").arg(port); }
    Response serve(const Request& request);

    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    // Bound but not listening: the port that refuses.
    int refusingSocket_ = -1;
    int refusingPort_ = 0;
    std::atomic<qint64> streamed_{0};
    // Set under mu_, so that waits on changed_ see it; read without it by streamed answers.
    std::atomic<bool> stopping_{false};
    std::thread thread_;

    // mu_ protects the following state.
    mutable std::mutex mu_;
    mutable std::condition_variable changed_;
    QMap<QString, Handler> handlers_;
    QList<Request> requests_;
};
