#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Distinct observer keys without real objects behind them.
const int kObservers[8] = {};
const void* observer(int i) {
    return &kObservers[i];
}

}  // namespace

// Exactly that name, in registration order (twice registered, twice called); incomplete
// registrations and nameless posts do nothing.
TEST(NotificationCenterDelivery, ReachesObserversOfThatNameInOrderAndHandlersMayChangeThem) {
    NotificationCenter center;
    QStringList calls;
    const QString name = u"NOTIF_GAMES_UPDATED"_s;
    const auto record = [&](const QString& call) { return [&, call](auto&) { calls << call; }; };
    center.addObserver(observer(0), name, record(u"a"_s));
    center.addObserver(observer(1), name, record(u"b"_s));
    center.addObserver(observer(2), name.toLower(), record(u"lower"_s));
    center.addObserver(observer(0), name, record(u"a again"_s));
    center.addObserver(observer(0), name.toLower(), record(u"a lower"_s));
    EXPECT_FALSE(center.addObserver(static_cast<const void*>(nullptr), name, record(u"bad"_s)));
    EXPECT_FALSE(center.addObserver(observer(5), u""_s, record(u"bad"_s)));
    EXPECT_FALSE(center.addObserver(observer(5), name, NotificationCenter::Handler()));
    center.postNotificationName(name);
    center.postNotificationName(QString());
    center.postNotification(Notification());
    EXPECT_EQ(calls, (QStringList{u"a"_s, u"b"_s, u"a again"_s}));
    // For one name, or for all names at once; removing what is not there is harmless.
    center.removeObserver(observer(0), name);
    center.removeObserver(observer(5));
    center.postNotificationName(name);
    center.removeObserver(observer(1));
    center.postNotificationName(name);
    EXPECT_EQ(calls, (QStringList{u"a"_s, u"b"_s, u"a again"_s, u"b"_s}));
    EXPECT_EQ(center.observerCountForName(name.toLower()), 2);  // other names kept
    // A QObject observer is dropped when destroyed, also after it registered again; one
    // outliving its centre does not reach the dead centre.
    auto* cell = new QTimer;  // a subclass must pick the QObject overload
    EXPECT_TRUE(center.addObserver(cell, name, record(u"cell"_s)));
    center.removeObserver(cell);
    EXPECT_TRUE(center.addObserver(cell, u"C"_s, record(u"cell"_s)));
    delete cell;
    center.postNotificationName(u"C"_s);
    EXPECT_EQ(center.observerCountForName(u"C"_s), 0);
    QObject outliving;
    NotificationCenter().addObserver(&outliving, u"A"_s, [](auto&) {});

    // Handlers run unlocked, synchronously on the posting thread: they may post and register (a
    // new observer waits for the next post) and remove themselves or others, who are then not
    // called again, not even by that post.
    calls.clear();
    center.addObserver(observer(0), u"outer"_s, [&](const Notification& n) {
        calls << n.userInfo().value(u"from"_s).toString();
        center.addObserver(observer(1), u"outer"_s, [&](auto&) { calls << u"late"_s; });
        center.postNotificationName(u"inner"_s);
        center.removeObserver(observer(0), u"outer"_s);
        center.removeObserver(observer(3));
    });
    center.addObserver(observer(2), u"inner"_s, [&](auto&) { calls << u"inner"_s; });
    center.addObserver(observer(4), u"outer"_s, [&](auto&) { calls << u"after"_s; });
    center.addObserver(observer(3), u"outer"_s, [&](auto&) { calls << u"removed"_s; });
    std::thread([&] {
        center.postNotificationName(u"outer"_s, {}, {{u"from"_s, u"thread"_s}});
        calls << u"returned"_s;
    }).join();
    center.postNotificationName(u"outer"_s);
    EXPECT_EQ(calls, (QStringList{u"thread"_s, u"inner"_s, u"after"_s, u"returned"_s, u"after"_s,
                                  u"late"_s}));
}

// Threads add, remove themselves mid-delivery and post while one observer stays: it misses
// nothing; a removal returned on one thread stops every later post from another.
TEST(NotificationCenterThreads, ConcurrentAddRemovePostLoseNothingAndRemovalHolds) {
    NotificationCenter center;
    constexpr int kThreads = 3;
    constexpr int kRounds = 300;
    std::atomic<int> stayingCalls{0}, posted{0}, latestSeen{0};
    center.addObserver(observer(7), u"shared"_s, [&](auto&) { ++stayingCalls; });
    center.addObserver(observer(6), u"tick"_s,
                       [&](const Notification& n) { latestSeen = n.object().toInt(); });
    std::atomic<bool> stop{false};
    std::thread ticker([&] {
        while (!stop) {
            center.postNotificationName(u"tick"_s, ++posted);
        }
    });
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const void* me = observer(t);
            const QString own = u"own-%1"_s.arg(t);
            for (int round = 0; round < kRounds; ++round) {
                center.addObserver(me, u"shared"_s, [](auto&) {});
                center.addObserver(me, own,
                                   [&, me, own](auto&) { center.removeObserver(me, own); });
                center.postNotificationName(u"shared"_s);
                center.postNotificationName(own);
                center.removeObserver(me);
            }
        });
    }
    threads.clear();  // joins them
    while (latestSeen < 50) {
        std::this_thread::yield();
    }
    center.removeObserver(observer(6));
    const int lastPossible = posted.load();  // later posts began after the removal returned
    while (posted < lastPossible + 200) {
        std::this_thread::yield();
    }
    stop = true;
    ticker.join();
    EXPECT_LE(latestSeen.load(), lastPossible);
    EXPECT_EQ(stayingCalls.load(), kThreads * kRounds);
    EXPECT_EQ(center.observerCountForName(u"shared"_s), 1);
    EXPECT_EQ(center.observerCountForName(u"own-0"_s), 0);
}
