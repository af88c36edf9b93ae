#include "ServicesServer.h"

#include <httplib.h>

#include <QDateTime>
#include <QDir>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <chrono>
#include <cstdio>
#include <memory>

#include "CatalogueGenerator.h"
#include "CoverArt.h"
#include "DemoCatalogue.h"
#include "LiveCatalogue.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kThreads = 96;
constexpr int kMaxScreenshotNumber = 64;
// The "huge" fault's answer: far above what any request of the program takes.
constexpr size_t kHugeBytes = size_t(50) * 1024 * 1024;
constexpr size_t kHugeChunkBytes = 64 * 1024;

// What one request's log line needs from before its answer was made; each request is served
// from start to log line on one thread of the pool.
thread_local std::chrono::steady_clock::time_point tStarted;
thread_local const char* tFault = nullptr;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

std::string bytes(const QByteArray& b) {
    return b.toStdString();
}

void html(httplib::Response& response, int status, const QString& title, const QString& message) {
    response.status = status;
    response.set_content(bytes((u"<!DOCTYPE html>\n<html><head><title>"_s + title.toHtmlEscaped() +
                                u"</title></head><body><h1>"_s + title.toHtmlEscaped() +
                                u"</h1><p>"_s + message.toHtmlEscaped() + u"</p></body></html>\n"_s)
                                   .toUtf8()),
                         "text/html; charset=utf-8");
}

void notFound(httplib::Response& response, const QString& what) {
    html(response, 404, u"Not found"_s, what);
}

}  // namespace

ServicesServer::ServicesServer(const ServicesOptions& options)
    : options_(options),
      server_(std::make_unique<httplib::Server>()),
      faults_(options.failRate, options.faultKinds, options.seed),
      metrics_(options.dataDir.isEmpty() ? QString() : options.dataDir + u"/metrics.jsonl"_s),
      art_(options.dataDir.isEmpty() ? QString() : options.dataDir + u"/art"_s) {
    if (!options_.dataDir.isEmpty()) {
        QDir().mkpath(options_.dataDir);
    }
    server_->new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    // The library's default also sets SO_REUSEPORT, which would let a second copy listen on a
    // port that is taken instead of refusing to start.
    server_->set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Clients keep their connections: a list screen asks for dozens of covers in a row.
    server_->set_keep_alive_max_count(1000);
    server_->set_keep_alive_timeout(10);
    // An answer is written as headers then body: without this, Nagle's algorithm holds the body
    // back until the client's delayed acknowledgement, some 40 ms per request.
    server_->set_tcp_nodelay(true);
    server_->set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        tStarted = std::chrono::steady_clock::now();
        tFault = nullptr;
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_->set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (response.body.empty() && !response.content_provider_) {
            html(response, response.status, u"Not found"_s,
                 u"Nothing is served at "_s + text(request.path));
        }
    });
    server_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        log(request, response);
    });
}

ServicesServer::~ServicesServer() {
    stop();
}

bool ServicesServer::bind(QString* error) {
    if (options_.port == 0) {
        port_ = server_->bind_to_any_port(options_.bind.toStdString());
    } else if (server_->bind_to_port(options_.bind.toStdString(), options_.port)) {
        port_ = options_.port;
    }
    if (port_ <= 0) {
        *error =
            u"cannot listen on %1:%2 (the port is taken, or the address is not this "
            "machine's)"_s.arg(options_.bind)
                .arg(options_.port);
        return false;
    }
    reviews_ = std::make_unique<DemoReviews>(baseURL());
    sites_ = std::make_unique<SitePages>(baseURL());
    route();
    return true;
}

QString ServicesServer::baseURL() const {
    const QString host = options_.bind == u"0.0.0.0"_s ? u"127.0.0.1"_s : options_.bind;
    return u"http://%1:%2"_s.arg(host).arg(port_);
}

void ServicesServer::serve() {
    server_->listen_after_bind();
}

void ServicesServer::stop() {
    {
        std::lock_guard lock(mu_);
        stopping_ = true;
    }
    stopped_.notify_all();
    server_->stop();
}

bool ServicesServer::isStopping() {
    std::lock_guard lock(mu_);
    return stopping_;
}

bool ServicesServer::pause(int msecs) {
    std::unique_lock lock(mu_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(msecs), [this] { return stopping_; });
}

void ServicesServer::log(const httplib::Request& request, const httplib::Response& response) {
    if (options_.quiet) {
        return;
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - tStarted)
                        .count();
    const size_t size =
        response.content_provider_ ? response.content_length_ : response.body.size();
    const QByteArray line = (QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz"_s) +
                             u' ' + text(request.method) + u' ' + text(request.path) + u' ' +
                             QString::number(response.status) + u' ' + QString::number(size) +
                             u" B "_s + QString::number(ms) + u" ms"_s +
                             (tFault ? u" fault "_s + QString::fromLatin1(tFault) : QString()))
                                .toUtf8();
    std::fprintf(stdout, "%s\n", line.constData());
    std::fflush(stdout);
}

ServicesServer::Handler ServicesServer::guarded(Handler handler) {
    return [this, handler](const httplib::Request& request, httplib::Response& response) {
        if (options_.latencyMs > 0 && !pause(options_.latencyMs)) {
            html(response, 503, u"Stopping"_s, u"The services are stopping."_s);
            return;
        }
        switch (faults_.draw()) {
            case FaultPlan::Fault::None:
                handler(request, response);
                return;
            case FaultPlan::Fault::Error:
                tFault = "error";
                html(response, 500, u"Internal Server Error"_s,
                     u"The server met a condition it did not expect."_s);
                return;
            case FaultPlan::Fault::Cut: {
                tFault = "cut";
                handler(request, response);
                // Announces the whole answer, sends half of it and closes the connection.
                const std::string half = response.body.substr(0, response.body.size() / 2);
                const std::string type = response.get_header_value("Content-Type");
                response.set_content_provider(
                    std::max<size_t>(response.body.size(), 2), type,
                    [half](size_t offset, size_t, httplib::DataSink& sink) {
                        if (offset == 0 && !half.empty()) {
                            sink.write(half.data(), half.size());
                        }
                        return false;
                    });
                response.body.clear();
                return;
            }
            case FaultPlan::Fault::Stall:
                tFault = "stall";
                if (!pause(options_.stallMs)) {
                    html(response, 503, u"Stopping"_s, u"The services are stopping."_s);
                    return;
                }
                handler(request, response);
                return;
            case FaultPlan::Fault::Huge: {
                tFault = "huge";
                handler(request, response);
                // The good answer over and over, sent without a length so that only the bytes
                // themselves tell the client how much is coming.
                const std::string unit = response.body.empty() ? std::string("x") : response.body;
                auto chunk = std::make_shared<std::string>();
                while (chunk->size() < kHugeChunkBytes) {
                    chunk->append(unit);
                }
                chunk->resize(kHugeChunkBytes);
                response.body.clear();
                response.set_chunked_content_provider(
                    response.get_header_value("Content-Type"),
                    [this, chunk](size_t offset, httplib::DataSink& sink) {
                        if (offset >= kHugeBytes) {
                            sink.done();
                            return true;
                        }
                        return !isStopping() &&
                               sink.write(chunk->data(),
                                          std::min(chunk->size(), kHugeBytes - offset));
                    });
                return;
            }
            case FaultPlan::Fault::Redirect:
                tFault = "redirect";
                // Back to the same address, so a client that follows redirects goes round until
                // its own limit stops it.
                html(response, 302, u"Found"_s, u"Moved to where it was."_s);
                response.set_header("Location", request.target);
                return;
            case FaultPlan::Fault::Garbage: {
                tFault = "garbage";
                handler(request, response);
                // The status and type of a good answer around bytes that are none of it.
                std::string noise(std::max<size_t>(64, response.body.size() / 4), '\0');
                QRandomGenerator random(quint32(std::hash<std::string>()(request.path)));
                for (char& c : noise) {
                    c = char(random.bounded(256));
                }
                response.body = noise;
                return;
            }
        }
    };
}

void ServicesServer::route() {
    server_->Get(
        "/", guarded([](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                bytes((u"<!DOCTYPE html>\n<html><head><title>Questlog stand-in services</title>"
                       "</head><body><h1>Questlog stand-in services</h1><ul>"
                       "<li>catalogue update: /DB2Web/execute.do?name=questlog_cvs_game_list&amp;"
                       "PLATFORM=wii&amp;LAST_UPDATED=2026-11-01</li>"
                       "<li>review service: /svc/product/get_single/?apiKey=...&amp;return_type=xml"
                       "&amp;global_id=&lt;id&gt;</li>"
                       "<li>box art: /box-art/&lt;platform&gt;/&lt;id&gt;.jpg</li>"
                       "<li>metrics: POST /MetricsSystem/execute.do, GET "
                       "<a href=\"/MetricsSystem/recent\">/MetricsSystem/recent</a></li>"
                       "<li>sites: <a href=\"/site\">/site</a></li></ul></body></html>\n"_s)
                          .toUtf8()),
                "text/html; charset=utf-8");
        }));
    server_->Get("/DB2Web/execute.do",
                 guarded([this](const httplib::Request& request, httplib::Response& response) {
                     catalogueUpdate(request, response);
                 }));
    server_->Get("/svc/product/get_single/?",
                 guarded([this](const httplib::Request& request, httplib::Response& response) {
                     product(request, response);
                 }));
    // Documents and pages looked up by the id in their path: 404 for an unknown one.
    using Lookup = std::function<std::optional<QByteArray>(const QString& id)>;
    const auto byId = [this](const char* pattern, const char* type, const QString& missing,
                             Lookup lookup) {
        server_->Get(pattern,
                     guarded([=](const httplib::Request& request, httplib::Response& response) {
                         const std::optional<QByteArray> found = lookup(text(request.matches[1]));
                         if (!found) {
                             notFound(response, missing);
                             return;
                         }
                         response.set_content(bytes(*found), type);
                     }));
    };
    byId(R"(/svc/review/([^/]+))", "text/xml; charset=utf-8", u"No such review"_s,
         [this](const QString& id) { return reviews_->reviewDocument(id); });
    byId(R"(/svc/article/([^/]+))", "text/xml; charset=utf-8", u"No such article"_s,
         [this](const QString& id) { return reviews_->articleDocument(id); });
    byId(R"(/site/game/([0-9]+))", "text/html; charset=utf-8", u"No such game"_s,
         [this](const QString& id) { return sites_->reviewSitePage(id); });
    byId(R"(/games/([0-9]+))", "text/html; charset=utf-8", u"No such game"_s,
         [this](const QString& id) { return sites_->gameSitePage(id); });
    server_->Get(R"(/box-art/([a-z0-9]+)/([0-9]+)\.jpg)",
                 guarded([this](const httplib::Request& request, httplib::Response& response) {
                     boxArt(request, response);
                 }));
    server_->Get(R"(/shots/([0-9]+)/([0-9]+)(_thumb|_hd)?\.jpg)",
                 guarded([this](const httplib::Request& request, httplib::Response& response) {
                     screenshot(request, response);
                 }));
    server_->Get("/site/?", guarded([this](const httplib::Request&, httplib::Response& response) {
                     response.set_content(bytes(sites_->home()), "text/html; charset=utf-8");
                 }));
    server_->Post("/MetricsSystem/execute.do",
                  guarded([this](const httplib::Request& request, httplib::Response& response) {
                      recordMetric(request, response);
                  }));
    server_->Get("/MetricsSystem/recent",
                 guarded([this](const httplib::Request&, httplib::Response& response) {
                     response.set_content(bytes(metrics_.recentJson()), "application/json");
                 }));
}

void ServicesServer::catalogueUpdate(const httplib::Request& request, httplib::Response& response) {
    // Every refusal is a page without a report date: the program applies nothing from it.
    if (request.get_param_value("name") != "questlog_cvs_game_list") {
        html(response, 400, u"Bad request"_s, u"Unknown report name."_s);
        return;
    }
    const QString platform = text(request.get_param_value("PLATFORM"));
    if (!CatalogueGenerator::isKnownPlatform(platform)) {
        html(response, 400, u"Bad request"_s, u"Unknown platform: "_s + platform);
        return;
    }
    const QString lastText = text(request.get_param_value("LAST_UPDATED"));
    const QDate lastUpdated = QDate::fromString(lastText, u"yyyy-MM-dd"_s);
    const QDate today = options_.today.isValid() ? options_.today : QDate::currentDate();
    if (lastText.size() != 10 || !lastUpdated.isValid() || lastUpdated > today) {
        html(response, 400, u"Bad request"_s,
             u"LAST_UPDATED wants a past date as yyyy-MM-dd: "_s + lastText);
        return;
    }
    response.set_content(bytes(LiveCatalogue::updateAnswer(platform, lastUpdated, today)),
                         "text/plain; charset=utf-8");
}

void ServicesServer::product(const httplib::Request& request, httplib::Response& response) {
    if (text(request.get_param_value("apiKey")) != DemoReviews::kApiKey) {
        response.status = 403;
        response.set_content(bytes(reviews_->errorDocument(u"Invalid or missing apiKey"_s)),
                             "text/xml; charset=utf-8");
        return;
    }
    if (request.has_param("return_type") && request.get_param_value("return_type") != "xml") {
        response.status = 400;
        response.set_content(bytes(reviews_->errorDocument(u"Unsupported return_type"_s)),
                             "text/xml; charset=utf-8");
        return;
    }
    response.set_content(
        bytes(reviews_->productDocument(text(request.get_param_value("global_id")))),
        "text/xml; charset=utf-8");
}

void ServicesServer::boxArt(const httplib::Request& request, httplib::Response& response) {
    const QString platform = text(request.matches[1]);
    const QString id = text(request.matches[2]);
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(id);
    if (!game || game->platform != platform || CoverArt::hasNoCover(id)) {
        notFound(response, u"No box art for "_s + id);
        return;
    }
    const QByteArray jpeg = art_.get(u"box-%1-%2.jpg"_s.arg(platform, id),
                                     [game] { return CoverArt::boxArtJpeg(*game); });
    response.set_content(jpeg.constData(), size_t(jpeg.size()), "image/jpeg");
}

void ServicesServer::screenshot(const httplib::Request& request, httplib::Response& response) {
    const QString id = text(request.matches[1]);
    const int number = text(request.matches[2]).toInt();
    const QString suffix = text(request.matches[3]);
    const DemoGame* game = DemoCatalogue::shared().findByCriticonId(id);
    if (!game || number >= kMaxScreenshotNumber) {
        notFound(response, u"No such screenshot"_s);
        return;
    }
    const CoverArt::ShotSize size = suffix == u"_thumb"_s ? CoverArt::ShotSize::Thumbnail
                                    : suffix == u"_hd"_s  ? CoverArt::ShotSize::HighDefinition
                                                          : CoverArt::ShotSize::Screen;
    const QByteArray jpeg =
        art_.get(u"shot-%1-%2%3.jpg"_s.arg(id).arg(number).arg(suffix),
                 [game, number, size] { return CoverArt::screenshotJpeg(*game, number, size); });
    response.set_content(jpeg.constData(), size_t(jpeg.size()), "image/jpeg");
}

void ServicesServer::recordMetric(const httplib::Request& request, httplib::Response& response) {
    static const char* const kFields[] = {"action",      "metricApplication", "metricName",
                                          "metricValue", "metricGroup",       "metricFeature"};
    QJsonObject event{{u"time"_s, QDateTime::currentDateTime().toString(Qt::ISODateWithMs)}};
    for (const char* field : kFields) {
        if (!request.has_param(field)) {
            html(response, 400, u"Bad request"_s,
                 u"The form has no field "_s + QString::fromLatin1(field));
            return;
        }
        event.insert(QString::fromLatin1(field), text(request.get_param_value(field)));
    }
    if (!metrics_.append(event)) {
        html(response, 500, u"Not recorded"_s, u"The metrics file cannot be written."_s);
        return;
    }
    response.set_content("OK", "text/plain");
}
