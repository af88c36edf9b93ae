#include "OrvConnection.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <cstdio>

#include "DateFunctions.h"
#include "HttpReply.h"
#include "MyLog.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kDefaultTransferTimeout = 60000;
int gTransferTimeout = kDefaultTransferTimeout;
QPointer<QNetworkAccessManager> gInjectedManager;
QPointer<QNetworkAccessManager> gOwnManager;

OrvError badAddressError(const QString& urlString, int code, const QString& why) {
    return OrvError{u"OrvConnection"_s, code, why, QVariantMap{{u"URL_STRING"_s, urlString}}};
}

OrvConnection::FlagsReader& flagsReader() {
    static OrvConnection::FlagsReader reader;
    return reader;
}

// Without a network-information backend: reachable when some interface other than loopback is
// up, running and has an address.
std::optional<unsigned> flagsFromInterfaces() {
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    if (interfaces.isEmpty()) {
        return std::nullopt;
    }
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) ||
            !flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning)) {
            continue;
        }
        if (!interface.addressEntries().isEmpty()) {
            return OrvConnection::kReachable;
        }
    }
    return 0u;
}

}  // namespace

std::optional<unsigned> OrvConnection::systemReachabilityFlags() {
    if (QNetworkInformation::instance() || QNetworkInformation::loadDefaultBackend()) {
        if (QNetworkInformation* information = QNetworkInformation::instance();
            information && information->supports(QNetworkInformation::Feature::Reachability)) {
            switch (information->reachability()) {
                case QNetworkInformation::Reachability::Online:
                case QNetworkInformation::Reachability::Site:
                case QNetworkInformation::Reachability::Local:
                    return kReachable;
                case QNetworkInformation::Reachability::Disconnected:
                    return 0u;
                case QNetworkInformation::Reachability::Unknown:
                    break;  // the backend does not know yet: look at the interfaces
            }
        }
    }
    return flagsFromInterfaces();
}

void OrvConnection::setReachabilityFlagsReader(FlagsReader reader) {
    flagsReader() = std::move(reader);
}

bool OrvConnection::isConnectedToNetwork() {
    const FlagsReader& reader = flagsReader();
    const std::optional<unsigned> flags = reader ? reader() : systemReachabilityFlags();
    if (!flags) {
        std::puts("Error. Could not recover network reachability flags");
        std::fflush(stdout);
        return false;
    }
    return (*flags & kReachable) != 0 && (*flags & kConnectionRequired) == 0;
}

// The transfer.

std::unique_ptr<OrvConnection> OrvConnection::connectionWithURLString(
    const QString& urlString, OrvConnectionDelegate* andDelegate, int andType) {
    auto connection = std::make_unique<OrvConnection>();
    connection->initializeWithDelegate(andDelegate, urlString, andType);
    return connection;
}

OrvConnection::OrvConnection() = default;

OrvConnection::~OrvConnection() {
    cancel();
}

void OrvConnection::initializeWithDelegate(OrvConnectionDelegate* delegate,
                                           const QString& andURLString, int andType) {
    delegate_ = delegate;
    urlString_ = andURLString;
    type_ = andType;
}

void OrvConnection::start() {
    cancel();  // one transfer at a time; an earlier one ends silently
    result_.reset();
    requestError_.reset();
    requestEnded_ = QDateTime();
    dataReceived_ = QByteArray("");
    requestBegan_ = DateFunctions::getNow();
    isRequesting_ = true;
    const quint64 generation = ++generation_;

    const QUrl url(urlString_, QUrl::StrictMode);
    std::optional<OrvError> bad;
    if (urlString_.trimmed().isEmpty()) {
        bad = badAddressError(urlString_, kErrorBadURL, u"No address to fetch"_s);
    } else if (!url.isValid() || url.isRelative()) {
        bad = badAddressError(urlString_, kErrorBadURL, u"Not a valid address: "_s + urlString_);
    } else if (const QString scheme = url.scheme().toLower();
               scheme != u"http"_s && scheme != u"https"_s) {
        bad = badAddressError(urlString_, kErrorUnsupportedURL,
                              u"Unsupported address scheme: "_s + urlString_);
    } else if (url.host().isEmpty()) {
        bad = badAddressError(urlString_, kErrorBadURL, u"Address without a host: "_s + urlString_);
    }
    if (bad) {
        // Queued, so a caller never hears back before start() has returned.
        QMetaObject::invokeMethod(
            this,
            [this, generation, error = *bad] {
                if (generation == generation_ && isRequesting_) {
                    completeWithError(error);
                }
            },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    HttpReply::prepareRequest(request);
    QNetworkReply* reply = networkAccessManager()->get(request);
    HttpReply::prepareReply(*reply);
    connection_ = reply;
    // Silence for longer than the time-out ends the transfer; each arriving chunk restarts it.
    auto* silence = new QTimer(reply);
    silence->setSingleShot(true);
    silence->setInterval(transferTimeout());
    connect(silence, &QTimer::timeout, this, [this, silence, reply] {
        if (connection_ != reply) {
            return;  // cancelled; the reply awaits deletion
        }
        OrvError error{u"OrvConnection"_s, kErrorTimedOut,
                       Format::format(u"The request timed out after %d ms without data"_s,
                                      silence->interval()),
                       QVariantMap{{u"URL_STRING"_s, urlString_}}};
        dropConnection();
        completeWithError(error);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, silence] {
        silence->start();
        onReadyRead();
    });
    connect(reply, &QNetworkReply::uploadProgress, silence, qOverload<>(&QTimer::start));
    // An announced length above the limit is refused before its first byte is read.
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (connection_ == reply) {
            onReadyRead();
        }
    });
    connect(reply, &QNetworkReply::finished, this, &OrvConnection::onFinished);
    silence->start();
}

bool OrvConnection::onReadyRead() {
    QNetworkReply* reply = connection_;
    if (!reply) {
        return true;
    }
    // Judged before reading, so what is held never grows past the limit.
    if (!HttpReply::isOverLimit(*reply, dataReceived_.size() + reply->bytesAvailable(),
                                maxBodyBytes_)) {
        HttpReply::appendAvailable(*reply, dataReceived_);
        return true;
    }
    OrvError error{u"OrvConnection"_s, kErrorDataLengthExceedsMaximum,
                   u"The answer is larger than the %1 bytes allowed"_s.arg(maxBodyBytes_),
                   QVariantMap{{u"URL_STRING"_s, urlString_}}};
    dropConnection();
    completeWithError(error);
    return false;
}

void OrvConnection::onFinished() {
    QNetworkReply* reply = connection_;
    if (!reply || !onReadyRead()) {
        return;
    }
    if (!HttpReply::isComplete(*reply)) {
        OrvError error{u"QNetworkReply"_s, int(reply->error()), reply->errorString(),
                       QVariantMap{{u"URL_STRING"_s, urlString_}}};
        dropConnection();
        completeWithError(error);
        return;
    }
    dropConnection();
    completeWithSuccess();
}

void OrvConnection::completeWithSuccess() {
    requestEnded_ = DateFunctions::getNow();
    requestError_.reset();
    isRequesting_ = false;
    populateResultObject();
    if (delegate_) {
        // Last use of this object: the delegate may destroy the connection in the callback.
        delegate_->orvConnectionSuccessWithConnection(this, result_->body());
    }
}

void OrvConnection::completeWithError(const OrvError& error) {
    dataReceived_ = QByteArray();
    requestEnded_ = DateFunctions::getNow();
    requestError_ = error;
    isRequesting_ = false;
    populateResultObject();
    MYLOG(u"Connection to %@ failed: %@"_s, urlString_, error);
    if (delegate_) {
        delegate_->orvConnectionFailureWithConnection(this, error);
    }
}

void OrvConnection::dropConnection() {
    if (QNetworkReply* reply = connection_) {
        connection_ = nullptr;
        reply->disconnect(this);
        if (reply->isRunning()) {
            reply->abort();
        }
        reply->deleteLater();
    }
}

void OrvConnection::cancel() {
    ++generation_;
    dropConnection();
    isRequesting_ = false;
}

void OrvConnection::populateResultObject() {
    result_ = std::make_unique<OrvConnectionResultDTO>();
    result_->setUrl(urlString_);
    result_->setStarted(requestBegan_);
    result_->setEnded(requestEnded_);
    result_->setData(dataReceived_);
    result_->setError(requestError_);
}

void OrvConnection::setTransferTimeout(int msecs) {
    gTransferTimeout = msecs > 0 ? msecs : kDefaultTransferTimeout;
}

int OrvConnection::transferTimeout() {
    return gTransferTimeout;
}

void OrvConnection::setNetworkAccessManager(QNetworkAccessManager* manager) {
    gInjectedManager = manager;
}

QNetworkAccessManager* OrvConnection::networkAccessManager() {
    if (gInjectedManager) {
        return gInjectedManager;
    }
    if (!gOwnManager) {
        // Owned by the application object, so it goes before Qt's networking is torn down.
        gOwnManager = new QNetworkAccessManager(QCoreApplication::instance());
    }
    return gOwnManager;
}
