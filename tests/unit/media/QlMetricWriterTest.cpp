#include "QlMetricWriter.h"

#include <gtest/gtest.h>

#include "MetricRecorder.h"

// Each event goes out for the build's platform, then for all platforms; nothing without a service.
TEST(QlMetricWriter, EachEventBecomesTwoRecordsPlatformFirstAndNoneWithoutAService) {
    const QByteArray head = "action=RECORD&metricApplication=Questlog%203.0&metricName=";
    const QList<QByteArray> expected{
        head + "Feedback%20emailed&metricValue=&metricGroup=wii&metricFeature=",
        head + "Feedback%20emailed&metricValue=&metricGroup=All%20platforms&metricFeature=",
        head + "Genre%20rpg&metricValue=&metricGroup=wii&metricFeature=Explore%20drag%20Genre",
        head +
            "Genre%20rpg&metricValue=&metricGroup=All%20platforms&metricFeature=Explore%20drag"
            "%20Genre"};
    for (const QByteArray& service : {QByteArray(), QByteArray("http://127.0.0.1:9")}) {
        MetricRecorder recorder(service);
        QlMetricWriter::writeMetric(QStringLiteral("Feedback emailed"));
        QlMetricWriter::writeMetric(QStringLiteral("Genre rpg"),
                                    QStringLiteral("Explore drag Genre"));
        EXPECT_EQ(recorder.takeBodies(), service.isEmpty() ? QList<QByteArray>() : expected);
    }
}
