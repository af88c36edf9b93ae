#include "ReviewDocuments.h"

using namespace Qt::StringLiterals;

namespace {

const QString kXmlDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"_s;

void appendCdata(QString& xml, const QString& text, bool betweenLineBreaks) {
    xml += betweenLineBreaks ? u"\n<![CDATA["_s : u"<![CDATA["_s;
    xml += text;
    xml += betweenLineBreaks ? u"]]>\n"_s : u"]]>"_s;
}

// One child element, left out when the value is null.
void appendChild(QString& xml, const QString& name, const QString& value, bool asCdata,
                 bool betweenLineBreaks) {
    if (value.isNull()) {
        return;
    }
    xml += u"  <"_s + name + u'>';
    if (asCdata) {
        appendCdata(xml, value, betweenLineBreaks);
    } else {
        xml += value.toHtmlEscaped();
    }
    xml += u"</"_s + name + u">\n"_s;
}

void appendContentElement(QString& xml, const ReviewDocuments::Article& article) {
    const QString& p = article.prefix;
    const bool lines = article.cdataBetweenLineBreaks;
    const bool content = p == u"content_"_s;
    xml += u" <content type=\""_s + article.type.toHtmlEscaped() + u"\">\n"_s;
    appendChild(xml, p + u"title"_s, article.title, true, lines);
    appendChild(xml, p + u"id"_s, article.id, false, lines);
    appendChild(xml, p + u"type_display"_s, article.typeDisplay, false, lines);
    appendChild(xml, content ? u"content_date_published"_s : u"date_published"_s,
                article.datePublished, false, lines);
    appendChild(xml, p + u"author"_s, article.author, true, lines);
    appendChild(xml, p + u"blurb"_s, article.blurb, true, lines);
    appendChild(xml, p + u"body_svc"_s, article.bodyService, true, lines);
    appendChild(xml, u"link_back_url"_s, article.linkBack, false, lines);
    appendChild(xml, p + u"body"_s, article.body, true, lines);
    xml += u" </content>\n"_s;
}

}  // namespace

ReviewDocuments::Article ReviewDocuments::reviewDefaults() {
    Article review;
    review.type = u"reviews"_s;
    review.title = u"The review"_s;
    return review;
}

QByteArray ReviewDocuments::productDocument(const Product& product) {
    QString xml;
    xml.reserve(1024 + 192 * product.screenshots + 640 * product.related.size());
    xml += kXmlDeclaration;
    xml += u"<product>\n"_s;
    if (product.hasTitle) {
        xml += u" <product_title>"_s + product.title.toHtmlEscaped() + u"</product_title>\n"_s;
    }
    if (product.price) {
        xml += u" <price>"_s + *product.price + u"</price>\n"_s;
    }
    xml += u" <related_content>\n"_s;
    const qsizetype reviewAt =
        qBound<qsizetype>(0, qsizetype(product.reviewPosition), product.related.size());
    for (qsizetype i = 0; i <= product.related.size(); ++i) {
        if (i == reviewAt && product.reviewAddress) {
            Article review = product.review;
            review.type = u"reviews"_s;
            review.bodyService =
                product.reviewAddress->isEmpty() ? QString() : *product.reviewAddress;
            appendContentElement(xml, review);
        }
        if (i < product.related.size()) {
            appendContentElement(xml, product.related[i]);
        }
    }
    xml += u" </related_content>\n <related_media>\n"_s;
    const QString folder = product.screenshotFolder.toHtmlEscaped();
    for (int i = 0; i < product.screenshots; ++i) {
        const QString n = QString::number(i);
        xml += u"  <media type=\"screenshot\" urlPath=\""_s + folder + n +
               u".jpg\" thumbPath=\""_s + folder + n + u"_thumb.jpg\" hdPath=\""_s + folder + n +
               u"_hd.jpg\"/>\n"_s;
    }
    xml += u" </related_media>\n</product>\n"_s;
    return xml.toUtf8();
}

QByteArray ReviewDocuments::reviewDocument(const std::optional<QString>& body,
                                           const std::optional<QString>& blurb,
                                           const std::optional<QString>& author,
                                           const std::optional<QString>& datePublished) {
    QString xml = kXmlDeclaration + u"<content type=\"reviews\">\n"_s;
    if (author) {
        appendChild(xml, u"content_author"_s, *author, true, false);
    }
    if (datePublished) {
        appendChild(xml, u"content_date_published"_s, *datePublished, false, false);
    }
    if (blurb) {
        appendChild(xml, u"content_blurb"_s, *blurb, true, false);
    }
    if (body) {
        appendChild(xml, u"content_body"_s, *body, true, false);
    }
    xml += u"</content>\n"_s;
    return xml.toUtf8();
}

QByteArray ReviewDocuments::articleDocument(const Article& article) {
    QString xml = kXmlDeclaration + u"<related_content>\n"_s;
    appendContentElement(xml, article);
    xml += u"</related_content>\n"_s;
    return xml.toUtf8();
}

QByteArray ReviewDocuments::errorDocument(int code, const QString& message) {
    return (kXmlDeclaration + u"<error>\n <code>"_s + QString::number(code) +
            u"</code>\n <message>"_s + message.toHtmlEscaped() + u"</message>\n</error>\n"_s)
        .toUtf8();
}

QString ReviewDocuments::screenshotURL(int i, const QString& folder) {
    return folder + QString::number(i) + u".jpg"_s;
}

QString ReviewDocuments::thumbnailURL(int i, const QString& folder) {
    return folder + QString::number(i) + u"_thumb.jpg"_s;
}

QString ReviewDocuments::highDefURL(int i, const QString& folder) {
    return folder + QString::number(i) + u"_hd.jpg"_s;
}
