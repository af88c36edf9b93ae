#pragma once

#include <QUrlQuery>
#include <mutex>

#include "FakeHttpServer.h"
#include "ReviewDocuments.h"

// The review service for tests and benchmarks, on 127.0.0.1: answers the product query by the
// global_id it asks for (404 for an unknown id) with documents as the service writes them
// (ReviewDocuments). Other paths (review and article documents, error pages, slow or cut-off
// answers) go through server(). Any thread.
class FakeReviewService {
public:
    static inline const QString kProductPath = QStringLiteral("/svc/product/get_single/");

    using Article = ReviewDocuments::Article;
    using Product = ReviewDocuments::Product;

    FakeReviewService() {
        server_.on(kProductPath, [this](const FakeHttpServer::Request& request) {
            const QUrlQuery query(request.target.mid(request.target.indexOf(u'?') + 1));
            std::lock_guard lock(mu_);
            return products_.value(query.queryItemValue(QStringLiteral("global_id")),
                                   {404, "<html>Not found</html>", "text/html"});
        });
    }

    FakeHttpServer& server() { return server_; }
    // The service's base address, as the review-service setting holds it.
    QString baseURL() const { return server_.url(); }
    QString url(const QString& path) const { return server_.url(path); }

    // The answer to the product query for the id.
    void answerProduct(const QString& globalId, const FakeHttpServer::Response& response) {
        std::lock_guard lock(mu_);
        products_.insert(globalId, response);
    }
    void answerProduct(const QString& globalId, const Product& product) {
        answerProduct(globalId, {200, ReviewDocuments::productDocument(product), "text/xml"});
    }

private:
    FakeHttpServer server_;
    // mu_ protects the following state.
    std::mutex mu_;
    QMap<QString, FakeHttpServer::Response> products_;
};
