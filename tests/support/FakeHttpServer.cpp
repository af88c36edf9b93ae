#include "FakeHttpServer.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QUrl>
#include <algorithm>
#include <chrono>

using namespace Qt::StringLiterals;

FakeHttpServer::FakeHttpServer(Connections connections)
    : server_(std::make_unique<httplib::Server>()) {
    static const char* const kReadyPath = "/fake-http-server-ready";
    const auto route = [this](const httplib::Request& in, httplib::Response& out,
                              const QByteArray& body) {
        const Response response =
            serve({QString::fromStdString(in.method), QString::fromStdString(in.path),
                   QString::fromStdString(in.target), body});
        out.status = response.status;
        for (const auto& [name, value] : response.headers) {
            out.set_header(name.toStdString(), value.toStdString());
        }
        if (response.streamBytes > 0) {
            const size_t total = size_t(response.streamBytes);
            const auto provide = [this, total](size_t offset, httplib::DataSink& sink) {
                static const std::string filler(64 * 1024, 'z');
                if (offset >= total) {
                    sink.done();
                    return true;
                }
                const size_t size = std::min(filler.size(), total - offset);
                if (stopping_ || !sink.write(filler.data(), size)) {
                    return false;
                }
                streamed_ += qint64(size);
                return true;
            };
            if (response.announceLength) {
                out.set_content_provider(total, response.contentType.toStdString(),
                                         [provide](size_t offset, size_t, httplib::DataSink& sink) {
                                             return provide(offset, sink);
                                         });
            } else {
                out.set_chunked_content_provider(response.contentType.toStdString(), provide);
            }
        } else if (response.cutMidBody) {
            const std::string half = response.body.left(response.body.size() / 2).toStdString();
            out.set_content_provider(
                size_t(response.body.size()), response.contentType.toStdString(),
                [half](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset == 0) {
                        sink.write(half.data(), half.size());
                    }
                    return false;  // closes the connection short of the announced length
                });
        } else {
            out.set_content(response.body.toStdString(), response.contentType.toStdString());
        }
    };
    const auto withoutBody = [route](const httplib::Request& in, httplib::Response& out) {
        route(in, out, QByteArray::fromStdString(in.body));
    };
    // Bodies are read raw, so a multipart upload arrives byte for byte instead of parsed.
    const auto withBody = [route](const httplib::Request& in, httplib::Response& out,
                                  const httplib::ContentReader& reader) {
        QByteArray body;
        reader([&body](const char* data, size_t length) {
            body.append(data, qsizetype(length));
            return true;
        });
        route(in, out, body);
    };
    // Answered before the catch-all and never recorded: the constructor's own request.
    server_->Get(kReadyPath, [](const httplib::Request&, httplib::Response&) {});
    server_->Get(".*", withoutBody);
    server_->Post(".*", withBody);
    if (connections == Connections::KeepAlive) {
        // Each open connection holds one of the pool's threads, and six workers, curl and the
        // connections they leave behind must not wait for one another.
        server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
        server_->set_keep_alive_max_count(1000);
        server_->set_keep_alive_timeout(kKeepAliveSeconds);
    } else {
        // One request per connection: a client that keeps its connection open would otherwise
        // hold the server's stop() for the whole keep-alive time.
        server_->set_keep_alive_max_count(1);
    }
    port_ = server_->bind_to_any_port("127.0.0.1");
    // A socket that holds a port without listening on it: the system refuses connections there,
    // and no other test can take the port meanwhile.
    refusingSocket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (refusingSocket_ >= 0 &&
        ::bind(refusingSocket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(refusingSocket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        refusingPort_ = ntohs(address.sin_port);
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // The socket listens from the bind on, but stop() ends only a running accept loop: once an
    // answer comes back, the loop runs.
    if (port_ > 0) {
        httplib::Client(std::string("127.0.0.1"), port_).Get(kReadyPath);
    }
}

FakeHttpServer::~FakeHttpServer() {
    {
        std::lock_guard lock(mu_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    if (refusingSocket_ >= 0) {
        ::close(refusingSocket_);
    }
}

void FakeHttpServer::on(const QString& path, Handler handler) {
    std::lock_guard lock(mu_);
    handlers_.insert(path, std::move(handler));
}

QByteArray FakeHttpServer::get(const QString& url, int timeoutMsecs) {
    const QUrl address(url);
    if (!address.isValid() || address.scheme() != u"http"_s || address.host().isEmpty()) {
        return QByteArray();
    }
    httplib::Client client(address.host().toStdString(), address.port(80));
    const auto timeout = std::chrono::milliseconds(timeoutMsecs);
    client.set_connection_timeout(timeout);
    client.set_read_timeout(timeout);
    client.set_write_timeout(timeout);
    const QString target = address.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority |
                                            QUrl::RemoveFragment | QUrl::FullyEncoded);
    const httplib::Result result = client.Get(target.isEmpty() ? "/" : target.toStdString());
    if (!result || result->status < 200 || result->status >= 300) {
        return QByteArray();
    }
    // Not null even when empty: null stands for no answer.
    return result->body.empty() ? QByteArray("") : QByteArray::fromStdString(result->body);
}

QList<FakeHttpServer::Request> FakeHttpServer::requests() const {
    std::lock_guard lock(mu_);
    // A list of its own: one sharing requests_'s buffer would race with the next request's
    // append once the caller detaches it.
    return QList<Request>(requests_.cbegin(), requests_.cend());
}

bool FakeHttpServer::waitForRequests(int count, int msecs) const {
    std::unique_lock lock(mu_);
    return changed_.wait_for(lock, std::chrono::milliseconds(msecs),
                             [&] { return requests_.size() >= count; });
}

FakeHttpServer::Response FakeHttpServer::serve(const Request& request) {
    std::unique_lock lock(mu_);
    requests_.append(request);
    changed_.notify_all();
    const Handler handler = handlers_.value(request.path);
    lock.unlock();
    Response response;
    if (handler) {
        response = handler(request);
    } else {
        response.status = 404;
    }
    if (response.delayMsecs > 0) {
        lock.lock();
        changed_.wait_for(lock, std::chrono::milliseconds(response.delayMsecs),
                          [this] { return stopping_.load(); });
    }
    return response;
}
