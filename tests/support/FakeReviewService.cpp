#include "FakeReviewService.h"

#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace {

QString cdata(const QString& text, bool betweenLineBreaks) {
    return betweenLineBreaks ? u"\n<![CDATA["_s + text + u"]]>\n"_s
                             : u"<![CDATA["_s + text + u"]]>"_s;
}

// One child element, left out when the value is null.
QString child(const QString& name, const QString& value, bool asCdata, bool betweenLineBreaks) {
    if (value.isNull()) {
        return QString();
    }
    const QString inner = asCdata ? cdata(value, betweenLineBreaks) : value.toHtmlEscaped();
    return u"  <"_s + name + u'>' + inner + u"</"_s + name + u">\n"_s;
}

QString contentElement(const FakeReviewService::Article& article) {
    const QString& p = article.prefix;
    const bool lines = article.cdataBetweenLineBreaks;
    const bool content = p == u"content_"_s;
    QString xml = u" <content type=\""_s + article.type + u"\">\n"_s;
    xml += child(p + u"title"_s, article.title, true, lines);
    xml += child(p + u"id"_s, article.id, false, lines);
    xml += child(p + u"type_display"_s, article.typeDisplay, false, lines);
    xml += child(content ? u"content_date_published"_s : u"date_published"_s, article.datePublished,
                 false, lines);
    xml += child(p + u"author"_s, article.author, true, lines);
    xml += child(p + u"blurb"_s, article.blurb, true, lines);
    xml += child(p + u"body_svc"_s, article.bodyService, true, lines);
    xml += child(u"link_back_url"_s, article.linkBack, false, lines);
    xml += child(p + u"body"_s, article.body, true, lines);
    xml += u" </content>\n"_s;
    return xml;
}

}  // namespace

QByteArray FakeReviewService::productDocument(const Product& product) {
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<product>\n"_s;
    if (product.hasTitle) {
        xml += u" <product_title>"_s + product.title.toHtmlEscaped() + u"</product_title>\n"_s;
    }
    if (product.price) {
        xml += u" <price>"_s + *product.price + u"</price>\n"_s;
    }
    xml += u" <related_content>\n"_s;
    if (product.reviewAddress) {
        Article review;
        review.type = u"reviews"_s;
        review.title = u"The review"_s;
        review.bodyService = product.reviewAddress->isEmpty() ? QString() : *product.reviewAddress;
        xml += contentElement(review);
    }
    for (const Article& article : product.related) {
        xml += contentElement(article);
    }
    xml += u" </related_content>\n <related_media>\n"_s;
    for (int i = 0; i < product.screenshots; ++i) {
        xml +=
            u"  <media type=\"screenshot\" urlPath=\"%1\" thumbPath=\"%2\" hdPath=\"%3\"/>\n"_s.arg(
                screenshotURL(i), thumbnailURL(i), highDefURL(i));
    }
    xml += u" </related_media>\n</product>\n"_s;
    return xml.toUtf8();
}

QByteArray FakeReviewService::reviewDocument(const std::optional<QString>& body,
                                             const std::optional<QString>& blurb,
                                             const std::optional<QString>& author,
                                             const std::optional<QString>& datePublished) {
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<content type=\"reviews\">\n"_s;
    if (author) {
        xml += child(u"content_author"_s, *author, true, false);
    }
    if (datePublished) {
        xml += child(u"content_date_published"_s, *datePublished, false, false);
    }
    if (blurb) {
        xml += child(u"content_blurb"_s, *blurb, true, false);
    }
    if (body) {
        xml += child(u"content_body"_s, *body, true, false);
    }
    xml += u"</content>\n"_s;
    return xml.toUtf8();
}

QByteArray FakeReviewService::articleDocument(const Article& article) {
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<related_content>\n"_s +
            contentElement(article) + u"</related_content>\n"_s)
        .toUtf8();
}

QString FakeReviewService::screenshotURL(int i) {
    return u"http://images.example.org/shots/%1.jpg"_s.arg(i);
}

QString FakeReviewService::thumbnailURL(int i) {
    return u"http://images.example.org/shots/%1_thumb.jpg"_s.arg(i);
}

QString FakeReviewService::highDefURL(int i) {
    return u"http://images.example.org/shots/%1_hd.jpg"_s.arg(i);
}

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
    answerProduct(globalId, FakeHttpServer::Response{200, productDocument(product), "text/xml"});
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
