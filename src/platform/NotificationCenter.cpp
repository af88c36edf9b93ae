#include "NotificationCenter.h"

#include <QObject>
#include <utility>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

NotificationCenter* NotificationCenter::defaultCenter() {
    // Never destroyed: worker threads may still post while the process exits.
    static NotificationCenter* const center = new NotificationCenter();
    return center;
}

NotificationCenter::NotificationCenter() = default;

NotificationCenter::~NotificationCenter() {
    QList<QMetaObject::Connection> watches;
    {
        std::lock_guard lock(mu_);
        watches = destructionWatches_.values();
        destructionWatches_.clear();
    }
    for (const QMetaObject::Connection& watch : std::as_const(watches)) {
        QObject::disconnect(watch);
    }
}

bool NotificationCenter::addObserver(const void* observer, const QString& name, Handler handler) {
    if (!observer || name.isEmpty() || !handler) {
        MYLOG(u"NotificationCenter: refused an observer for [%@] (observer %s, handler %s)"_s, name,
              observer ? "set" : "null", handler ? "set" : "empty");
        return false;
    }
    Registration registration{observer, std::make_shared<const Handler>(std::move(handler)),
                              std::make_shared<std::atomic<bool>>(true)};
    std::lock_guard lock(mu_);
    registrationsByName_[name].push_back(std::move(registration));
    namesByObserver_[observer].insert(name);
    return true;
}

bool NotificationCenter::addObserver(QObject* observer, const QString& name, Handler handler) {
    if (!addObserver(static_cast<const void*>(observer), name, std::move(handler))) {
        return false;
    }
    watchDestruction(observer);
    return true;
}

void NotificationCenter::watchDestruction(QObject* observer) {
    const void* key = observer;
    {
        std::lock_guard lock(mu_);
        if (destructionWatches_.contains(key)) {
            return;
        }
        destructionWatches_.insert(key, QMetaObject::Connection());
    }
    // Connected outside the lock: Qt takes locks of its own here, and destroyed() calls back
    // into removeObserver, which takes ours.
    QMetaObject::Connection watch =
        QObject::connect(observer, &QObject::destroyed, [this, key] { removeObserver(key); });
    {
        std::lock_guard lock(mu_);
        auto it = destructionWatches_.find(key);
        if (it != destructionWatches_.end() && !*it) {
            *it = watch;
            return;
        }
    }
    // The observer was removed meanwhile; its watch is no longer wanted.
    QObject::disconnect(watch);
}

QMetaObject::Connection NotificationCenter::dropWatchIfUnused(const void* observer) {
    if (namesByObserver_.contains(observer)) {
        return {};
    }
    return destructionWatches_.take(observer);
}

void NotificationCenter::removeObserver(const void* observer, const QString& name) {
    QMetaObject::Connection watch;
    {
        std::lock_guard lock(mu_);
        auto it = registrationsByName_.find(name);
        if (it == registrationsByName_.end()) {
            return;
        }
        std::vector<Registration>& list = *it;
        std::erase_if(list, [observer](const Registration& registration) {
            if (registration.observer != observer) {
                return false;
            }
            registration.alive->store(false);
            return true;
        });
        if (list.empty()) {
            registrationsByName_.erase(it);
        }
        auto names = namesByObserver_.find(observer);
        if (names != namesByObserver_.end()) {
            names->remove(name);
            if (names->isEmpty()) {
                namesByObserver_.erase(names);
            }
        }
        watch = dropWatchIfUnused(observer);
    }
    QObject::disconnect(watch);
}

void NotificationCenter::removeObserver(const void* observer) {
    QMetaObject::Connection watch;
    {
        std::lock_guard lock(mu_);
        const QSet<QString> names = namesByObserver_.take(observer);
        for (const QString& name : names) {
            auto it = registrationsByName_.find(name);
            if (it == registrationsByName_.end()) {
                continue;
            }
            std::erase_if(*it, [observer](const Registration& registration) {
                if (registration.observer != observer) {
                    return false;
                }
                registration.alive->store(false);
                return true;
            });
            if (it->empty()) {
                registrationsByName_.erase(it);
            }
        }
        watch = dropWatchIfUnused(observer);
    }
    QObject::disconnect(watch);
}

void NotificationCenter::postNotificationName(const QString& name, const QVariant& object,
                                              const QVariantMap& userInfo) {
    postNotification(Notification(name, object, userInfo));
}

void NotificationCenter::postNotification(const Notification& notification) {
    if (notification.name().isEmpty()) {
        MYLOG(u"NotificationCenter: a notification without a name was not posted"_s);
        return;
    }
    // A snapshot, so handlers run unlocked and may change the registrations.
    std::vector<Registration> targets;
    {
        std::lock_guard lock(mu_);
        auto it = registrationsByName_.constFind(notification.name());
        if (it == registrationsByName_.constEnd()) {
            return;
        }
        targets = *it;
    }
    for (const Registration& registration : targets) {
        if (registration.alive->load()) {
            (*registration.handler)(notification);
        }
    }
}

int NotificationCenter::observerCountForName(const QString& name) const {
    std::lock_guard lock(mu_);
    auto it = registrationsByName_.constFind(name);
    return it == registrationsByName_.constEnd() ? 0 : int(it->size());
}
