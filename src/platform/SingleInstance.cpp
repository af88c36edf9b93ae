#include "SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include "Console.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qint64 kHeaderBytes = 4;
constexpr char kAck = '\x06';
// Held only while a start checks, clears and takes the socket.
constexpr int kLockWaitMs = 5000;
// How long a live instance may take to accept the probe connection.
constexpr int kProbeMs = 1000;
// A client that connects and never finishes its message is dropped after this.
constexpr int kReceiveLimitMs = 10000;

// Whether a live instance accepts connections at this name.
bool answers(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool connected = probe.waitForConnected(kProbeMs);
    probe.abort();
    return connected;
}

}  // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), key_(key), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

// The server, a child, closes and removes its socket file.
SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString& key) {
    // The user's private runtime folder where the session has one; the shared temporary
    // folder otherwise, where the user id in the name keeps users apart.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QDir::tempPath();
    }
    // Hashed: the key may be long or hold any character, and a socket path is short.
    const QByteArray digest =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return u"%1/questlog-%2-%3.socket"_s.arg(folder, QString::number(::geteuid()),
                                             QString::fromLatin1(digest));
}

bool SingleInstance::sendToRunningInstance(const QString& key, const QString& message,
                                           int timeoutMs) {
    const QByteArray body = message.toUtf8();
    if (body.size() > kMaxMessageBytes) {
        Console::log(u"Not handed to the running instance: %lld bytes is too long"_s,
                     static_cast<long long>(body.size()));
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(serverName(key));
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        return false;
    }
    QByteArray frame(kHeaderBytes, '\0');
    qToBigEndian<quint32>(quint32(body.size()), frame.data());
    frame += body;
    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            return false;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.read(1) == QByteArray(1, kAck);
}

bool SingleInstance::listen() {
    if (server_->isListening()) {
        return true;
    }
    const QString name = serverName(key_);
    // Two starts at once must not both find the socket stale and remove each other's; the
    // lock of a process that died is taken over.
    QLockFile lock(name + u".lock"_s);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kLockWaitMs)) {
        Console::log(u"Cannot take the instance lock %@ (error %d)"_s, lock.fileName(),
                     int(lock.error()));
        return false;
    }
    // Checked before listening: Qt puts a socket with access options in place by renaming, which
    // would take the name from a live instance without a word.
    if (answers(name)) {
        Console::log(u"Another instance is already running at %@"_s, name);
        return false;
    }
    // Nobody answers: whatever is there was left by a run that crashed.
    QLocalServer::removeServer(name);
    if (server_->listen(name)) {
        return true;
    }
    Console::log(u"Cannot listen for later starts at %@: %@"_s, name, server_->errorString());
    return false;
}

bool SingleInstance::isListening() const {
    return server_->isListening();
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        QTimer::singleShot(kReceiveLimitMs, socket, &QLocalSocket::abort);
    }
}

void SingleInstance::readMessage(QLocalSocket* socket) {
    if (socket->bytesAvailable() < kHeaderBytes) {
        return;
    }
    const qint64 length = qFromBigEndian<quint32>(socket->peek(kHeaderBytes).constData());
    if (length > kMaxMessageBytes) {
        Console::log(u"Refused a message of %lld bytes from a later start"_s,
                     static_cast<long long>(length));
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeaderBytes + length) {
        return;
    }
    // One message a connection: whatever follows it is ignored.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->skip(kHeaderBytes);
    const QByteArray body = socket->read(length);
    // Written now, so the later start can exit whatever this process does next.
    socket->write(QByteArray(1, kAck));
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT messageReceived(body.isEmpty() ? u""_s : QString::fromUtf8(body));
}
