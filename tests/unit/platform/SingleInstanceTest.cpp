#include "SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QUuid>
#include <QtEndian>
#include <future>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

// What the instance heard from one later start (on a thread of its own, so that the listener
// here can answer) that was told it was taken; "(none)" otherwise.
static QString handOver(SingleInstance& instance, const QString& key, const QString& message) {
    QSignalSpy received(&instance, &SingleInstance::messageReceived);
    auto taken =
        std::async(std::launch::async, SingleInstance::sendToRunningInstance, key, message, 10000);
    received.wait();
    return taken.get() && received.size() == 1 ? received.at(0).at(0).toString() : u"(none)"_s;
}

// Every message arrives whole, up to the longest (in UTF-8 bytes); clients that send too much,
// too little or nothing are dropped (the one too long at once), and the next start still gets in.
TEST(SingleInstance, MessagesArriveWholeAndBadClientsAreDropped) {
    const QString key = QUuid::createUuid().toString();
    SingleInstance instance(key);
    ASSERT_TRUE(instance.listen());
    for (const QString& message :
         {u""_s, u"Zoë & Łódź ゲーム 🎮"_s, u"before"_s + QChar(0) + u"after"_s,
          QString(SingleInstance::kMaxMessageBytes / 2, u'é')}) {
        EXPECT_EQ(handOver(instance, key, message), message);
    }
    QByteArray tooLong(4, '\0');
    qToBigEndian(quint32(SingleInstance::kMaxMessageBytes + 1), tooLong.data());
    for (const QByteArray& frame : {tooLong + "xyz", "\0\0\0\4abc"_ba, tooLong.left(2), ""_ba}) {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::serverName(key));
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(frame);
        socket.flush();
        EXPECT_TRUE(!frame.startsWith(tooLong) ||
                    QSignalSpy(&socket, &QLocalSocket::disconnected).wait());
    }
    EXPECT_EQ(handOver(instance, key, u"after"_s), u"after"_s);
}

// With no instance, or only a crashed run's socket file, a start learns it is the first and
// listens; a second start then neither takes the key nor keeps another key from listening.
TEST(SingleInstance, TheFirstStartListensAndKeepsItsKey) {
    for (const bool crashed : {false, true}) {
        const QString key = QUuid::createUuid().toString();
        if (crashed) {
            sockaddr_un address{AF_UNIX, {}};
            std::ranges::copy(QFile::encodeName(SingleInstance::serverName(key)), address.sun_path);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd);
        }
        EXPECT_FALSE(SingleInstance::sendToRunningInstance(key, u"link"_s)) << crashed;
        SingleInstance first(key), second(key);
        ASSERT_TRUE(first.listen() && first.listen()) << crashed;
        EXPECT_FALSE(second.listen());
        EXPECT_TRUE(SingleInstance(QUuid::createUuid().toString()).listen());
        EXPECT_EQ(handOver(first, key, u"link"_s), u"link"_s);
    }
}
