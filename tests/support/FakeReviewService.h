#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <mutex>
#include <optional>

#include "FakeHttpServer.h"

// The review service for tests and benchmarks, on 127.0.0.1: builds product, review and article
// documents as the service writes them, and answers the product query by the global_id it
// asks for (404 for an unknown id). Other paths (review and article documents, error pages,
// slow or cut-off answers) go through server(). Any thread.
class FakeReviewService {
public:
    static inline const QString kProductPath = QStringLiteral("/svc/product/get_single/");

    // One content element of a product document (or the body of an article document).
    struct Article {
        // The element's type attribute; "reviews" marks the review.
        QString type = QStringLiteral("previews");
        // "article_" or "content_": the two spellings of the child names.
        QString prefix = QStringLiteral("article_");
        QString title;
        QString blurb;
        QString body;
        QString id;
        QString typeDisplay;
        // The service's time stamp, for example "{ts '2009-05-12 00:00:00'}".
        QString datePublished;
        QString author;
        // The article's own document (article_body_svc); for a review, the review's address.
        QString bodyService;
        QString linkBack;
        // CDATA sections on lines of their own instead of right inside their element.
        bool cdataBetweenLineBreaks = false;
    };

    struct Product {
        // Without it the document is not a valid product document.
        bool hasTitle = true;
        QString title = QStringLiteral("Test Game");
        // Nothing leaves the price element out.
        std::optional<QString> price = QStringLiteral("29.99");
        // Nothing: no review element. "": a review element without an address.
        std::optional<QString> reviewAddress;
        int screenshots = 0;
        QList<Article> related;
    };

    static QByteArray productDocument(const Product& product);
    // A review document; nothing for a part leaves it out.
    static QByteArray reviewDocument(const std::optional<QString>& body,
                                     const std::optional<QString>& blurb = std::nullopt,
                                     const std::optional<QString>& author = std::nullopt,
                                     const std::optional<QString>& datePublished = std::nullopt);
    static QByteArray articleDocument(const Article& article);
    // Addresses of screenshot number i (from 0): the screen-size, thumbnail and HD images.
    static QString screenshotURL(int i);
    static QString thumbnailURL(int i);
    static QString highDefURL(int i);

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
