#include "MetricsWriter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSet>
#include <QUrlQuery>
#include <thread>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

class MetricsWriterTest : public testing::Test {
protected:
    void SetUp() override {
        SKIP_QT_NETWORK_UNDER_TSAN();
        server.answer(path, {200, "OK"});
    }
    void TearDown() override {
        EXPECT_TRUE(MetricsWriter::waitForIdle(10000));
        MetricsWriter::setRequestTimeout(0);
        MetricsWriter::setQueueCapacity(64);
    }
    QString url() const { return server.url(path); }

    const QString path = u"/MetricsSystem/execute.do"_s;
    FakeHttpServer server;
};

}  // namespace

TEST_F(MetricsWriterTest, RecordIsPostedAsAnEscapedForm) {
    MetricsWriter::writeMetric(u"Search & find=yes"_s, u"App"_s, u"wii"_s, QString(), QString(),
                               url());
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    ASSERT_EQ(server.requests().size(), 1);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, u"POST"_s);
    EXPECT_EQ(request.body,
              QByteArray("action=RECORD&metricApplication=App&metricName=Search%20%26%20find%3Dyes"
                         "&metricValue=&metricGroup=wii&metricFeature="));
}

TEST_F(MetricsWriterTest, NothingIsSentWithoutEventOrAddress) {
    MetricsWriter::writeMetric(QString(), u"App"_s, u"wii"_s, u"f"_s, u""_s, url());
    MetricsWriter::writeMetric(u""_s, u"App"_s, u"wii"_s, u"f"_s, u""_s, url());
    MetricsWriter::writeMetric(u"Event"_s, u"App"_s, u"wii"_s, u"f"_s, u""_s, QString());
    MetricsWriter::writeMetric(u"Event"_s, u"App"_s, u"wii"_s, u"f"_s, u""_s, u""_s);
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    EXPECT_FALSE(server.waitForRequests(1, 200));
}

TEST_F(MetricsWriterTest, CallerNeverWaitsForASlowService) {
    server.answer(path, {200, "OK", "text/plain", 2000});
    MetricsWriter::setRequestTimeout(300);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i) {
        MetricsWriter::writeMetric(u"Slow %1"_s.arg(i), u"App"_s, u"g"_s, u""_s, u""_s, url());
    }
    EXPECT_LT(clock.elapsed(), 100);
    // Each record is given up after its own time-out, and the next still goes out.
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    EXPECT_EQ(server.requests().size(), 5);
    EXPECT_EQ(formOf(server.requests().last().body).value(u"metricName"_s), u"Slow%204"_s);
}

TEST_F(MetricsWriterTest, FullQueueDropsRecordsAndSaysHowMany) {
    server.answer(path, {200, "OK", "text/plain", 300});
    MetricsWriter::setQueueCapacity(2);
    const int droppedBefore = MetricsWriter::droppedCount();
    for (int i = 0; i < 10; ++i) {
        MetricsWriter::writeMetric(u"Burst"_s, u"App"_s, u"g"_s, u""_s, u""_s, url());
    }
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    const int dropped = MetricsWriter::droppedCount() - droppedBefore;
    EXPECT_GE(dropped, 7);  // at most one in flight and two waiting
    EXPECT_EQ(server.requests().size() + dropped, 10);
}

TEST_F(MetricsWriterTest, RecordsFromManyThreadsAllArrive) {
    constexpr int kThreads = 4;
    constexpr int kEach = 8;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < kEach; ++i) {
                MetricsWriter::writeMetric(u"T%1 E%2"_s.arg(t).arg(i), u"App"_s, u"g"_s, u""_s,
                                           u""_s, url());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(MetricsWriter::waitForIdle(20000));
    QSet<QString> names;
    for (const auto& request : server.requests()) {
        names.insert(formOf(request.body).value(u"metricName"_s));
    }
    EXPECT_EQ(names.size(), kThreads * kEach);
}

TEST(MetricsWriterAddress, ServiceBaseGetsTheMetricsPath) {
    EXPECT_EQ(MetricsWriter::metricsURLForService(u"http://127.0.0.1:8471"_s),
              u"http://127.0.0.1:8471/MetricsSystem/execute.do"_s);
    EXPECT_EQ(MetricsWriter::metricsURLForService(u"http://127.0.0.1:8471/"_s),
              u"http://127.0.0.1:8471/MetricsSystem/execute.do"_s);
    EXPECT_TRUE(MetricsWriter::metricsURLForService(u""_s).isNull());
    EXPECT_TRUE(MetricsWriter::metricsURLForService(QString()).isNull());
}
