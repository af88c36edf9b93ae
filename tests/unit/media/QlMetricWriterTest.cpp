#include "QlMetricWriter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <mutex>

#include "FireAndForgetQueue.h"
#include "Model.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// The wii build with its metrics service at the given address, or none.
TEST(QlMetricWriter, EachEventBecomesTwoRecordsPlatformFirstAndNoneWithoutAService) {
    const QString previousPath = Model::informationFilePath();
    qunsetenv("QUESTLOG_METRICS_SERVICE");
    std::mutex mu;
    QList<QByteArray> bodies;
    FireAndForgetQueue::shared().setTransport(
        [&](const OrvHTTPServices::FormRequest& form, int, const std::atomic<bool>&) {
            std::lock_guard lock(mu);
            bodies.append(form.body);
        });
    QTemporaryDir dir;
    for (const QString& service : {u""_s, u"http://127.0.0.1:9"_s}) {
        QFile info(dir.filePath(u"Info.json"_s));
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(u"{\"Platform Code\": \"wii\", \"Metrics Service URL\": \"%1\"}"_s.arg(service)
                       .toUtf8());
        info.close();
        Model::setInformationFilePath(info.fileName());
        Model::instanceOf();
        Model::resetInstance();
        QlMetricWriter::writeMetric(u"Feedback emailed"_s);
        QlMetricWriter::writeMetric(u"Genre rpg"_s, u"Explore drag Genre"_s);
    }
    EXPECT_TRUE(MetricsWriter::waitForIdle(10000));
    FireAndForgetQueue::shared().setTransport({});
    Model::setInformationFilePath(previousPath);
    Model::resetInstance();
    QList<QByteArray> expected;
    for (const auto& [name, feature] :
         {std::pair{"Feedback%20emailed", ""}, {"Genre%20rpg", "Explore%20drag%20Genre"}}) {
        for (const char* group : {"wii", "All%20platforms"}) {
            expected << "action=RECORD&metricApplication=Questlog%203.0&metricName=" +
                            QByteArray(name) + "&metricValue=&metricGroup=" + group +
                            "&metricFeature=" + feature;
        }
    }
    std::lock_guard lock(mu);
    EXPECT_EQ(bodies, expected);
}
