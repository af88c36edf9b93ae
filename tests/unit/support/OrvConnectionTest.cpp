#include "OrvConnection.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "EventWait.h"
#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

struct Call {
    OrvConnection* connection;
    bool success;
    QString body;
    // Told apart by type, not address: a connection destroyed in its callback frees an address
    // the next one may get.
    int type = -1;
};

constexpr int kLaterType = 99;

// Writes down every callback, in order; a test may act on each.
class OrvConnectionTransfer : public testing::Test, public OrvConnectionDelegate {
protected:
    void SetUp() override { SKIP_QT_NETWORK_UNDER_TSAN(); }
    void TearDown() override { OrvConnection::setTransferTimeout(0); }
    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& body) override {
        calls.push_back({connection, true, body, connection->type()});
        onCall();
    }
    void orvConnectionFailureWithConnection(OrvConnection* connection, const OrvError&) override {
        calls.push_back({connection, false, QString(), connection->type()});
        onCall();
    }

    std::unique_ptr<OrvConnection> started(const QString& url, int type = -1) {
        auto connection = OrvConnection::connectionWithURLString(url, this, type);
        connection->start();
        return connection;
    }
    // Runs the loop until a callback leaves `enough` true.
    bool waitForCallbacks(const std::function<bool()>& enough) {
        EventWait wait;
        const std::function<void()> previous = onCall;
        onCall = [&] {
            previous();
            if (enough()) {
                wait.done();
            }
        };
        const bool reached = enough() || wait.wait();
        onCall = previous;
        return reached;
    }
    bool waitForCalls(size_t count) {
        return waitForCallbacks([&] { return calls.size() >= count; });
    }
    // Starts one more connection and waits for its callback, which comes after any callback
    // the earlier ones could still make: they started first. Its call is not kept.
    void waitForALaterOne(const QString& url) {
        auto later = started(url, kLaterType);
        const auto isLater = [](const Call& call) { return call.type == kLaterType; };
        ASSERT_TRUE(waitForCallbacks([&] { return std::ranges::any_of(calls, isLater); }));
        std::erase_if(calls, isLater);
    }

    FakeHttpServer server;
    std::vector<Call> calls;
    std::function<void()> onCall = [] {};
};

// The status plays no part: any completed transfer hands its body on once, redirects followed.
TEST_F(OrvConnectionTransfer, EveryCompletedTransferHandsOverItsWholeBodyOnce) {
    answerEveryStatus(server);
    const QByteArray big = QByteArray("<games>") + QByteArray(200000, 'x') + "</games> \xc3\xa9";
    server.answer(u"/big"_s, {200, big});
    server.answer(u"/latin1"_s, {200, "caf\xe9 \xff"});
    std::map<OrvConnection*, QString> expected;
    std::vector<std::unique_ptr<OrvConnection>> connections;
    const auto start = [&](const QString& path, const QString& body) {
        connections.push_back(started(server.url(path)));
        expected[connections.back().get()] = body;
    };
    for (const int status : kCompletedStatuses) {
        start(statusPath(status), QString::fromLatin1(statusBody(status)));
    }
    start(u"/big"_s, QString::fromUtf8(big));
    start(u"/latin1"_s, QString());  // not UTF-8: nothing
    ASSERT_TRUE(waitForCalls(connections.size()));
    waitForALaterOne(u"nonsense"_s);
    std::set<OrvConnection*> calledBack;
    for (const Call& call : calls) {
        EXPECT_TRUE(call.success && calledBack.insert(call.connection).second);  // once each
        EXPECT_TEXT(call.body, expected[call.connection]);
    }
    EXPECT_EQ(calledBack.size(), connections.size());
}

TEST_F(OrvConnectionTransfer, FailuresComeLaterNeverFromInsideStart) {
    OrvConnection::setTransferTimeout(200);
    server.answer(u"/silent"_s, {200, "too late", "text/plain", 3000});
    int closedPort = 0;
    {
        FakeHttpServer gone;
        closedPort = gone.port();
    }
    std::vector<std::unique_ptr<OrvConnection>> connections;
    for (const QString& address : {QString(), u"no scheme at all"_s, u"http://[::1"_s,
                                   u"http://127.0.0.1:%1/x"_s.arg(closedPort),
                                   u"ftp://127.0.0.1/f"_s, server.url(u"/silent"_s)}) {
        connections.push_back(started(address));
        EXPECT_TRUE(calls.empty()) << address.toStdString();
    }
    ASSERT_TRUE(waitForCalls(connections.size()));
    for (const Call& call : calls) {  // the silent one too, timed out before its answer
        EXPECT_FALSE(call.success);
        EXPECT_TRUE(call.connection->dataReceived().isNull());
    }
}

TEST_F(OrvConnectionTransfer, CancelledOrDestroyedConnectionsNeverCallBack) {
    server.answer(u"/slow"_s, {200, "late", "text/plain", 100});
    auto cancelled = started(server.url(u"/slow"_s));
    auto destroyed = started(server.url(u"/slow"_s));
    const auto cancelledEarly = started(u"nonsense"_s);  // its failure is already queued
    cancelledEarly->cancel();
    started(u""_s).reset();
    ASSERT_TRUE(server.waitForRequests(2, 5000));
    cancelled->cancel();
    destroyed.reset();
    waitForALaterOne(server.url(u"/slow"_s));
    EXPECT_TRUE(calls.empty());

    // The delegate may destroy the connection in its callback.
    auto connection = started(server.url(u"/slow"_s));
    onCall = [&] { connection.reset(); };
    ASSERT_TRUE(waitForCalls(1));
    onCall = [] {};
    waitForALaterOne(u"nonsense"_s);
    EXPECT_EQ(connection, nullptr);
    EXPECT_EQ(calls.size(), 1u);
}

}  // namespace
