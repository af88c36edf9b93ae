#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>

// How long the main thread's event loop went without turning while the watchdog lived: a
// timer ticks every few milliseconds and the largest lateness of a tick is kept. Create, run
// and read on the main thread, which must run its event loop (waiting through QTest::qWaitFor,
// QSignalSpy::wait or EventWait, never a blocking call of the test's own).
class EventLoopWatchdog {
public:
    static constexpr int kTickMsecs = 5;

    EventLoopWatchdog() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_ - kTickMsecs);
            last_ = now;
        });
        clock_.start();
        timer_.start(kTickMsecs);
    }

    // The longest the loop was held up, in milliseconds, up to the last tick.
    qint64 worstGapMsecs() const { return std::max<qint64>(worst_, 0); }

    // Whether wall-clock gaps say anything about this build: sanitizers and valgrind slow every
    // step many times over, so there a gap measures the tool, not the code.
    static bool timingIsMeaningful() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return false;
#else
        QFile maps(QStringLiteral("/proc/self/maps"));
        return !(maps.open(QIODevice::ReadOnly) && maps.readAll().contains("vgpreload"));
#endif
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};
