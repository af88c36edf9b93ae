#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>

// How long the main thread's event loop went without turning while the watchdog lived: a
// timer ticks every few milliseconds and the largest lateness of a tick is kept. Time the thread
// spent runnable but waiting for a processor is left out (Linux schedstat): on a busy machine
// that is the scheduler's doing, not the code's. Create, run and read on the main thread, which
// must run its event loop (QTest::qWaitFor, QSignalSpy::wait, EventWait), never block in the
// test's own code.
class EventLoopWatchdog {
public:
    static constexpr int kTickMsecs = 5;

    EventLoopWatchdog() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            const qint64 waited = runQueueMsecs();
            worst_ = std::max(worst_, now - last_ - (waited - lastWaited_) - kTickMsecs);
            last_ = now;
            lastWaited_ = waited;
        });
        clock_.start();
        lastWaited_ = runQueueMsecs();
        timer_.start(kTickMsecs);
    }

    // The longest the loop was held up, in milliseconds, up to the last tick.
    qint64 worstGapMsecs() const { return std::max<qint64>(worst_, 0); }

    // Whether times measured here mean anything: sanitizers and valgrind slow every step many
    // times over, so there a gap measures the tool, not the code.
    static bool timingIsMeaningful() {
#if defined(QUESTLOG_UNDER_ASAN) || defined(QUESTLOG_UNDER_TSAN)
        return false;
#else
        QFile maps(QStringLiteral("/proc/self/maps"));
        return !(maps.open(QIODevice::ReadOnly) && maps.readAll().contains("vgpreload"));
#endif
    }

private:
    // Milliseconds this thread has waited, runnable, for a processor; 0 where unknown.
    static qint64 runQueueMsecs() {
        QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
        if (!stat.open(QIODevice::ReadOnly)) {
            return 0;
        }
        return stat.readAll().split(' ').value(1).toLongLong() / 1000000;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 lastWaited_ = 0;
    qint64 worst_ = 0;
};
