#pragma once

#include <QEventLoop>
#include <QTimer>
#include <atomic>

// Waits on the event itself: the event loop runs (and sleeps between events) until something,
// on any thread, calls `done`, or until the time runs out. Answers whether `done` came first.
class EventWait {
public:
    void done() {
        happened_ = true;
        QMetaObject::invokeMethod(&loop_, &QEventLoop::quit, Qt::QueuedConnection);
    }
    bool wait(int msecs = 5000) {
        if (!happened_) {
            QTimer::singleShot(msecs, &loop_, &QEventLoop::quit);
            loop_.exec();
        }
        return happened_;
    }

private:
    QEventLoop loop_;
    std::atomic<bool> happened_{false};
};
