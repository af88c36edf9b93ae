#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What the stand-in review service answers for the demo games (DemoCatalogue): product, review
// and article documents, made up deterministically from the game, with addresses that point
// back at the services (baseURL, for example "http://127.0.0.1:8471"). Read-only after
// construction: any thread.
class DemoReviews {
public:
    // The key the program's product query carries.
    static inline const QString kApiKey = QStringLiteral("3f1a0c2e-7d94-4b6a-a85c0e91f2d37b46");

    explicit DemoReviews(const QString& baseURL);

    // GET /svc/product/get_single/?apiKey=...&return_type=xml&global_id=<id>: the product
    // document; for an id no catalogue holds, what the real service answers, a document without
    // <product_title>. Its screenshots are <baseURL>/shots/<id>/<n>.jpg, <n>_thumb.jpg and
    // <n>_hd.jpg with n from 0; its articles point at /svc/article/<id><number>, numbered from 1
    // in document order, and at the review site's /site/game/<id>.
    QByteArray productDocument(const QString& globalId) const;
    // The answer to a product query with a wrong or missing apiKey.
    QByteArray errorDocument(const QString& message) const;
    // GET /svc/review/<id>: the review of the game with that id; nothing for an unknown id or
    // a game the review site has not scored.
    std::optional<QByteArray> reviewDocument(const QString& id) const;
    // GET /svc/article/<id>: nothing for an unknown id.
    std::optional<QByteArray> articleDocument(const QString& id) const;

private:
    QString baseURL_;
};
