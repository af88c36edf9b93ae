#include "DetailDocuments.h"

#include <utility>

#include "DateFunctions.h"
#include "FileFunctions.h"
#include "MyLog.h"
#include "StringExtensions.h"
#include "XPathQuery.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kProductTitle = u"<product_title>"_s;
const QString kReviewElement = u"<content type=\"reviews\">"_s;
const QString kScreenshotElement = u"<media type=\"screenshot\""_s;
const QString kReviewBodyOpen = u"<content_body><![CDATA["_s;
const QString kObjectOpen = u"<object"_s;
const QString kObjectClose = u"</object>"_s;

using Tokens = QList<std::pair<QString, QString>>;

// Fills each "**TOKEN**" of the template in one pass (null values as ""), so text that a value
// brings in is never taken for a token.
QString fillTemplate(const QString& text, const Tokens& tokens) {
    if (text.isNull()) {
        return QString();
    }
    QString page;
    page.reserve(text.size());
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(u"**"_s, from);
        if (at < 0) {
            break;
        }
        const QStringView rest = QStringView(text).mid(at);
        const auto token = std::find_if(tokens.cbegin(), tokens.cend(), [&](const auto& entry) {
            return rest.startsWith(entry.first);
        });
        if (token == tokens.cend()) {
            page.append(QStringView(text).mid(from, at + 1 - from));
            from = at + 1;
            continue;
        }
        page.append(QStringView(text).mid(from, at - from));
        page.append(token->second);
        from = at + token->first.size();
    }
    page.append(QStringView(text).mid(from));
    return page;
}

// An address placed inside a quoted attribute cannot end the attribute early.
QString attributeSafe(const QString& address) {
    return stringByReplacing(address, u"\""_s, u"&quot;"_s);
}

QString between(const QString& text, const QString& left, const QString& right) {
    return stringBetween(text, left, right);
}

}  // namespace

QList<std::shared_ptr<RelatedContent>> DetailDocuments::relatedContentFromProductDocument(
    const QByteArray& utf8Body, const QString& gameLink) {
    const std::optional<XPathResultArray> found =
        PerformXMLXPathQuery(utf8Body, kRelatedContentQuery);
    QList<std::shared_ptr<RelatedContent>> related;
    if (!found) {
        return related;
    }
    related.reserve(qsizetype(found->size()));
    for (auto it = found->crbegin(); it != found->crend(); ++it) {
        std::shared_ptr<RelatedContent> content =
            RelatedContent::relatedContentWithXPathResultDictionary(*it);
        content->setUrlLink(gameLink);
        related.append(std::move(content));
    }
    return related;
}

std::shared_ptr<RelatedContent> DetailDocuments::relatedContentFromArticleDocument(
    const QByteArray& utf8Body) {
    const std::optional<XPathResultArray> found = PerformXMLXPathQuery(utf8Body, u"//content"_s);
    if (!found || found->empty()) {
        return RelatedContent::relatedContentWithXPathResultDictionary({});
    }
    return RelatedContent::relatedContentWithXPathResultDictionary(found->front());
}

bool DetailDocuments::isProductDocument(const QString& body) {
    return contains(body, kProductTitle);
}

QString DetailDocuments::priceFromProductDocument(const QString& body) {
    return between(body, u"<price>"_s, u"</price>"_s);
}

QString DetailDocuments::reviewLinkFromProductDocument(const QString& body) {
    if (!contains(body, kReviewElement)) {
        return QString();
    }
    const QString review = between(body, kReviewElement, u"</content>"_s);
    return between(review, u"<article_body_svc><![CDATA["_s, u"]]></article_body_svc>"_s);
}

bool DetailDocuments::hasScreenshots(const QString& body) {
    return contains(body, kScreenshotElement);
}

QList<Screenshot> DetailDocuments::screenshotsFromProductDocument(const QByteArray& utf8Body) {
    const std::optional<XPathResultArray> found = PerformXMLXPathQuery(utf8Body, kScreenshotQuery);
    const qsizetype count = found ? qsizetype(found->size()) : 0;
    MYLOG_IF(0, u"number of screenshots: = [%d]"_s, count);
    QList<Screenshot> screenshots;
    screenshots.reserve(qMin<qsizetype>(count, kMaxScreenshots));
    for (qsizetype i = 0; i < count && i < kMaxScreenshots; ++i) {
        Screenshot shot;
        for (const XPathAttributeDictionary& attribute : (*found)[size_t(i)].nodeAttributeArray) {
            if (attribute.attributeName == u"urlPath"_s) {
                shot.setUrlScreenshot(attribute.nodeContent);
            } else if (attribute.attributeName == u"thumbPath"_s) {
                shot.setUrlThumbnail(attribute.nodeContent);
            } else if (attribute.attributeName == u"hdPath"_s) {
                shot.setUrlHighDef(attribute.nodeContent);
            }
        }
        MYLOG_IF(0, u"shot = [%@]"_s, shot);
        screenshots.append(std::move(shot));
    }
    return screenshots;
}

QString DetailDocuments::screenshotPage(const QList<Screenshot>& screenshots,
                                        const QString& moreURL) {
    QString body = u""_s;
    for (const Screenshot& shot : screenshots) {
        if (shot.urlScreenshot().size() > 5) {
            body += u"<img src=\""_s + attributeSafe(shot.urlScreenshot()) + u"\">\n"_s;
        }
    }
    return fillTemplate(
        FileFunctions::getStringFileValueFromBundle(u"images_template"_s, u"html"_s),
        {{u"**MORE_URL**"_s, attributeSafe(moreURL)}, {u"**BODY**"_s, body}});
}

std::optional<DetailDocuments::Review> DetailDocuments::reviewFromReviewDocument(
    const QString& body) {
    if (!contains(body, kReviewBodyOpen)) {
        return std::nullopt;
    }
    Review review;
    review.html = between(body, kReviewBodyOpen, u"]]></content_body>"_s);
    review.blurb = between(body, u"<content_blurb><![CDATA["_s, u"]]></content_blurb>"_s);
    review.byName = between(body, u"<content_author><![CDATA["_s, u"]]></content_author>"_s);
    review.date = getFormattedDateStringFromTS(
        between(body, u"<content_date_published>"_s, u"</content_date_published>"_s));
    review.html = withoutObjects(review.html);
    return review;
}

QString DetailDocuments::reviewPage(const QString& moreURL, const QString& reviewedBy,
                                    const QString& reviewedDate, const QString& reviewBlurb,
                                    const QString& body) {
    return fillTemplate(
        FileFunctions::getStringFileValueFromBundle(u"review_template"_s, u"html"_s),
        {{u"**MORE_URL**"_s, attributeSafe(moreURL)},
         {u"**REVIEWED_BY**"_s, reviewedBy},
         {u"**REVIEWED_DATE**"_s, reviewedDate},
         {u"**REVIEW_BLURB**"_s, reviewBlurb},
         {u"**BODY**"_s, body}});
}

QString DetailDocuments::withoutObjects(const QString& html) {
    QString cleaned = html.isNull() ? u""_s : html;
    while (contains(cleaned, kObjectOpen)) {
        const QString object =
            kObjectOpen + between(cleaned, kObjectOpen, kObjectClose) + kObjectClose;
        const qsizetype before = cleaned.size();
        cleaned.remove(object);
        if (cleaned.size() == before) {
            break;  // an object that is never closed stays as it is
        }
    }
    return cleaned;
}

QString DetailDocuments::getFormattedDateStringFromTS(const QString& text) {
    if (!contains(text, u"ts '"_s)) {
        return QString();
    }
    return getShortDateDisplayFromYMD(between(text, u"ts '"_s, u" "_s));
}

QString DetailDocuments::getShortDateDisplayFromYMD(const QString& ymd) {
    return DateFunctions::getLongDateDisplayFromYMD(ymd);
}
