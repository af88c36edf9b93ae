#include "QlMetricWriter.h"

#include "Model.h"

using namespace Qt::StringLiterals;

void QlMetricWriter::writeMetric(const QString& metricName) {
    writeMetric(metricName, u""_s);
}

void QlMetricWriter::writeMetric(const QString& metricName, const QString& forFeature) {
    const Model* model = Model::instanceOf();
    // No configured service: no metric leaves the machine.
    const QString url = MetricsWriter::metricsURLForService(model->metricsServiceURL());
    if (url.isEmpty()) {
        return;
    }
    const QString application = u"Questlog 3.0"_s;
    MetricsWriter::writeMetric(metricName, application, model->platformCode(), forFeature, u""_s,
                               url);
    MetricsWriter::writeMetric(metricName, application, u"All platforms"_s, forFeature, u""_s, url);
}
