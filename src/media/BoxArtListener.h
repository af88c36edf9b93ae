#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Notification.h"

// Waits for the box-art loader to announce one address, and hands the announcement to a handler
// on the main thread. The loader posts from its worker threads, where the waiting screen may be
// going away at the same moment; the worker therefore only posts a call to the main thread, and
// that call runs the handler only if the listener is still alive and still waiting for that
// address. Destroying the listener (with its screen) ends the wait. Owned and used on the main
// thread.
class BoxArtListener {
public:
    using Handler = std::function<void(const Notification&)>;

    explicit BoxArtListener(Handler handler);
    ~BoxArtListener();
    BoxArtListener(const BoxArtListener&) = delete;
    BoxArtListener& operator=(const BoxArtListener&) = delete;

    // Ends any earlier wait and waits for the address's announcement.
    void listen(const QString& imageURL);
    void stop();
    bool isListening() const { return !name_.isEmpty(); }
    // The notification waited for; empty when not listening.
    const QString& name() const { return name_; }

private:
    struct State {
        Handler handler;
        QString name;
    };
    // Shared only with the calls posted to the main thread, which hold it weakly.
    std::shared_ptr<State> state_;
    QString name_;
};
