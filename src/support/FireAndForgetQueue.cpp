#include "FireAndForgetQueue.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

#include "MyLog.h"

using namespace Qt::StringLiterals;

namespace {

void stopSharedQueue() {
    FireAndForgetQueue::shared().stop();
}

}  // namespace

FireAndForgetQueue& FireAndForgetQueue::shared() {
    static FireAndForgetQueue* queue = [] {
        static FireAndForgetQueue instance;
        instance.stopWithApplication_ = true;
        return &instance;
    }();
    return *queue;
}

FireAndForgetQueue::~FireAndForgetQueue() {
    stop();
}

bool FireAndForgetQueue::enqueue(const QString& urlString,
                                 const std::optional<OrvHTTPServices::Dictionary>& dictionary) {
    std::unique_lock lock(mu_);
    if (stopping_) {
        MYLOG(u"Post to %@ dropped: the sender has stopped"_s, urlString);
        return false;
    }
    if (!QCoreApplication::instance()) {
        MYLOG(u"Post to %@ dropped: no application object"_s, urlString);
        return false;
    }
    if (int(queue_.size()) >= capacity_) {
        ++dropped_;
        MYLOG(u"Post to %@ dropped: %d posts already waiting"_s, urlString, int(queue_.size()));
        return false;
    }
    queue_.push_back(Post{urlString, dictionary});
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] { run(); });
        if (stopWithApplication_) {
            // The sender must be gone before Qt's networking is torn down with the application.
            qAddPostRoutine(stopSharedQueue);
        }
    }
    lock.unlock();
    wake_.notify_one();
    return true;
}

void FireAndForgetQueue::run() {
    // One manager for the sender's life, made on its thread: a manager per post costs more
    // than a post, and one torn down just after an aborted answer leaves Qt reading the rest of
    // that answer into memory.
    std::optional<QNetworkAccessManager> manager;
    std::unique_lock lock(mu_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            break;
        }
        const Post post = std::move(queue_.front());
        queue_.pop_front();
        inFlight_ = true;
        const int timeout = requestTimeout_ > 0 ? requestTimeout_ : OrvHTTPServices::postTimeout();
        const Transport transport = transport_;
        lock.unlock();
        const OrvHTTPServices::FormRequest form = OrvHTTPServices::getMutableURLRequest(
            post.urlString, post.dictionary, timeout / 1000.0);
        if (transport) {
            transport(form, timeout, abandon_);
        } else {
            if (!manager) {
                manager.emplace();
            }
            // The answer is ignored: once its headers are in the post has arrived, and no
            // byte of its body is read.
            OrvHTTPServices::send(form.request, form.body, timeout, &abandon_,
                                  OrvHTTPServices::kHeadersOnly, &*manager);
        }
        lock.lock();
        inFlight_ = false;
        if (queue_.empty()) {
            idle_.notify_all();
        }
    }
    inFlight_ = false;
    idle_.notify_all();
}

bool FireAndForgetQueue::waitForIdle(int msecs) {
    std::unique_lock lock(mu_);
    return idle_.wait_for(lock, std::chrono::milliseconds(msecs),
                          [this] { return queue_.empty() && !inFlight_; });
}

void FireAndForgetQueue::setCapacity(int capacity) {
    std::lock_guard lock(mu_);
    capacity_ = std::max(1, capacity);
}

void FireAndForgetQueue::setTransport(Transport transport) {
    std::lock_guard lock(mu_);
    transport_ = std::move(transport);
}

void FireAndForgetQueue::setRequestTimeout(int msecs) {
    std::lock_guard lock(mu_);
    requestTimeout_ = msecs;
}

int FireAndForgetQueue::droppedCount() const {
    std::lock_guard lock(mu_);
    return dropped_;
}

void FireAndForgetQueue::stop() {
    std::thread sender;
    {
        std::lock_guard lock(mu_);
        if (!stopping_ && !queue_.empty()) {
            MYLOG(u"%d posts not sent: the program is ending"_s, int(queue_.size()));
        }
        stopping_ = true;
        dropped_ += int(queue_.size());
        queue_.clear();
        sender = std::move(thread_);
    }
    abandon_ = true;
    wake_.notify_all();
    idle_.notify_all();
    if (sender.joinable()) {
        sender.join();
    }
}
