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

namespace {

QString uniqueKey() {
    return u"SingleInstanceTest "_s + QUuid::createUuid().toString();
}

// What the instance heard from one later start (run on a thread of its own, so that the
// listener here can answer) when the start was told it was taken; "(none)" otherwise.
QString handOver(SingleInstance& instance, const QString& key, const QString& message) {
    QSignalSpy received(&instance, &SingleInstance::messageReceived);
    auto taken =
        std::async(std::launch::async, SingleInstance::sendToRunningInstance, key, message, 10000);
    received.wait();
    return taken.get() && received.size() == 1 ? received.at(0).at(0).toString() : u"(none)"_s;
}

}  // namespace

// Every message arrives whole; clients that send too much, too little or nothing are dropped
// (the one too long at once), and the listener still takes the next start.
TEST(SingleInstanceMessages, ArriveWholeAndBadClientsAreDropped) {
    const QString key = uniqueKey();
    SingleInstance instance(key);
    ASSERT_TRUE(instance.listen());
    const QString messages[] = {
        u""_s,  // a start without a link only raises the running one
        u"questlog-wii://x?action=WISH&id=12&title=Tom%20%26%20Jerry&"_s,
        u"Zoë & Łódź — ゲーム 🎮"_s,
        u"before"_s + QChar(0) + u"after"_s,
        QString(SingleInstance::kMaxMessageBytes, u'x'),
        QString(SingleInstance::kMaxMessageBytes / 2, u'é'),  // two bytes each in UTF-8
    };
    for (const QString& message : messages) {
        SCOPED_TRACE(message.left(40).toStdString());
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
        if (frame.startsWith(tooLong)) {
            EXPECT_TRUE(QSignalSpy(&socket, &QLocalSocket::disconnected).wait());
        }
    }
    EXPECT_EQ(handOver(instance, key, u"after"_s), u"after"_s);
}

// No instance, one gone, or a crashed run's socket: a start learns that it is the first and
// may listen; a second start then neither takes the key nor reaches another key's instance.
TEST(SingleInstanceStart, TheFirstStartListensAndKeepsItsKey) {
    enum class Before { Nothing, InstanceGone, CrashedRun };
    for (const Before before : {Before::Nothing, Before::InstanceGone, Before::CrashedRun}) {
        SCOPED_TRACE(int(before));
        const QString key = uniqueKey();
        if (before == Before::InstanceGone) {
            ASSERT_TRUE(SingleInstance(key).listen());
        } else if (before == Before::CrashedRun) {
            // A socket file with nobody behind it, as a run that crashed leaves one.
            const QByteArray path = QFile::encodeName(SingleInstance::serverName(key));
            sockaddr_un address{AF_UNIX, {}};
            ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
            std::copy(path.begin(), path.end(), address.sun_path);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd);
        }
        EXPECT_FALSE(SingleInstance::sendToRunningInstance(key, u"link"_s));

        SingleInstance first(key), second(key), other(uniqueKey());
        ASSERT_TRUE(first.listen());
        EXPECT_TRUE(first.listen());
        EXPECT_FALSE(second.listen());
        EXPECT_TRUE(other.listen());
        QSignalSpy toOther(&other, &SingleInstance::messageReceived);
        EXPECT_EQ(handOver(first, key, u"link"_s), u"link"_s);
        EXPECT_EQ(toOther.count(), 0);
    }
}
