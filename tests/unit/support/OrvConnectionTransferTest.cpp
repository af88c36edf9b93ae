#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimeZone>
#include <map>
#include <memory>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "OrvConnection.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"

using namespace Qt::StringLiterals;

namespace {

// Writes down every callback, in order.
class Recorder : public OrvConnectionDelegate {
public:
    struct Call {
        OrvConnection* connection;
        bool success;
        QString body;
        OrvError error;
    };
    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override {
        calls.push_back({connection, true, andBody, {}});
        if (onCall) {
            onCall();
        }
    }
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override {
        calls.push_back({connection, false, QString(), andError});
        if (onCall) {
            onCall();
        }
    }
    bool waitForCall(int msecs = 5000) {
        return QTest::qWaitFor([this] { return !calls.empty(); }, msecs);
    }
    std::vector<Call> calls;
    std::function<void()> onCall;
};

class OrvConnectionTransfer : public testing::Test {
protected:
    void SetUp() override { SKIP_QT_NETWORK_UNDER_TSAN(); }
    void TearDown() override { OrvConnection::setTransferTimeout(0); }

    std::unique_ptr<OrvConnection> started(const QString& url, int type = -1) {
        auto connection = OrvConnection::connectionWithURLString(url, &recorder, type);
        connection->start();
        return connection;
    }

    FakeHttpServer server;
    Recorder recorder;
};

}  // namespace

TEST_F(OrvConnectionTransfer, NewConnectionIsIdleWithItsFields) {
    auto plain = OrvConnection::connectionWithURLString(u"http://127.0.0.1:1/a"_s, &recorder);
    EXPECT_EQ(plain->type(), -1);
    EXPECT_EQ(plain->delegate(), &recorder);
    EXPECT_EQ(plain->urlString(), u"http://127.0.0.1:1/a"_s);
    EXPECT_FALSE(plain->isRequesting());
    EXPECT_EQ(plain->result(), nullptr);
    auto tagged = OrvConnection::connectionWithURLString(u"http://127.0.0.1:1/a"_s, &recorder, 1);
    EXPECT_EQ(tagged->type(), 1);
}

TEST_F(OrvConnectionTransfer, CompletedTransferHandsOverTheWholeBodyOnce) {
    const QByteArray body = QByteArray("<games>") + QByteArray(200000, 'x') + "</games> \xc3\xa9";
    server.answer(u"/catalogue"_s, {200, body});
    auto connection = started(server.url(u"/catalogue"_s), 0);
    EXPECT_TRUE(connection->isRequesting());
    ASSERT_TRUE(recorder.waitForCall());
    QTest::qWait(50);  // a second callback would show up here
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_TRUE(recorder.calls[0].success);
    EXPECT_EQ(recorder.calls[0].connection, connection.get());
    EXPECT_EQ(recorder.calls[0].body, QString::fromUtf8(body));
    EXPECT_FALSE(connection->isRequesting());
    EXPECT_EQ(connection->type(), 0);
    EXPECT_FALSE(connection->requestError().has_value());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].method, u"GET"_s);
}

// The status plays no part: any completed transfer hands its body on, redirects followed.
TEST_F(OrvConnectionTransfer, EveryHttpStatusIsASuccessWithItsBody) {
    answerEveryStatus(server);
    std::map<OrvConnection*, int> statusOf;
    std::vector<std::unique_ptr<OrvConnection>> connections;
    for (const int status : kCompletedStatuses) {
        connections.push_back(started(server.url(statusPath(status))));
        statusOf[connections.back().get()] = status;
    }
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return recorder.calls.size() == connections.size(); }, 10000));
    for (const auto& call : recorder.calls) {
        const int status = statusOf[call.connection];
        EXPECT_TRUE(call.success) << status << ": " << call.error.description().toStdString();
        EXPECT_EQ(call.body, QString::fromLatin1(statusBody(status))) << status;
    }
}

TEST_F(OrvConnectionTransfer, BodyThatIsNotUtf8ArrivesAsNothingButTheBytesAreKept) {
    const QByteArray latin1("caf\xe9 \xff\xfe");
    server.answer(u"/latin1"_s, {200, latin1});
    auto connection = started(server.url(u"/latin1"_s));
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_TRUE(recorder.calls[0].success);
    EXPECT_TRUE(recorder.calls[0].body.isNull());
    EXPECT_EQ(connection->result()->data(), latin1);
    EXPECT_TRUE(connection->result()->body().isNull());
}

TEST_F(OrvConnectionTransfer, EmptyBodyIsEmptyTextNotNothing) {
    server.answer(u"/empty"_s, {200, QByteArray()});
    auto connection = started(server.url(u"/empty"_s));
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_TRUE(recorder.calls[0].success);
    EXPECT_FALSE(recorder.calls[0].body.isNull());
    EXPECT_TRUE(recorder.calls[0].body.isEmpty());
}

TEST_F(OrvConnectionTransfer, CancelledOrDestroyedConnectionNeverCallsBack) {
    server.answer(u"/slow"_s, {200, "late", "text/plain", 400});
    auto cancelled = started(server.url(u"/slow"_s));
    auto destroyed = started(server.url(u"/slow"_s));
    ASSERT_TRUE(server.waitForRequests(2, 5000));
    cancelled->cancel();
    EXPECT_FALSE(cancelled->isRequesting());
    destroyed.reset();
    QTest::qWait(700);
    EXPECT_TRUE(recorder.calls.empty());
    cancelled->cancel();  // a second cancel is harmless
}

TEST_F(OrvConnectionTransfer, CancelRightAfterStartDropsEvenABadAddressFailure) {
    auto connection = started(u""_s);
    connection->cancel();
    auto gone = started(u"nonsense"_s);
    gone.reset();
    QTest::qWait(50);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(OrvConnectionTransfer, DelegateMayDestroyTheConnectionInItsCallback) {
    server.answer(u"/a"_s, {200, "a"});
    auto connection = started(server.url(u"/a"_s));
    recorder.onCall = [&] { connection.reset(); };
    ASSERT_TRUE(recorder.waitForCall());
    QTest::qWait(20);
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(OrvConnectionTransfer, BadAddressFailsLaterNeverFromInsideStart) {
    const QStringList addresses{QString(),
                                u""_s,
                                u"   "_s,
                                u"no scheme at all"_s,
                                u"ftp://127.0.0.1/file"_s,
                                u"file:///etc/passwd"_s,
                                u"http://"_s,
                                u"http://[::1"_s};
    std::vector<std::unique_ptr<OrvConnection>> connections;
    for (const QString& address : addresses) {
        connections.push_back(started(address));
        EXPECT_TRUE(recorder.calls.empty()) << address.toStdString();
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return qsizetype(recorder.calls.size()) == addresses.size(); }, 5000));
    for (const auto& call : recorder.calls) {
        EXPECT_FALSE(call.success);
        EXPECT_FALSE(call.error.message.isEmpty());
        EXPECT_FALSE(call.connection->isRequesting());
        EXPECT_TRUE(call.connection->result()->body().isNull());
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(OrvConnectionTransfer, SilentServerFailsByTimeOut) {
    OrvConnection::setTransferTimeout(200);
    server.answer(u"/silent"_s, {200, "too late", "text/plain", 3000});
    auto connection = started(server.url(u"/silent"_s));
    ASSERT_TRUE(recorder.waitForCall(2500));
    EXPECT_FALSE(recorder.calls[0].success);
    EXPECT_EQ(recorder.calls[0].error.code, OrvConnection::kErrorTimedOut);
    EXPECT_EQ(connection->requestError()->code, OrvConnection::kErrorTimedOut);
    EXPECT_TRUE(connection->result()->data().isNull());
}

TEST_F(OrvConnectionTransfer, ConnectionCutMidBodyIsAFailureWithoutData) {
    server.answer(u"/cut"_s, {200, QByteArray(4000, 'y'), "text/plain", 0, true});
    auto connection = started(server.url(u"/cut"_s));
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_FALSE(recorder.calls[0].success);
    EXPECT_TRUE(connection->dataReceived().isNull());
    EXPECT_TRUE(connection->result()->data().isNull());
    EXPECT_TRUE(connection->result()->body().isNull());
}

TEST_F(OrvConnectionTransfer, RefusedConnectionIsAFailure) {
    int closedPort = 0;
    {
        FakeHttpServer gone;
        closedPort = gone.port();
    }
    auto connection = started(u"http://127.0.0.1:%1/x"_s.arg(closedPort));
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_FALSE(recorder.calls[0].success);
    EXPECT_EQ(recorder.calls[0].error.description().isEmpty(), false);
}

TEST_F(OrvConnectionTransfer, ResultRecordCopiesTheFieldsWithTheirTimes) {
    const QDateTime began(QDate(2009, 5, 7), QTime(12, 0), Qt::UTC);
    server.answer(u"/r"_s, {200, "body"});
    std::unique_ptr<OrvConnection> connection;
    {
        ScopedClock clock(began);
        connection = started(server.url(u"/r"_s));
    }
    const QDateTime ended = began.addSecs(90);
    ScopedClock clock(ended);
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_EQ(connection->requestBegan(), began);
    EXPECT_EQ(connection->requestEnded(), ended);
    const OrvConnectionResultDTO* result = connection->result();
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->url(), server.url(u"/r"_s));
    EXPECT_EQ(result->started(), began);
    EXPECT_EQ(result->ended(), ended);
    EXPECT_EQ(result->data(), QByteArray("body"));
    EXPECT_EQ(result->body(), u"body"_s);
    EXPECT_FALSE(result->error().has_value());

    // A failure keeps its times and error in the record too.
    recorder.calls.clear();
    auto failed = started(u"mailto:x@y"_s);
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_EQ(failed->result()->started(), ended);
    EXPECT_EQ(failed->result()->ended(), ended);
    ASSERT_TRUE(failed->result()->error().has_value());
    EXPECT_EQ(failed->result()->error()->code, OrvConnection::kErrorUnsupportedURL);
}

TEST_F(OrvConnectionTransfer, RestartingForgetsTheEarlierOutcome) {
    server.answer(u"/one"_s, {200, "one"});
    auto connection = started(server.url(u"/one"_s));
    ASSERT_TRUE(recorder.waitForCall());
    recorder.calls.clear();
    connection->setUrlString(u""_s);
    connection->start();
    EXPECT_EQ(connection->result(), nullptr);
    ASSERT_TRUE(recorder.waitForCall());
    EXPECT_FALSE(recorder.calls[0].success);
}

TEST(OrvConnectionResultDTO, BodyFollowsTheData) {
    OrvConnectionResultDTO result;
    EXPECT_TRUE(result.body().isNull());
    result.setData("\xe2\x82\xac 5");
    EXPECT_EQ(result.body(), u"\u20ac 5"_s);
    result.setData("\xe2\x82");  // cut inside a character
    EXPECT_TRUE(result.body().isNull());
    result.setData(QByteArray());
    EXPECT_TRUE(result.body().isNull());
}
