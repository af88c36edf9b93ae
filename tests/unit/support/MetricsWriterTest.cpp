#include "MetricsWriter.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "FakeHttpServer.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// The queue behind the writer has tests of its own (FireAndForgetQueueTest): these cover what
// the writer sends, and that a slow service costs its callers nothing.
TEST(MetricsWriter, RecordsArePostedAsEscapedFormsWithoutMakingTheCallerWait) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    FakeHttpServer server;
    const QString url = MetricsWriter::metricsURLForService(server.url(u"/"_s));
    EXPECT_EQ(url, server.url(u"/MetricsSystem/execute.do"_s));
    EXPECT_TEXT(MetricsWriter::metricsURLForService(u""_s), QString());
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
    EXPECT_EQ(requests[0].method, u"POST"_s);
    EXPECT_EQ(requests[0].body,
              QByteArray("action=RECORD&metricApplication=App&metricName=Search%20%26%20find%3Dyes"
                         "&metricValue=&metricGroup=wii&metricFeature="));
    EXPECT_EQ(formOf(requests[1].body).value(u"metricName"_s), u"Later"_s);
}
