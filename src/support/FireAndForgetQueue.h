#pragma once

#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "OrvHTTPServices.h"

// The background sender of fire-and-forget posts: a bounded queue served by one thread, which
// sends each post as a form post (OrvHTTPServices) and ignores the outcome. The thread starts
// with the first post; stop() abandons the post in flight and drops the rest. The shared queue
// stops when the application object is destroyed, or at process exit. Any thread may call any
// member except stop(), which must not be called from a transport.
class FireAndForgetQueue {
public:
    // Sends one post and waits at most timeoutMsecs, giving up early once abandon turns true.
    using Transport = std::function<void(const OrvHTTPServices::FormRequest& form, int timeoutMsecs,
                                         const std::atomic<bool>& abandon)>;

    // The program's queue.
    static FireAndForgetQueue& shared();
    // A queue of one's own (tests); the program uses shared().
    FireAndForgetQueue() = default;
    FireAndForgetQueue(const FireAndForgetQueue&) = delete;
    FireAndForgetQueue& operator=(const FireAndForgetQueue&) = delete;

    // Replaces the HTTP transport for posts taken from now on; empty restores Qt networking.
    void setTransport(Transport transport);

    // False (with a log line) when the queue is full or stopped.
    bool enqueue(const QString& urlString,
                 const std::optional<OrvHTTPServices::Dictionary>& dictionary);
    // True once nothing is queued or in flight, within msecs.
    bool waitForIdle(int msecs);
    void setCapacity(int capacity);
    // Longest time one post may take (default: OrvHTTPServices::postTimeout()); 0 or less
    // restores the default.
    void setRequestTimeout(int msecs);
    int droppedCount() const;
    // Stops the sender and joins it; later posts are dropped. Safe to call more than once.
    void stop();

    ~FireAndForgetQueue();

private:
    struct Post {
        QString urlString;
        std::optional<OrvHTTPServices::Dictionary> dictionary;
    };

    void run();

    // mu_ protects the following state.
    mutable std::mutex mu_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Post> queue_;
    bool inFlight_ = false;
    bool stopping_ = false;
    bool started_ = false;
    int capacity_ = 64;
    int dropped_ = 0;
    int requestTimeout_ = 0;
    Transport transport_;
    bool stopWithApplication_ = false;
    std::thread thread_;
    // Read by the sender while it waits on the network; set once, by stop.
    std::atomic<bool> abandon_{false};
};
