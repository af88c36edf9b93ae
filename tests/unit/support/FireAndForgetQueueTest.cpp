#include "FireAndForgetQueue.h"
#include "MetricsWriter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// These run the sender with a transport of plain C++ (no Qt networking), so ThreadSanitizer
// sees every hand-over between the callers, the queue and the sender thread.
namespace {

class FireAndForgetQueueTest : public testing::Test {
protected:
    // The transport holds each post until the gate opens, its time-out passes or the queue
    // abandons it; the abandon flag is only ever set, so it is looked at every millisecond.
    void SetUp() override {
        queue.setTransport([this](const OrvHTTPServices::FormRequest& form, int timeoutMsecs,
                                  const std::atomic<bool>& abandon) {
            std::unique_lock lock(mu);
            ++taken;
            changed.notify_all();
            const auto deadline =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMsecs);
            while (!open && !abandon && std::chrono::steady_clock::now() < deadline) {
                changed.wait_for(lock, std::chrono::milliseconds(1));
            }
            sent.append(form.body);
        });
    }
    void openGate() {
        std::lock_guard lock(mu);
        open = true;
        changed.notify_all();
    }
    bool post(const QString& name) {
        return queue.enqueue(u"http://127.0.0.1:1/m"_s,
                             OrvHTTPServices::Dictionary{{u"metricName"_s, name}});
    }
    // Until the sender holds a post at the gate.
    bool waitUntilTaken() {
        std::unique_lock lock(mu);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return taken > 0; });
    }
    QList<QByteArray> sentBodies() {
        std::lock_guard lock(mu);
        return sent;
    }

    std::mutex mu;
    std::condition_variable changed;
    bool open = false;
    int taken = 0;
    QList<QByteArray> sent;
    FireAndForgetQueue queue;  // last, so its sender stops before the fields it uses go
};

}  // namespace

TEST_F(FireAndForgetQueueTest, PostsFromManyThreadsAreAllSentInEachThreadsOrder) {
    constexpr int kThreads = 6;
    constexpr int kEach = 20;
    openGate();
    queue.setCapacity(kThreads * kEach);
    std::vector<std::thread> callers;
    for (int t = 0; t < kThreads; ++t) {
        callers.emplace_back([this, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(post(u"%1-%2"_s.arg(t).arg(i)));
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    ASSERT_TRUE(queue.waitForIdle(10000));
    const QList<QByteArray> bodies = sentBodies();
    ASSERT_EQ(bodies.size(), kThreads * kEach);
    QList<int> next(kThreads, 0);
    for (const QByteArray& body : bodies) {
        const QList<QByteArray> parts = body.mid(sizeof "metricName=" - 1).split('-');
        EXPECT_EQ(parts[1].toInt(), next[parts[0].toInt()]++) << body.toStdString();
    }
    EXPECT_EQ(queue.droppedCount(), 0);
}

TEST_F(FireAndForgetQueueTest, CallersNeverWaitForTheSenderAndAFullQueueDropsAndCounts) {
    queue.setCapacity(3);
    ASSERT_TRUE(post(u"x"_s));
    ASSERT_TRUE(waitUntilTaken());
    int accepted = 1;
    for (int i = 1; i < 20; ++i) {
        accepted += post(u"x"_s) ? 1 : 0;  // returns while the sender is held at the gate
    }
    EXPECT_FALSE(queue.waitForIdle(0));
    EXPECT_EQ(accepted, 4);  // the one at the gate and three waiting
    openGate();
    ASSERT_TRUE(queue.waitForIdle(10000));
    EXPECT_EQ(queue.droppedCount(), 20 - accepted);
    EXPECT_EQ(sentBodies().size(), accepted);
}

TEST_F(FireAndForgetQueueTest, StopAbandonsThePostInFlightAndRefusesLaterOnes) {
    queue.setRequestTimeout(5000);
    post(u"in flight"_s);
    post(u"waiting"_s);
    ASSERT_TRUE(waitUntilTaken());
    QElapsedTimer clock;
    clock.start();
    queue.stop();
    EXPECT_LT(clock.elapsed(), 2000);  // well short of the post's time-out
    EXPECT_FALSE(post(u"late"_s));
    EXPECT_TRUE(queue.waitForIdle(0));
    // The abandoned post reached the transport; the waiting one never did.
    EXPECT_EQ(sentBodies(), QList<QByteArray>{"metricName=in%20flight"});
    queue.stop();
}

// The writer in front of the queue, over real HTTP: what it sends, and that a slow service costs
// its callers nothing.
TEST(MetricsWriter, RecordsArePostedAsEscapedFormsWithoutMakingTheCallerWait) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    FakeHttpServer server;
    const QString url = MetricsWriter::metricsURLForService(server.url(u"/"_s));
    server.answer(u"/MetricsSystem/execute.do"_s, {200, "OK", "text/plain", 2000});
    MetricsWriter::setRequestTimeout(200);
    QElapsedTimer clock;
    clock.start();
    for (const auto& [event, to] :
         {std::pair{u"Search & find=yes"_s, url}, std::pair{QString(), url}, std::pair{u""_s, url},
          std::pair{u"Event"_s, QString()}, std::pair{u"Later"_s, url}}) {
        MetricsWriter::writeMetric(event, u"App"_s, u"wii"_s, QString(), u""_s, to);
    }
    EXPECT_LT(clock.elapsed(), 100);
    // Each record is given up after its own time-out, and the next still goes out.
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    MetricsWriter::setRequestTimeout(0);
    const QList<FakeHttpServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].method + u' ' + requests[0].path, u"POST /MetricsSystem/execute.do"_s);
    EXPECT_EQ(requests[0].body,
              QByteArray("action=RECORD&metricApplication=App&metricName=Search%20%26%20find%3Dyes"
                         "&metricValue=&metricGroup=wii&metricFeature="));
    EXPECT_EQ(formOf(requests[1].body).value(u"metricName"_s), u"Later"_s);
}
