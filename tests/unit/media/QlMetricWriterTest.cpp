#include "QlMetricWriter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <mutex>

#include "FakeHttpServer.h"
#include "FireAndForgetQueue.h"
#include "Model.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

// The wii build with its metrics service at the given address ("" for none).
class QlMetricWriterTest : public testing::Test {
protected:
    void useMetricsService(const QString& address) {
        QFile info(dir.filePath(u"Info.json"_s));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(u"{\"Platform Code\": \"wii\", \"Metrics Service URL\": \"%1\"}"_s.arg(address)
                       .toUtf8());
        info.close();
        Model::setInformationFilePath(info.fileName());
        Model::instanceOf();
        Model::resetInstance();
    }
    void SetUp() override {
        previousPath = Model::informationFilePath();
        hadEnvironment = qEnvironmentVariableIsSet("QUESTLOG_METRICS_SERVICE");
        environment = qgetenv("QUESTLOG_METRICS_SERVICE");
        qunsetenv("QUESTLOG_METRICS_SERVICE");
        server.answer(u"/MetricsSystem/execute.do"_s, {200, "OK"});
    }
    void TearDown() override {
        EXPECT_TRUE(MetricsWriter::waitForIdle(10000));
        MetricsWriter::setRequestTimeout(0);
        if (hadEnvironment) {
            qputenv("QUESTLOG_METRICS_SERVICE", environment);
        }
        Model::setInformationFilePath(previousPath);
        Model::resetInstance();
    }

    QTemporaryDir dir;
    FakeHttpServer server;
    QString previousPath;
    bool hadEnvironment = false;
    QByteArray environment;
};

// The same through real HTTP.
class QlMetricWriterHttpTest : public QlMetricWriterTest {
protected:
    void SetUp() override {
        QlMetricWriterTest::SetUp();
        SKIP_QT_NETWORK_UNDER_TSAN();
    }
};

}  // namespace

TEST_F(QlMetricWriterTest, EachEventBecomesTwoRecordsPlatformFirst) {
    std::mutex mu;
    QList<QByteArray> bodies;
    FireAndForgetQueue::shared().setTransport(
        [&](const OrvHTTPServices::FormRequest& form, int, const std::atomic<bool>&) {
            std::lock_guard lock(mu);
            bodies.append(form.body);
        });
    useMetricsService(u"http://127.0.0.1:9"_s);
    QlMetricWriter::writeMetric(u"Feedback emailed"_s);
    QlMetricWriter::writeMetric(u"Genre rpg"_s, u"Explore drag Genre"_s);
    const bool idle = MetricsWriter::waitForIdle(10000);
    FireAndForgetQueue::shared().setTransport({});
    ASSERT_TRUE(idle);
    std::lock_guard lock(mu);
    EXPECT_EQ(bodies,
              (QList<QByteArray>{
                  "action=RECORD&metricApplication=Questlog%203.0&metricName=Feedback%20emailed"
                  "&metricValue=&metricGroup=wii&metricFeature=",
                  "action=RECORD&metricApplication=Questlog%203.0&metricName=Feedback%20emailed"
                  "&metricValue=&metricGroup=All%20platforms&metricFeature=",
                  "action=RECORD&metricApplication=Questlog%203.0&metricName=Genre%20rpg"
                  "&metricValue=&metricGroup=wii&metricFeature=Explore%20drag%20Genre",
                  "action=RECORD&metricApplication=Questlog%203.0&metricName=Genre%20rpg"
                  "&metricValue=&metricGroup=All%20platforms&metricFeature=Explore%20drag%20Genre",
              }));
}

TEST_F(QlMetricWriterHttpTest, EachEventIsCountedForThePlatformAndForAllPlatforms) {
    useMetricsService(server.url());
    QlMetricWriter::writeMetric(u"Feedback emailed"_s);
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    QStringList groups;
    for (const auto& request : requests) {
        EXPECT_EQ(request.method, u"POST"_s);
        EXPECT_EQ(request.path, u"/MetricsSystem/execute.do"_s);
        const auto form = formOf(request.body);
        EXPECT_EQ(form.size(), 6);
        EXPECT_EQ(form.value(u"action"_s), u"RECORD"_s);
        EXPECT_EQ(form.value(u"metricApplication"_s), u"Questlog%203.0"_s);
        EXPECT_EQ(form.value(u"metricName"_s), u"Feedback%20emailed"_s);
        EXPECT_TRUE(form.contains(u"metricValue"_s));
        EXPECT_EQ(form.value(u"metricValue"_s), u""_s);
        EXPECT_TRUE(form.contains(u"metricFeature"_s));
        EXPECT_EQ(form.value(u"metricFeature"_s), u""_s);
        groups.append(form.value(u"metricGroup"_s));
    }
    // One sender, so the platform's record goes out first.
    EXPECT_EQ(groups, (QStringList{u"wii"_s, u"All%20platforms"_s}));
}

TEST_F(QlMetricWriterHttpTest, FeatureTravelsWithBothRecords) {
    useMetricsService(server.url() + u"/"_s);
    QlMetricWriter::writeMetric(u"Score 5"_s, u"Explore drag Score"_s);
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    ASSERT_EQ(server.requests().size(), 2);
    for (const auto& request : server.requests()) {
        EXPECT_EQ(formOf(request.body).value(u"metricFeature"_s), u"Explore%20drag%20Score"_s);
    }
}

TEST_F(QlMetricWriterHttpTest, NoServiceConfiguredSendsNothing) {
    useMetricsService(u""_s);
    QlMetricWriter::writeMetric(u"Feedback emailed"_s);
    QlMetricWriter::writeMetric(u"Search changed"_s, u"Search"_s);
    ASSERT_TRUE(MetricsWriter::waitForIdle(10000));
    EXPECT_FALSE(server.waitForRequests(1, 300));
}

TEST_F(QlMetricWriterHttpTest, ReturnsAtOnceWhenTheServiceIsSlow) {
    server.answer(u"/MetricsSystem/execute.do"_s, {200, "OK", "text/plain", 2000});
    MetricsWriter::setRequestTimeout(200);
    useMetricsService(server.url());
    QElapsedTimer clock;
    clock.start();
    QlMetricWriter::writeMetric(u"Wish pressed"_s, u"Details"_s);
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_TRUE(server.waitForRequests(1, 5000));
}
