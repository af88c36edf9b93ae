#include "HttpReply.h"

#include <QNetworkReply>
#include <QNetworkRequest>

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
