#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// One running instance per key. The first start listens on a local socket; a later start hands
// it a message (a link, or nothing at all to just raise the window) and exits. The socket's name
// comes from the key and the user id, so two users never meet, and only its user may connect.
//
// Framing: a 4-byte big-endian length, then that many bytes of UTF-8; the listener answers one
// byte once it has the whole message. REQUIRES: a QCoreApplication. The instance lives on the
// GUI thread; sendToRunningInstance blocks and may run on any thread.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // Longest message, in UTF-8 bytes; longer ones are refused by both ends.
    static constexpr qint64 kMaxMessageBytes = 64 * 1024;

    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands the message to a running instance with this key; true once it has taken it
    // (acknowledged), false when none answers within timeoutMs or the message is too long.
    static bool sendToRunningInstance(const QString& key, const QString& message,
                                      int timeoutMs = 1000);

    // Starts answering later starts. A socket left behind by a crashed run is replaced. False
    // (and a log line) when another live instance holds the key, e.g. one that won a race
    // between two starts (sendToRunningInstance reaches it then), or the socket cannot be made.
    bool listen();
    bool isListening() const;

    // The socket's full path for this key and the current user.
    static QString serverName(const QString& key);

    Q_SIGNAL void messageReceived(const QString& message);

private:
    void acceptConnections();
    void readMessage(QLocalSocket* socket);

    QString key_;
    QLocalServer* server_;
};
