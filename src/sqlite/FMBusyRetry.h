#pragma once

#include <QtGlobal>

// The layer's one rule for SQLite's "busy" answer (another connection holds a lock): sleep a
// moment and try again, without limit when the timeout is 0, otherwise giving up once more than
// `busyRetryTimeout` extra attempts have been made. One instance per operation; any thread.
class FMBusyRetry {
public:
    explicit FMBusyRetry(qint32 busyRetryTimeout) : busyRetryTimeout_(busyRetryTimeout) {}

    // Called after each busy answer: waits, then answers whether to try again.
    bool shouldRetry();
    // Busy answers seen so far.
    int busyAnswers() const { return busyAnswers_; }

private:
    qint32 busyRetryTimeout_;
    qint32 numberOfRetries_ = 0;
    int busyAnswers_ = 0;
};
