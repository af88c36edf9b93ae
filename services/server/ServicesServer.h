#pragma once

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "ArtCache.h"
#include "DemoReviews.h"
#include "FaultPlan.h"
#include "MetricsLog.h"
#include "ServicesOptions.h"
#include "SitePages.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

// The stand-in services on one HTTP server: the catalogue update, the review service with its
// documents and pictures, the box art, the metrics service and the two web sites. Requests are
// served by a pool of threads; everything the handlers share is read-only or locked.
class ServicesServer {
public:
    explicit ServicesServer(const ServicesOptions& options);
    ~ServicesServer();

    // Takes the address and port; false, with the reason in *error, when it cannot.
    bool bind(QString* error);
    // The port bound (the one asked for, or the one the system chose for port 0).
    int port() const { return port_; }
    QString baseURL() const;
    // Serves until stop(); call after bind().
    void serve();
    // From any thread, also from a signal-watching one: ends serve() and every wait.
    void stop();

private:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    void route();
    // Latency, then a fault or the handler.
    Handler guarded(Handler handler);
    // Waits, cut short by stop(); false when stopped.
    bool pause(int msecs);
    bool isStopping();
    void log(const httplib::Request& request, const httplib::Response& response);

    void catalogueUpdate(const httplib::Request& request, httplib::Response& response);
    void product(const httplib::Request& request, httplib::Response& response);
    void boxArt(const httplib::Request& request, httplib::Response& response);
    void screenshot(const httplib::Request& request, httplib::Response& response);
    void recordMetric(const httplib::Request& request, httplib::Response& response);

    ServicesOptions options_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::unique_ptr<DemoReviews> reviews_;
    std::unique_ptr<SitePages> sites_;
    FaultPlan faults_;
    MetricsLog metrics_;
    ArtCache art_;

    // mu_ protects the following state.
    std::mutex mu_;
    std::condition_variable stopped_;
    bool stopping_ = false;
};
