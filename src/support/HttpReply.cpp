#include "HttpReply.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

bool HttpReply::isComplete(const QNetworkReply& reply) {
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        return false;
    }
    switch (reply.error()) {
        case QNetworkReply::NoError:
        // What Qt makes of a 4xx or 5xx status line.
        case QNetworkReply::ProtocolInvalidOperationError:
        case QNetworkReply::AuthenticationRequiredError:
        case QNetworkReply::ProxyAuthenticationRequiredError:
        case QNetworkReply::ContentAccessDenied:
        case QNetworkReply::ContentNotFoundError:
        case QNetworkReply::ContentOperationNotPermittedError:
        case QNetworkReply::ContentConflictError:
        case QNetworkReply::ContentGoneError:
        case QNetworkReply::UnknownContentError:
        case QNetworkReply::InternalServerError:
        case QNetworkReply::OperationNotImplementedError:
        case QNetworkReply::ServiceUnavailableError:
        case QNetworkReply::UnknownServerError:
            return true;
        default:
            return false;
    }
}

bool HttpReply::isOverLimit(const QNetworkReply& reply, qint64 received, qint64 maxBytes) {
    if (maxBytes <= 0) {
        return false;
    }
    if (received > maxBytes) {
        return true;
    }
    bool known = false;
    const qint64 announced = reply.header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    return known && announced > maxBytes;
}

void HttpReply::appendAvailable(QNetworkReply& reply, QByteArray& body) {
    const qsizetype held = body.size();
    body.resize(held + reply.bytesAvailable());
    const qint64 got = reply.read(body.data() + held, body.size() - held);
    body.resize(held + std::max<qint64>(got, 0));
}

void HttpReply::prepareRequest(QNetworkRequest& request) {
    // Set by hand, so Qt neither advertises nor decodes compression.
    request.setRawHeader("Accept-Encoding", "identity");
}

void HttpReply::prepareReply(QNetworkReply& reply) {
    reply.setReadBufferSize(kReadAheadBytes);
}
