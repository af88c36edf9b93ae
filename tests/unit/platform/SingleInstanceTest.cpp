#include "SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QUuid>
#include <QtEndian>
#include <optional>
#include <thread>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A key of its own for each case, so parallel runs never meet.
QString uniqueKey() {
    return u"SingleInstanceTest "_s + QUuid::createUuid().toString();
}

// A later start, on a thread of its own so that the listener on this thread can answer.
class LaterStart {
public:
    LaterStart(const QString& key, const QString& message)
        : thread_([this, key, message] {
              taken_ = SingleInstance::sendToRunningInstance(key, message, 10000);
          }) {}
    ~LaterStart() { taken(); }
    bool taken() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return taken_;
    }

private:
    bool taken_ = false;
    std::thread thread_;
};

// What the instance received from one later start with this message, when the start was told
// it was taken; nothing otherwise.
std::optional<QString> handOver(SingleInstance& instance, const QString& key,
                                const QString& message) {
    QSignalSpy received(&instance, &SingleInstance::messageReceived);
    LaterStart start(key, message);
    if (!received.wait() || !start.taken() || received.count() != 1) {
        return std::nullopt;
    }
    return received.at(0).at(0).toString();
}

// A socket file with nobody behind it, as a run that crashed leaves one.
void leaveStaleSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(name.size()), sizeof(address.sun_path));
    std::copy(name.begin(), name.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
}

QByteArray header(quint32 length) {
    QByteArray bytes(4, '\0');
    qToBigEndian(length, bytes.data());
    return bytes;
}

}  // namespace

TEST(SingleInstanceMessages, ArriveWholeAndAcknowledged) {
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
}

// Too long, cut short, or silent: nothing is delivered, and the listener still takes the next.
TEST(SingleInstanceMessages, BadClientsAreDroppedAndTheListenerGoesOn) {
    const QString key = uniqueKey();
    SingleInstance instance(key);
    ASSERT_TRUE(instance.listen());
    EXPECT_FALSE(LaterStart(key, QString(SingleInstance::kMaxMessageBytes + 1, u'x')).taken());
    const struct {
        QByteArray frame;
        bool closedByListener;
    } clients[] = {
        {header(quint32(SingleInstance::kMaxMessageBytes + 1)) + "xyz", true},
        {header(4) + "abc", false},  // one byte short, then it goes away
        {header(3).left(2), false},
        {QByteArray(), false},
    };
    for (const auto& client : clients) {
        SCOPED_TRACE(client.frame.toHex().toStdString());
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::serverName(key));
        ASSERT_TRUE(socket.waitForConnected(5000));
        QSignalSpy closed(&socket, &QLocalSocket::disconnected);
        socket.write(client.frame);
        socket.flush();
        if (client.closedByListener) {
            EXPECT_TRUE(closed.wait());
        }
    }
    EXPECT_EQ(handOver(instance, key, u"after"_s), u"after"_s);
}

// No instance, one gone, or a crashed run's socket: a start learns at once that it is the
// first, and may then listen.
TEST(SingleInstanceStart, WithoutAListenerSendingFailsAtOnceAndListeningSucceeds) {
    enum class Before { Nothing, InstanceGone, CrashedRun };
    for (const Before before : {Before::Nothing, Before::InstanceGone, Before::CrashedRun}) {
        SCOPED_TRACE(int(before));
        const QString key = uniqueKey();
        if (before == Before::InstanceGone) {
            ASSERT_TRUE(SingleInstance(key).listen());
        } else if (before == Before::CrashedRun) {
            leaveStaleSocket(SingleInstance::serverName(key));
        }
        const int timeoutMs = 30000;
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_FALSE(SingleInstance::sendToRunningInstance(key, u"link"_s, timeoutMs));
        EXPECT_LT(elapsed.elapsed(), timeoutMs / 3);

        SingleInstance instance(key);
        ASSERT_TRUE(instance.listen());
        EXPECT_EQ(handOver(instance, key, u"link"_s), u"link"_s);
    }
}

// A second start (or the loser of two racing ones) neither takes the key nor disturbs the first.
TEST(SingleInstanceStart, ALiveInstanceKeepsItsKeyAndOtherKeysAreApart) {
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.listen());
    EXPECT_TRUE(first.listen());  // again: still the same listener
    SingleInstance second(key);
    EXPECT_FALSE(second.listen());
    SingleInstance other(uniqueKey());
    EXPECT_TRUE(other.listen());

    QSignalSpy toOther(&other, &SingleInstance::messageReceived);
    EXPECT_EQ(handOver(first, key, u"link"_s), u"link"_s);
    EXPECT_EQ(toOther.count(), 0);
}
