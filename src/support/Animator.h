#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QPointer>
#include <QPropertyAnimation>
#include <QVariant>
#include <functional>

// The one way the screens animate a property and wait out a delay. An animation is kept in a
// slot the caller owns, so a new one for the same property stops the one under way, as a new
// handset animation block takes over from the running one.
//
// Tests turn on `setImmediate`: animations then jump to their end before `animate` returns and
// delays run at the next turn of the event loop, in the order their times would have run out,
// so tests wait on events rather than on the clock. Main thread only.
class Animator {
public:
    // The handset's ease-in-ease-out timing, the curve of every animation of the screens.
    static QEasingCurve easeInEaseOut();

    static void setImmediate(bool immediate);
    static bool isImmediate();

    // Stops the animation in `slot` (its `finished` action does not run), then animates
    // `target`'s `property` from `from` (or from where it stands, when `from` is invalid) to
    // `to` over `milliseconds`. The animation is a child of `owner`, stored in `slot` and
    // cleared from it when it ends, just before `finished` runs; the slot, if any, lives as
    // long as `owner` (a member of it). With no time to run (zero or less, or the switch on)
    // the property is set to `to` and `finished` runs before this returns, the slot left empty.
    static void animate(QPointer<QPropertyAnimation>* slot, QObject* owner, QObject* target,
                        const QByteArray& property, const QVariant& from, const QVariant& to,
                        int milliseconds, std::function<void()> finished = {});

    // Stops the animation in `slot`, if any, without its `finished` action; with `toEnd` the
    // property is first set to the animation's end value. The slot is left empty.
    static void stop(QPointer<QPropertyAnimation>& slot, bool toEnd = false);

    // Runs `action` once `milliseconds` have passed (a precise timer), unless `context` has
    // been destroyed by then.
    static void after(int milliseconds, const QObject* context, std::function<void()> action);

    // Under the switch, runs now, in their order, the delays that are waiting and those they add
    // (at most `limit`, against a delay that renews itself for ever); answers whether none is
    // left. Tests call it to let a screen's timed steps play out without spinning the loop.
    static bool runPendingDelays(int limit = 1000);
};
