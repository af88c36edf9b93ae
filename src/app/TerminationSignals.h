#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

// Turns SIGINT and SIGTERM into an orderly quit on the main thread: the signal handler only
// writes a byte to a pipe; the main loop reads it and runs `onSignal`. One instance per
// process, created on the main thread.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
