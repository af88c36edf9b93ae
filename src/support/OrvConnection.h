#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "OrvConnectionDelegate.h"
#include "OrvConnectionResultDTO.h"
#include "OrvError.h"

class QNetworkAccessManager;
class QNetworkReply;

// One asynchronous GET of a web address, and the reachability test that the start-up warning
// asks. Created, started, cancelled and destroyed on one thread with a running event loop (the
// main thread in this program); the delegate is called there. The delegate is not owned and
// must outlive the connection or cancel it first; the caller owns the connection, and
// destroying it cancels the transfer without a callback. Any completed transfer is a success
// whatever its HTTP status; a bad address, a transport failure or the time-out is a failure.
class OrvConnection : public QObject {
    Q_OBJECT

public:
    // Reachability flags as the platform reports them.
    static constexpr unsigned kReachable = 2;
    static constexpr unsigned kConnectionRequired = 4;
    // Codes of the "OrvConnection" error domain: a bad address (found before any transfer) and
    // the time-out. Transport failures use the "QNetworkReply" domain with Qt's error code.
    static constexpr int kErrorBadURL = -1000;
    static constexpr int kErrorUnsupportedURL = -1002;
    static constexpr int kErrorTimedOut = -1001;
    // An answer bigger than the connection allows, refused while it arrives.
    static constexpr int kErrorDataLengthExceedsMaximum = -1103;
    // What a connection accepts unless its caller sets the limit of its kind of request.
    static constexpr qint64 kDefaultMaxBodyBytes = 8 * 1024 * 1024;

    static std::unique_ptr<OrvConnection> connectionWithURLString(
        const QString& urlString, OrvConnectionDelegate* andDelegate, int andType = -1);

    OrvConnection();
    ~OrvConnection() override;

    void initializeWithDelegate(OrvConnectionDelegate* delegate, const QString& andURLString,
                                int andType = -1);

    // Starts the transfer; the outcome arrives later through the delegate, never from inside
    // this call (a bad address, too, fails on a queued call).
    void start();
    // Stops a transfer in progress; no callback follows.
    void cancel();
    // Builds result() from the fields.
    void populateResultObject();

    OrvConnectionDelegate* delegate() const { return delegate_; }
    void setDelegate(OrvConnectionDelegate* delegate) { delegate_ = delegate; }
    const QString& urlString() const { return urlString_; }
    void setUrlString(const QString& urlString) { urlString_ = urlString; }
    int type() const { return type_; }
    void setType(int type) { type_ = type; }
    bool isRequesting() const { return isRequesting_; }
    void setIsRequesting(bool isRequesting) { isRequesting_ = isRequesting; }
    const QDateTime& requestBegan() const { return requestBegan_; }
    void setRequestBegan(const QDateTime& requestBegan) { requestBegan_ = requestBegan; }
    const QDateTime& requestEnded() const { return requestEnded_; }
    void setRequestEnded(const QDateTime& requestEnded) { requestEnded_ = requestEnded; }
    const std::optional<OrvError>& requestError() const { return requestError_; }
    void setRequestError(const std::optional<OrvError>& requestError) {
        requestError_ = requestError;
    }
    // The largest answer accepted, in bytes: a bigger one (by its announced length or by the
    // bytes that came) is aborted and fails. Set before start(); 0 or less means no limit.
    qint64 maxBodyBytes() const { return maxBodyBytes_; }
    void setMaxBodyBytes(qint64 maxBodyBytes) { maxBodyBytes_ = maxBodyBytes; }
    const QByteArray& dataReceived() const { return dataReceived_; }
    void setDataReceived(const QByteArray& dataReceived) { dataReceived_ = dataReceived; }
    const OrvConnectionResultDTO* result() const { return result_.get(); }

    // Longest silence in milliseconds (no response bytes) before a transfer fails as timed out,
    // for connections started after the call (default 60 000; 0 or less restores the default).
    // A slow but steady download is not cut off. Tests shorten it. Main thread.
    static void setTransferTimeout(int msecs);
    static int transferTimeout();

    // The manager every connection uses. Null restores the program's own. The manager is not
    // owned and must outlive the connections started on it. Main thread.
    static void setNetworkAccessManager(QNetworkAccessManager* manager);
    static QNetworkAccessManager* networkAccessManager();

    // True when the network is reachable without first setting up a connection. A state that
    // cannot be read answers false, with a line on standard output.
    static bool isConnectedToNetwork();

    // Where the flags come from: nothing means they could not be read. Tests put their own
    // reader in; an empty function restores the system's.
    using FlagsReader = std::function<std::optional<unsigned>()>;
    static void setReachabilityFlagsReader(FlagsReader reader);
    static std::optional<unsigned> systemReachabilityFlags();

private:
    // Appends what has arrived; false when that made the answer too big, in which case the
    // connection has failed and its delegate may have destroyed it.
    bool onReadyRead();
    void onFinished();
    void completeWithSuccess();
    void completeWithError(const OrvError& error);
    void dropConnection();

    OrvConnectionDelegate* delegate_ = nullptr;
    QString urlString_;
    QPointer<QNetworkReply> connection_;
    QByteArray dataReceived_;
    QDateTime requestBegan_;
    QDateTime requestEnded_;
    std::optional<OrvError> requestError_;
    bool isRequesting_ = false;
    int type_ = -1;
    qint64 maxBodyBytes_ = kDefaultMaxBodyBytes;
    std::unique_ptr<OrvConnectionResultDTO> result_;
    // Raised by start and cancel so a queued bad-address failure of an earlier start is dropped.
    quint64 generation_ = 0;
};
