#pragma once

#include <QString>

#include "MetricsWriter.h"

// The application's one entry point for usage metrics: each event becomes two records, one
// under this build's platform code and one under "All platforms", sent in the background to
// the configured metrics service (nothing at all when none is configured). Returns at once;
// any thread.
class QlMetricWriter : public MetricsWriter {
public:
    static void writeMetric(const QString& metricName);
    static void writeMetric(const QString& metricName, const QString& forFeature);
};
