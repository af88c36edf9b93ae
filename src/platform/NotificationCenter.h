#pragma once

#include <QHash>
#include <QMetaObject>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "Notification.h"

class QObject;

// The program's in-process notification centre: observers register a handler for a name (no
// sender filter) and a post calls every handler registered for exactly that name, synchronously
// on the posting thread, in registration order, before the post returns.
//
// Any thread may register, remove and post. Handlers run without the centre's lock held, so a
// handler may post, register or remove observers (itself included). An observer removed while a
// post is delivering is not called by that post from then on. A handler already running on
// another thread may still be finishing when removeObserver returns: handlers that are called off
// the main thread must not reach into an object that can die meanwhile (hand the work to the
// main thread with a queued call, or capture a QPointer).
//
// The observer pointer is only an identity key; it is never dereferenced. Pass the same pointer
// to removeObserver that was given to addObserver.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;

    // The shared centre, created on first use; never destroyed.
    static NotificationCenter* defaultCenter();

    // Tests may make centres of their own; the program uses defaultCenter().
    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // False (and a log line) for a null observer, an empty name or an empty handler. Registering
    // the same observer twice for one name makes it called twice per post.
    bool addObserver(const void* observer, const QString& name, Handler handler);
    // As above, and every registration of the QObject is dropped when it is destroyed.
    // The observer's key is the QObject address.
    bool addObserver(QObject* observer, const QString& name, Handler handler);

    // Every registration of the observer for this name.
    void removeObserver(const void* observer, const QString& name);
    // Every registration of the observer, for all names at once.
    void removeObserver(const void* observer);

    void postNotificationName(const QString& name, const QVariant& object = {},
                              const QVariantMap& userInfo = {});
    void postNotification(const Notification& notification);

    // How many registrations answer this name now.
    int observerCountForName(const QString& name) const;

private:
    struct Registration {
        const void* observer = nullptr;
        std::shared_ptr<const Handler> handler;
        // Cleared on removal, so a delivery already under way skips the observer from then on.
        std::shared_ptr<std::atomic<bool>> alive;
    };

    void watchDestruction(QObject* observer);
    // REQUIRES: mu_ held. Forgets the observer's destruction watch once it has no
    // registrations left; answers the connection the caller must break after unlocking.
    QMetaObject::Connection dropWatchIfUnused(const void* observer);

    mutable std::mutex mu_;
    // mu_ protects the following state.
    QHash<QString, std::vector<Registration>> registrationsByName_;
    QHash<const void*, QSet<QString>> namesByObserver_;
    // QObject observers whose destroyed() signal is connected; an invalid connection marks a
    // watch that another call is still setting up.
    QHash<const void*, QMetaObject::Connection> destructionWatches_;
};
