#pragma once

#include <QString>

// Sends one usage record as a form post, in the background, ignoring the answer. Records wait
// in a small bounded queue served by one sender thread; a full queue drops the record with a
// log line. Any thread; never blocks on the network.
class MetricsWriter {
public:
    // Does nothing when metricName or toURL is null or empty. Null application, group, feature
    // or value are sent as "".
    static void writeMetric(const QString& metricName, const QString& forApplication,
                            const QString& forGroup, const QString& forFeature,
                            const QString& withValue, const QString& toURL);

    // The metrics address of a service base address ("http://host:port"): the base with the
    // path "/MetricsSystem/execute.do". Null for a null or empty base.
    static QString metricsURLForService(const QString& serviceURL);

    // True once every queued record has been sent or given up, within msecs. For tests and
    // orderly shutdown.
    static bool waitForIdle(int msecs);
    // Longest time one record may take (default 60 000 ms); tests shorten it.
    static void setRequestTimeout(int msecs);
    // Records allowed to wait; further ones are dropped (default 64).
    static void setQueueCapacity(int capacity);
    // Records dropped because the queue was full, since start.
    static int droppedCount();
};
