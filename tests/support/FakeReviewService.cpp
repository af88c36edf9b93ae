#include "FakeReviewService.h"

#include <QUrlQuery>

using namespace Qt::StringLiterals;

FakeReviewService::FakeReviewService() {
    server_.on(kProductPath, [this](const FakeHttpServer::Request& request) {
        const QString target = request.target;
        const QUrlQuery query(target.mid(target.indexOf(u'?') + 1));
        std::lock_guard lock(mu_);
        return products_.value(
            query.queryItemValue(u"global_id"_s),
            FakeHttpServer::Response{404, "<html>Not found</html>", "text/html"});
    });
}

void FakeReviewService::answerProduct(const QString& globalId,
                                      const FakeHttpServer::Response& response) {
    std::lock_guard lock(mu_);
    products_.insert(globalId, response);
}

void FakeReviewService::answerProduct(const QString& globalId, const Product& product) {
    answerProduct(globalId, FakeHttpServer::Response{200, ReviewDocuments::productDocument(product),
                                                     "text/xml"});
}

QList<QString> FakeReviewService::productQueries() const {
    QList<QString> queries;
    for (const FakeHttpServer::Request& request : server_.requests()) {
        if (request.path == kProductPath) {
            queries.append(request.target);
        }
    }
    return queries;
}
