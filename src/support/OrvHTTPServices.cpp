#include "OrvHTTPServices.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <atomic>

#include "FireAndForgetQueue.h"
#include "Format.h"
#include "HttpReply.h"
#include "MyLog.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefaultPostTimeout = OrvHTTPServices::kPostTimeoutSeconds * 1000;
std::atomic<int> gPostTimeout{kDefaultPostTimeout};

// What stays unescaped besides letters, digits and "-._~": the rest of the characters a URL
// may hold. "%" and "#" are escaped so the value reads back as it was.
const QByteArray kLegalInURL = QByteArrayLiteral("!*'();:@&=+$,/?");

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Percent escapes decoded to bytes, then read as UTF-8; nothing when an escape is malformed or
// the bytes are not UTF-8.
std::optional<QString> decodePercentEscapes(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray bytes;
    bytes.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '%') {
            bytes.append(utf8[i]);
            continue;
        }
        if (i + 2 >= utf8.size()) {
            return std::nullopt;
        }
        const int high = hexValue(utf8[i + 1]);
        const int low = hexValue(utf8[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return decoded;
}

}  // namespace

QString OrvHTTPServices::getFormDataString(const std::optional<Dictionary>& dictionary) {
    if (!dictionary) {
        return u""_s;
    }
    QStringList pairs;
    pairs.reserve(qsizetype(dictionary->size()));
    for (const auto& [key, value] : *dictionary) {
        pairs.append(Format::format(u"%@=%@"_s, escapeString(key), escapeString(value)));
    }
    return pairs.join(u'&');
}

QString OrvHTTPServices::escapeString(const QString& text) {
    if (text.isEmpty()) {
        return u""_s;
    }
    QString escaped = QString::fromLatin1(QUrl::toPercentEncoding(text, kLegalInURL));
    // Legal in a URL but meaningful in a form: escaped afterwards, in this order.
    escaped.replace(u"&"_s, u"%26"_s);
    escaped.replace(u"?"_s, u"%3F"_s);
    escaped.replace(u"="_s, u"%3D"_s);
    escaped.replace(u"+"_s, u"%2B"_s);
    escaped.replace(u";"_s, u"%3B"_s);
    return escaped;
}

QString OrvHTTPServices::unescapeString(const QString& text) {
    if (text.isEmpty()) {
        return u""_s;
    }
    QString unescaped = text;
    unescaped.replace(u"%26"_s, u"&"_s);
    unescaped.replace(u"%3F"_s, u"?"_s);
    unescaped.replace(u"%3D"_s, u"="_s);
    unescaped.replace(u"%2B"_s, u"+"_s);
    unescaped.replace(u"%3B"_s, u";"_s);
    return decodePercentEscapes(unescaped).value_or(unescaped);
}

OrvHTTPServices::FormRequest OrvHTTPServices::getMutableURLRequest(
    const QString& urlString, const std::optional<Dictionary>& withRequestPropertyDictionary,
    double timeoutInterval) {
    FormRequest form;
    form.body = getFormDataString(withRequestPropertyDictionary).toLatin1();
    form.request.setUrl(QUrl(urlString));
    form.request.setHeader(QNetworkRequest::ContentTypeHeader,
                           u"application/x-www-form-urlencoded; charset=utf-8"_s);
    form.request.setRawHeader("Content-Length",
                              Format::format(u"%d"_s, int(form.body.size())).toLatin1());
    form.request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                              QNetworkRequest::AlwaysNetwork);
    form.request.setTransferTimeout(int(timeoutInterval * 1000));
    return form;
}

QString OrvHTTPServices::getStringFromURL(
    const QString& urlString, const std::optional<Dictionary>& withRequestPropertyDictionary) {
    const int timeout = postTimeout();
    const FormRequest form =
        getMutableURLRequest(urlString, withRequestPropertyDictionary, timeout / 1000.0);
    return send(form.request, form.body, timeout, nullptr);
}

void OrvHTTPServices::fireAndForget(
    const QString& urlString, const std::optional<Dictionary>& withRequestPropertyDictionary) {
    if (urlString.isEmpty()) {
        return;
    }
    FireAndForgetQueue::shared().enqueue(urlString, withRequestPropertyDictionary);
}

QString OrvHTTPServices::uploadFile(const QByteArray& data, const QString& toURLString) {
    const QByteArray body = generatePostDataForData(data);
    QNetworkRequest request{QUrl(toURLString)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      u"multipart/form-data; boundary=%1"_s.arg(QLatin1StringView(kBoundary)));
    request.setRawHeader("Content-Length", Format::format(u"%d"_s, int(body.size())).toLatin1());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    const int timeout = kUploadTimeoutSeconds * 1000;
    request.setTransferTimeout(timeout);
    return send(request, body, timeout, nullptr);
}

QByteArray OrvHTTPServices::generatePostDataForData(const QByteArray& data) {
    QByteArray body;
    body.append("--");
    body.append(kBoundary);
    body.append(
        "\r\nContent-Disposition: form-data; name=\"upload[file]\"; filename=\"somefile\"\r\n"
        "Content-Type: application/octet-stream\r\n"
        "Content-Transfer-Encoding: binary\r\n\r\n");
    body.append(data);
    body.append("\r\n--");
    body.append(kBoundary);
    body.append("--");
    return body;
}

void OrvHTTPServices::setPostTimeout(int msecs) {
    gPostTimeout = msecs > 0 ? msecs : kDefaultPostTimeout;
}

int OrvHTTPServices::postTimeout() {
    return gPostTimeout;
}

QString OrvHTTPServices::send(const QNetworkRequest& request, const QByteArray& body,
                              int timeoutMsecs, const std::atomic<bool>* abandon, qint64 maxBytes,
                              QNetworkAccessManager* manager) {
    const Exchange exchange = transfer(request, &body, timeoutMsecs, abandon, manager, maxBytes);
    if (!exchange.finished) {
        return QString();
    }
    if (!exchange.complete) {
        MYLOG(u"Post to %@ failed: %@"_s, request.url().toString(), exchange.errorString);
        return QString();
    }
    QString answer = QString::fromLatin1(exchange.body);
    if (answer.isNull()) {
        answer = u""_s;
    }
    return answer;
}

QByteArray OrvHTTPServices::getDataFromURL(const QString& urlString, int timeoutMsecs,
                                           QNetworkAccessManager* manager,
                                           const std::atomic<bool>* abandon, qint64 maxBytes) {
    QNetworkRequest request{QUrl(urlString)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(timeoutMsecs);
    const Exchange exchange = transfer(request, nullptr, timeoutMsecs, abandon, manager, maxBytes);
    if (!exchange.finished) {
        return QByteArray();
    }
    if (exchange.error != QNetworkReply::NoError) {
        MYLOG(u"Get of %@ failed: %@"_s, request.url().toString(), exchange.errorString);
        return QByteArray();
    }
    QByteArray data = exchange.body;
    if (data.isNull()) {
        data = QByteArray("");  // an empty answer is not a failed one
    }
    return data;
}

OrvHTTPServices::Exchange OrvHTTPServices::transfer(const QNetworkRequest& request,
                                                    const QByteArray* postBody, int timeoutMsecs,
                                                    const std::atomic<bool>* abandon,
                                                    QNetworkAccessManager* manager,
                                                    qint64 maxBytes) {
    const QString verb = postBody ? u"Post to"_s : u"Get of"_s;
    const QUrl url = request.url();
    if (!url.isValid() || url.isRelative() || url.host().isEmpty() ||
        (url.scheme() != u"http"_s && url.scheme() != u"https"_s)) {
        MYLOG(u"No %@ %@: not a web address"_s, verb.toLower(), url.toString());
        return {};
    }
    if (!QCoreApplication::instance()) {
        MYLOG(u"No %@ %@: no application object"_s, verb.toLower(), url.toString());
        return {};
    }
    // Managers may not cross threads: without the caller's own, one for this request alone.
    std::optional<QNetworkAccessManager> ownManager;
    if (!manager) {
        manager = &ownManager.emplace();
    }
    QEventLoop loop;
    QNetworkRequest prepared = request;
    HttpReply::prepareRequest(prepared);
    QNetworkReply* reply = postBody ? manager->post(prepared, *postBody) : manager->get(prepared);
    HttpReply::prepareReply(*reply);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    // Read as it comes, so Qt holds no more than a chunk and a body too big stops at its limit.
    QByteArray body;
    bool tooBig = false;
    bool headersOnly = false;
    const auto take = [&] {
        if (tooBig || headersOnly) {
            return;
        }
        if (maxBytes == kHeadersOnly) {
            // The status line is in; the body, unwanted, is never read.
            headersOnly = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
            if (headersOnly) {
                loop.quit();
            }
            return;
        }
        // Judged before reading, so what is held never grows past the limit.
        if (HttpReply::isOverLimit(*reply, body.size() + reply->bytesAvailable(), maxBytes)) {
            tooBig = true;
            body.clear();
            loop.quit();
            return;
        }
        HttpReply::appendAvailable(*reply, body);
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, take);
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, take);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(timeoutMsecs);
    // Lets a request in flight be given up when the program ends.
    QTimer watch;
    if (abandon) {
        QObject::connect(&watch, &QTimer::timeout, &loop, [&loop, abandon] {
            if (abandon->load()) {
                loop.quit();
            }
        });
        watch.start(50);
    }
    if (!reply->isFinished()) {
        loop.exec();
    }
    take();
    Exchange exchange;
    if (headersOnly) {
        reply->disconnect(&loop);
        exchange.finished = true;
        exchange.complete = true;
        exchange.error = reply->error();
        exchange.errorString = reply->errorString();
        reply->abort();
    } else if (tooBig) {
        reply->disconnect(&loop);
        reply->abort();
        exchange.finished = true;
        exchange.error = QNetworkReply::OperationCanceledError;
        exchange.errorString = u"The answer is larger than the %1 bytes allowed"_s.arg(maxBytes);
    } else if (!reply->isFinished()) {
        MYLOG(u"%@ %@ abandoned after %d ms"_s, verb, url.toString(), int(deadline.interval()));
        reply->abort();
    } else {
        exchange.finished = true;
        exchange.error = reply->error();
        exchange.errorString = reply->errorString();
        exchange.complete = HttpReply::isComplete(*reply);
        exchange.body = std::move(body);
    }
    delete reply;
    return exchange;
}
