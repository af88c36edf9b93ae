#include "FireAndForgetQueue.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSet>
#include <chrono>
#include <thread>

#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// These run the sender with a transport of plain C++ (no Qt networking), so ThreadSanitizer
// sees every hand-over between the callers, the queue and the sender thread.
namespace {

class FireAndForgetQueueTest : public testing::Test {
protected:
    void SetUp() override {
        queue.setTransport([this](const OrvHTTPServices::FormRequest& form, int timeoutMsecs,
                                  const std::atomic<bool>& abandon) {
            const auto deadline =
                std::chrono::steady_clock::now() +
                std::chrono::milliseconds(std::min(delayMsecs.load(), timeoutMsecs));
            while (std::chrono::steady_clock::now() < deadline && !abandon) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            std::lock_guard lock(mu);
            sent.append(form.body);
        });
    }
    QList<QByteArray> sentBodies() {
        std::lock_guard lock(mu);
        return sent;
    }
    static std::optional<OrvHTTPServices::Dictionary> record(const QString& name) {
        return OrvHTTPServices::Dictionary{{u"metricName"_s, name}};
    }

    std::atomic<int> delayMsecs{0};
    std::mutex mu;
    QList<QByteArray> sent;
    FireAndForgetQueue queue;  // last, so its sender stops before the fields it uses go
};

}  // namespace

TEST_F(FireAndForgetQueueTest, PostsFromManyThreadsAreAllSentInEachThreadsOrder) {
    constexpr int kThreads = 6;
    constexpr int kEach = 20;
    queue.setCapacity(kThreads * kEach);
    std::vector<std::thread> callers;
    for (int t = 0; t < kThreads; ++t) {
        callers.emplace_back([this, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(
                    queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"%1-%2"_s.arg(t).arg(i))));
                if (i % 5 == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // let the sender in
                }
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
        const int t = parts[0].toInt();
        EXPECT_EQ(parts[1].toInt(), next[t]++) << body.toStdString();
    }
    EXPECT_EQ(queue.droppedCount(), 0);
}

TEST_F(FireAndForgetQueueTest, CallerReturnsAtOnceWhileTheSenderWaits) {
    delayMsecs = 300;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 3; ++i) {
        queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"slow"_s));
    }
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_FALSE(queue.waitForIdle(100));
    EXPECT_TRUE(queue.waitForIdle(5000));
    EXPECT_EQ(sentBodies().size(), 3);
}

TEST_F(FireAndForgetQueueTest, FullQueueDropsAndCounts) {
    delayMsecs = 200;
    queue.setCapacity(3);
    int accepted = 0;
    for (int i = 0; i < 20; ++i) {
        accepted += queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"x"_s)) ? 1 : 0;
    }
    ASSERT_TRUE(queue.waitForIdle(10000));
    EXPECT_LE(accepted, 4);  // three waiting and perhaps one already taken
    EXPECT_EQ(queue.droppedCount(), 20 - accepted);
    EXPECT_EQ(sentBodies().size(), accepted);
}

TEST_F(FireAndForgetQueueTest, StopAbandonsThePostInFlightAndRefusesLaterOnes) {
    delayMsecs = 60000;
    queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"in flight"_s));
    queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"waiting"_s));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QElapsedTimer clock;
    clock.start();
    queue.stop();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_FALSE(queue.enqueue(u"http://127.0.0.1:1/m"_s, record(u"late"_s)));
    EXPECT_TRUE(queue.waitForIdle(0));
    // The abandoned post reached the transport; the waiting one never did.
    EXPECT_EQ(sentBodies(), QList<QByteArray>{"metricName=in%20flight"});
    queue.stop();
}
