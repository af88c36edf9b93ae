#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <mutex>
#include <optional>

#include "FakeHttpServer.h"
#include "ReviewDocuments.h"

// The review service for tests and benchmarks, on 127.0.0.1: hands out product, review and
// article documents as the service writes them (ReviewDocuments), and answers the product query
// by the global_id it asks for (404 for an unknown id). Other paths (review and article documents,
// error pages, slow or cut-off answers) go through server(). Any thread.
class FakeReviewService {
public:
    static inline const QString kProductPath = QStringLiteral("/svc/product/get_single/");

    // The documents are ReviewDocuments', the one builder the stand-in services use too.
    using Article = ReviewDocuments::Article;
    using Product = ReviewDocuments::Product;

    FakeReviewService();

    FakeHttpServer& server() { return server_; }
    // The service's base address, as the review-service setting holds it.
    QString baseURL() const { return server_.url(); }
    QString url(const QString& path) const { return server_.url(path); }

    // The answer to the product query for the id.
    void answerProduct(const QString& globalId, const FakeHttpServer::Response& response);
    void answerProduct(const QString& globalId, const Product& product);
    // The product queries received so far, as sent (path and query).
    QList<QString> productQueries() const;

private:
    FakeHttpServer server_;
    // mu_ protects the following state.
    mutable std::mutex mu_;
    QMap<QString, FakeHttpServer::Response> products_;
};
