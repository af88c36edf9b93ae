#include "NotificationCenter.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QTimer>
#include <atomic>
#include <thread>
#include <vector>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct Record {
    int id = 0;
};

// Distinct observer keys without real objects behind them.
const int kObservers[8] = {};
const void* observer(int i) {
    return &kObservers[i];
}

}  // namespace

TEST(NotificationCenterDelivery, ReachesObserversOfExactlyThatNameInRegistrationOrder) {
    NotificationCenter center;
    QStringList calls;
    const QString name = u"NOTIF_GAMES_UPDATED"_s;
    center.addObserver(observer(0), name, [&](auto&) { calls << u"a"_s; });
    center.addObserver(observer(1), name, [&](auto&) { calls << u"b"_s; });
    center.addObserver(observer(2), name.toLower(), [&](auto&) { calls << u"lower"_s; });
    center.addObserver(observer(3), u"NOTIF_GAMES"_s, [&](auto&) { calls << u"prefix"_s; });
    center.addObserver(observer(0), name, [&](auto&) { calls << u"a again"_s; });
    center.postNotificationName(name);
    EXPECT_EQ(calls, (QStringList{u"a"_s, u"b"_s, u"a again"_s}));
    // Nothing answers another name, a nameless post or an incomplete registration.
    calls.clear();
    center.postNotificationName(QString());
    center.postNotification(Notification());
    const auto called = [&](auto&) { calls << u"bad"_s; };
    EXPECT_FALSE(center.addObserver(static_cast<const void*>(nullptr), name, called));
    EXPECT_FALSE(center.addObserver(observer(5), QString(), called));
    EXPECT_FALSE(center.addObserver(observer(5), u""_s, called));
    EXPECT_FALSE(center.addObserver(observer(5), name, NotificationCenter::Handler()));
    center.postNotificationName(name + u" "_s);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(center.observerCountForName(name), 3);
}

TEST(NotificationCenterDelivery, RunsOnThePostingThreadBeforePostReturns) {
    NotificationCenter center;
    std::thread::id handlerThread;
    std::atomic<bool> handled{false};
    center.addObserver(observer(0), u"N"_s, [&](auto&) {
        handlerThread = std::this_thread::get_id();
        handled = true;
    });
    std::thread::id posterThread;
    bool handledBeforeReturn = false;
    std::thread poster([&] {
        posterThread = std::this_thread::get_id();
        center.postNotificationName(u"N"_s);
        handledBeforeReturn = handled.load();
    });
    poster.join();
    EXPECT_TRUE(handledBeforeReturn);
    EXPECT_EQ(handlerThread, posterThread);
}

TEST(NotificationCenterDelivery, CarriesObjectAndUserInfoUnchanged) {
    NotificationCenter center;
    Record record{42};
    Notification seen;
    center.addObserver(observer(0), u"N"_s, [&](const Notification& n) { seen = n; });
    center.postNotificationName(u"N"_s, QVariant::fromValue(&record),
                                QVariantMap{{u"imageURL"_s, u"http://x/1.jpg"_s}});
    EXPECT_EQ(seen.name(), u"N"_s);
    EXPECT_EQ(seen.object().value<Record*>(), &record);
    EXPECT_EQ(seen.userInfo().value(u"imageURL"_s).toString(), u"http://x/1.jpg"_s);
    center.postNotification(Notification(u"N"_s, QVariantMap{{u"screenshot"_s, 7}}));
    EXPECT_EQ(seen.object().toMap().value(u"screenshot"_s).toInt(), 7);
    EXPECT_TRUE(seen.userInfo().isEmpty());
}

// Handlers run unlocked: they may post and register (a new observer waits for the next post),
// and remove themselves or others, who are then not called again, not even by that post.
TEST(NotificationCenterDelivery, HandlersMayPostRegisterAndRemoveMidDelivery) {
    NotificationCenter center;
    QStringList calls;
    center.addObserver(observer(0), u"outer"_s, [&](auto&) {
        calls << u"outer"_s;
        center.addObserver(observer(1), u"outer"_s, [&](auto&) { calls << u"late"_s; });
        center.postNotificationName(u"inner"_s);
        center.removeObserver(observer(0), u"outer"_s);
        center.removeObserver(observer(3));
    });
    center.addObserver(observer(2), u"inner"_s, [&](auto&) { calls << u"inner"_s; });
    center.addObserver(observer(4), u"outer"_s, [&](auto&) { calls << u"after"_s; });
    center.addObserver(observer(3), u"outer"_s, [&](auto&) { calls << u"removed"_s; });
    center.postNotificationName(u"outer"_s);
    EXPECT_EQ(calls, (QStringList{u"outer"_s, u"inner"_s, u"after"_s}));
    calls.clear();
    center.postNotificationName(u"outer"_s);
    EXPECT_EQ(calls, (QStringList{u"after"_s, u"late"_s}));
}

TEST(NotificationCenterRemoval, ForOneNameOrAllNamesLeavesTheRest) {
    NotificationCenter center;
    QStringList calls;
    for (const QString& name : {u"A"_s, u"B"_s, u"C"_s}) {
        center.addObserver(observer(0), name, [&, name](auto&) { calls << name; });
    }
    center.addObserver(observer(1), u"A"_s, [&](auto&) { calls << u"other"_s; });
    const auto postAll = [&] {
        calls.clear();
        for (const QString& name : {u"A"_s, u"B"_s, u"C"_s}) {
            center.postNotificationName(name);
        }
        return calls;
    };
    center.removeObserver(observer(0), u"A"_s);
    EXPECT_EQ(postAll(), (QStringList{u"other"_s, u"B"_s, u"C"_s}));
    center.removeObserver(observer(0));
    center.removeObserver(observer(5), u"A"_s);  // not registered: harmless
    EXPECT_EQ(postAll(), QStringList{u"other"_s});
    EXPECT_EQ(center.observerCountForName(u"B"_s), 0);
}

TEST(NotificationCenterRemoval, QObjectObserverIsDroppedWhenDestroyedBeforeOrAfterTheCentre) {
    NotificationCenter center;
    int calls = 0;
    auto* cell = new QTimer;  // a subclass must pick the QObject overload
    EXPECT_TRUE(center.addObserver(cell, u"A"_s, [&](auto&) { ++calls; }));
    // A reused cell drops everything and registers again; the watch must still hold.
    center.removeObserver(cell);
    EXPECT_TRUE(center.addObserver(cell, u"C"_s, [&](auto&) { ++calls; }));
    delete cell;
    EXPECT_EQ(center.observerCountForName(u"C"_s), 0);
    center.postNotificationName(u"C"_s);
    EXPECT_EQ(calls, 0);

    // An observer outliving its centre: its destroyed() must not reach the dead centre.
    auto outliving = std::make_unique<QObject>();
    {
        NotificationCenter shortLived;
        EXPECT_TRUE(shortLived.addObserver(outliving.get(), u"A"_s, [](auto&) {}));
    }
    outliving.reset();
}

TEST(NotificationCenterThreads, ConcurrentAddRemovePostLoseNoDeliveryToAStayingObserver) {
    NotificationCenter center;
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> stayingCalls{0};
    std::atomic<int> churnCalls{0};
    center.addObserver(observer(7), u"shared"_s, [&](auto&) { ++stayingCalls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const void* me = observer(t);
            const QString own = u"own-%1"_s.arg(t);
            for (int round = 0; round < kRounds; ++round) {
                center.addObserver(me, u"shared"_s, [&](auto&) { ++churnCalls; });
                center.addObserver(me, own, [&, me, own](auto&) {
                    center.removeObserver(me, own);  // from inside its own delivery
                });
                center.postNotificationName(u"shared"_s);
                center.postNotificationName(own);
                center.removeObserver(me);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(stayingCalls.load(), kThreads * kRounds);
    EXPECT_GE(churnCalls.load(), kThreads * kRounds);  // each thread sees at least its own
    EXPECT_EQ(center.observerCountForName(u"shared"_s), 1);
    EXPECT_EQ(center.observerCountForName(u"own-0"_s), 0);
}

TEST(NotificationCenterThreads, RemovalFromAnotherThreadStopsLaterPosts) {
    NotificationCenter center;
    std::atomic<int> posted{0};
    std::atomic<int> latestSeen{0};
    center.addObserver(observer(0), u"tick"_s,
                       [&](const Notification& n) { latestSeen = n.object().toInt(); });
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        while (!stop) {
            center.postNotificationName(u"tick"_s, ++posted);
        }
    });
    while (latestSeen < 50) {
        std::this_thread::yield();
    }
    center.removeObserver(observer(0));
    // Any post numbered after this began after the removal had returned.
    const int lastPossible = posted.load();
    while (posted < lastPossible + 200) {
        std::this_thread::yield();
    }
    stop = true;
    poster.join();
    EXPECT_LE(latestSeen.load(), lastPossible);
}
