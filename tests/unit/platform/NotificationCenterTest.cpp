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
    center.addObserver(observer(0), u"NOTIF_GAMES_UPDATED"_s, [&](auto&) { calls << u"a"_s; });
    center.addObserver(observer(1), u"NOTIF_GAMES_UPDATED"_s, [&](auto&) { calls << u"b"_s; });
    center.addObserver(observer(2), u"notif_games_updated"_s, [&](auto&) { calls << u"lower"_s; });
    center.addObserver(observer(3), u"NOTIF_GAMES"_s, [&](auto&) { calls << u"prefix"_s; });
    center.addObserver(observer(2), u"NOTIF_GAMES_UPDATED"_s, [&](auto&) { calls << u"c"_s; });

    center.postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    EXPECT_EQ(calls, (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    calls.clear();
    center.postNotificationName(u"NOTIF_GAMES_UPDATED "_s);
    EXPECT_TRUE(calls.isEmpty());
}

TEST(NotificationCenterDelivery, RunsOnThePostingThreadBeforePostReturns) {
    NotificationCenter center;
    std::thread::id handlerThread;
    std::atomic<bool> handled{false};
    center.addObserver(observer(0), u"NOTF_PREFACE_IMAGE_PULLED_http://x/1.jpg"_s, [&](auto&) {
        handlerThread = std::this_thread::get_id();
        handled = true;
    });
    std::thread::id posterThread;
    bool handledBeforeReturn = false;
    std::thread poster([&] {
        posterThread = std::this_thread::get_id();
        center.postNotificationName(u"NOTF_PREFACE_IMAGE_PULLED_http://x/1.jpg"_s);
        handledBeforeReturn = handled.load();
    });
    poster.join();
    EXPECT_TRUE(handledBeforeReturn);
    EXPECT_EQ(handlerThread, posterThread);
    EXPECT_NE(handlerThread, std::this_thread::get_id());
}

TEST(NotificationCenterDelivery, CarriesPointerOrMapObjectAndUserInfoUnchanged) {
    NotificationCenter center;
    Record record{42};
    Notification seen;
    center.addObserver(observer(0), u"N"_s, [&](const Notification& n) { seen = n; });

    center.postNotificationName(u"N"_s, QVariant::fromValue(&record),
                                QVariantMap{{u"imageURL"_s, u"http://x/1.jpg"_s}});
    EXPECT_EQ(seen.name(), u"N"_s);
    ASSERT_EQ(seen.object().value<Record*>(), &record);
    EXPECT_EQ(seen.object().value<Record*>()->id, 42);
    EXPECT_EQ(seen.userInfo().value(u"imageURL"_s).toString(), u"http://x/1.jpg"_s);

    const QVariantMap object{{u"game"_s, QVariant::fromValue(&record)}, {u"screenshot"_s, 7}};
    center.postNotification(Notification(u"N"_s, object));
    EXPECT_EQ(seen.object().toMap().value(u"game"_s).value<Record*>(), &record);
    EXPECT_TRUE(seen.userInfo().isEmpty());
    EXPECT_TRUE(seen.description().contains(u"N"_s));
}

TEST(NotificationCenterDelivery, HandlersMayPostAndRegisterWithoutDeadlock) {
    NotificationCenter center;
    QStringList calls;
    center.addObserver(observer(0), u"outer"_s, [&](auto&) {
        calls << u"outer"_s;
        center.addObserver(observer(1), u"outer"_s, [&](auto&) { calls << u"late"_s; });
        center.postNotificationName(u"inner"_s);
    });
    center.addObserver(observer(2), u"inner"_s, [&](auto&) { calls << u"inner"_s; });

    center.postNotificationName(u"outer"_s);
    // An observer added during a delivery waits for the next post.
    EXPECT_EQ(calls, (QStringList{u"outer"_s, u"inner"_s}));
    center.removeObserver(observer(0));
    calls.clear();
    center.postNotificationName(u"outer"_s);
    EXPECT_EQ(calls, QStringList{u"late"_s});
}

TEST(NotificationCenterRemoval, ObserverRemovingItselfAndAnotherMidDeliveryIsNotCalledAgain) {
    NotificationCenter center;
    QStringList calls;
    center.addObserver(observer(0), u"N"_s, [&](auto&) { calls << u"first"_s; });
    center.addObserver(observer(1), u"N"_s, [&](auto&) {
        calls << u"remover"_s;
        center.removeObserver(observer(1), u"N"_s);
        center.removeObserver(observer(3));
    });
    center.addObserver(observer(2), u"N"_s, [&](auto&) { calls << u"third"_s; });
    center.addObserver(observer(3), u"N"_s, [&](auto&) { calls << u"removed"_s; });

    center.postNotificationName(u"N"_s);
    EXPECT_EQ(calls, (QStringList{u"first"_s, u"remover"_s, u"third"_s}));
    calls.clear();
    center.postNotificationName(u"N"_s);
    EXPECT_EQ(calls, (QStringList{u"first"_s, u"third"_s}));
    EXPECT_EQ(center.observerCountForName(u"N"_s), 2);
}

TEST(NotificationCenterRemoval, FromAllNamesAtOnceLeavesOtherObservers) {
    NotificationCenter center;
    int mine = 0;
    int other = 0;
    for (const QString& name : {u"A"_s, u"B"_s, u"C"_s}) {
        center.addObserver(observer(0), name, [&](auto&) { ++mine; });
    }
    center.addObserver(observer(1), u"A"_s, [&](auto&) { ++other; });

    center.removeObserver(observer(0));
    for (const QString& name : {u"A"_s, u"B"_s, u"C"_s}) {
        center.postNotificationName(name);
    }
    EXPECT_EQ(mine, 0);
    EXPECT_EQ(other, 1);
    EXPECT_EQ(center.observerCountForName(u"A"_s), 1);
    EXPECT_EQ(center.observerCountForName(u"B"_s), 0);
    // Removing what is not registered is harmless.
    center.removeObserver(observer(0));
    center.removeObserver(observer(5), u"A"_s);
    EXPECT_EQ(center.observerCountForName(u"A"_s), 1);
}

TEST(NotificationCenterRemoval, ForOneNameKeepsTheObserversOtherNames) {
    NotificationCenter center;
    int calls = 0;
    center.addObserver(observer(0), u"A"_s, [&](auto&) { ++calls; });
    center.addObserver(observer(0), u"A"_s, [&](auto&) { ++calls; });
    center.addObserver(observer(0), u"B"_s, [&](auto&) { calls += 10; });

    center.postNotificationName(u"A"_s);
    EXPECT_EQ(calls, 2);  // registered twice, called twice
    center.removeObserver(observer(0), u"A"_s);
    center.postNotificationName(u"A"_s);
    center.postNotificationName(u"B"_s);
    EXPECT_EQ(calls, 12);
}

TEST(NotificationCenterRemoval, QObjectObserverIsDroppedWhenDestroyed) {
    NotificationCenter center;
    int calls = 0;
    auto* cell = new QTimer;  // a subclass must pick the QObject overload
    EXPECT_TRUE(center.addObserver(cell, u"A"_s, [&](auto&) { ++calls; }));
    EXPECT_TRUE(center.addObserver(cell, u"B"_s, [&](auto&) { ++calls; }));
    // A reused cell drops everything and registers again; the watch must still hold.
    center.removeObserver(cell);
    EXPECT_TRUE(center.addObserver(cell, u"C"_s, [&](auto&) { ++calls; }));
    delete cell;
    EXPECT_EQ(center.observerCountForName(u"A"_s), 0);
    EXPECT_EQ(center.observerCountForName(u"C"_s), 0);
    center.postNotificationName(u"C"_s);
    EXPECT_EQ(calls, 0);
}

TEST(NotificationCenterRemoval, CenterDestroyedBeforeItsQObjectObserverIsSafe) {
    QObject cell;
    {
        NotificationCenter center;
        center.addObserver(&cell, u"A"_s, [](auto&) {});
    }
    // cell dies after the centre; its destroyed() must not reach the dead centre.
}

TEST(NotificationCenterBadInput, RefusesIncompleteRegistrationsAndNamelessPosts) {
    NotificationCenter center;
    int calls = 0;
    EXPECT_FALSE(
        center.addObserver(static_cast<const void*>(nullptr), u"A"_s, [&](auto&) { ++calls; }));
    EXPECT_FALSE(center.addObserver(observer(0), QString(), [&](auto&) { ++calls; }));
    EXPECT_FALSE(center.addObserver(observer(0), u""_s, [&](auto&) { ++calls; }));
    EXPECT_FALSE(center.addObserver(observer(0), u"A"_s, NotificationCenter::Handler()));
    EXPECT_EQ(center.observerCountForName(u"A"_s), 0);
    center.postNotificationName(QString());
    center.postNotification(Notification());
    EXPECT_EQ(calls, 0);
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
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(center.observerCountForName(u"own-%1"_s.arg(t)), 0);
    }
}

TEST(NotificationCenterThreads, RemovalFromAnotherThreadStopsLaterPosts) {
    NotificationCenter center;
    std::atomic<int> posted{0};
    std::atomic<int> latestSeen{0};
    std::atomic<int> calls{0};
    center.addObserver(observer(0), u"tick"_s, [&](const Notification& n) {
        latestSeen = n.object().toInt();
        ++calls;
    });
    std::atomic<bool> stop{false};
    std::thread poster([&] {
        while (!stop) {
            center.postNotificationName(u"tick"_s, ++posted);
        }
    });
    while (calls < 50) {
        std::this_thread::yield();
    }
    center.removeObserver(observer(0));
    // Any post numbered after this began after the removal had returned.
    const int lastPossible = posted.load();
    const int target = lastPossible + 200;
    while (posted < target) {
        std::this_thread::yield();
    }
    stop = true;
    poster.join();
    EXPECT_LE(latestSeen.load(), lastPossible);
}
