#include "MetricsWriter.h"

#include "FireAndForgetQueue.h"
#include "OrvHTTPServices.h"

using namespace Qt::StringLiterals;

namespace {

QString orEmpty(const QString& text) {
    return text.isNull() ? u""_s : text;
}

}  // namespace

void MetricsWriter::writeMetric(const QString& metricName, const QString& forApplication,
                                const QString& forGroup, const QString& forFeature,
                                const QString& withValue, const QString& toURL) {
    if (metricName.isEmpty() || toURL.isEmpty()) {
        return;
    }
    OrvHTTPServices::Dictionary record{
        {u"action"_s, u"RECORD"_s},
        {u"metricApplication"_s, orEmpty(forApplication)},
        {u"metricName"_s, metricName},
        {u"metricValue"_s, orEmpty(withValue)},
        {u"metricGroup"_s, orEmpty(forGroup)},
        {u"metricFeature"_s, orEmpty(forFeature)},
    };
    OrvHTTPServices::fireAndForget(toURL, record);
}

QString MetricsWriter::metricsURLForService(const QString& serviceURL) {
    QString base = serviceURL.trimmed();
    if (base.isEmpty()) {
        return QString();
    }
    while (base.endsWith(u'/')) {
        base.chop(1);
    }
    return base + u"/MetricsSystem/execute.do"_s;
}

bool MetricsWriter::waitForIdle(int msecs) {
    return FireAndForgetQueue::shared().waitForIdle(msecs);
}

void MetricsWriter::setRequestTimeout(int msecs) {
    FireAndForgetQueue::shared().setRequestTimeout(msecs);
}

void MetricsWriter::setQueueCapacity(int capacity) {
    FireAndForgetQueue::shared().setCapacity(capacity);
}

int MetricsWriter::droppedCount() {
    return FireAndForgetQueue::shared().droppedCount();
}
