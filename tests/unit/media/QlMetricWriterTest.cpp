#include "QlMetricWriter.h"

#include <gtest/gtest.h>

#include "MetricRecorder.h"

// Each event goes out for the build's platform, then for all platforms; nothing without a service.
TEST(QlMetricWriter, EachEventBecomesTwoRecordsPlatformFirstAndNoneWithoutAService) {
    QList<QByteArray> expected;
    for (const auto& [name, feature] :
         {std::pair{"Feedback%20emailed", ""}, {"Genre%20rpg", "Explore%20drag%20Genre"}}) {
        for (const char* group : {"wii", "All%20platforms"}) {
            expected << "action=RECORD&metricApplication=Questlog%203.0&metricName=" +
                            QByteArray(name) + "&metricValue=&metricGroup=" + group +
                            "&metricFeature=" + feature;
        }
    }
    for (const QByteArray& service : {QByteArray(), QByteArray("http://127.0.0.1:9")}) {
        MetricRecorder recorder(service);
        QlMetricWriter::writeMetric(QStringLiteral("Feedback emailed"));
        QlMetricWriter::writeMetric(QStringLiteral("Genre rpg"),
                                    QStringLiteral("Explore drag Genre"));
        EXPECT_EQ(recorder.takeBodies(), service.isEmpty() ? QList<QByteArray>() : expected);
    }
}
