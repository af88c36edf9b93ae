#pragma once

#include <QDateTime>

// The program's one source of the current instant. It follows the system clock unless a test
// pins it to a fixed instant. Any thread may call any member; a pinned instant is an instant,
// not a wall-clock reading, so it is shown in whatever local time zone is current when read.
class Clock {
public:
    // The current instant in local time (Qt::LocalTime).
    static QDateTime now();
    // Freezes now() at the instant; a null or invalid instant unpins instead.
    static void pin(const QDateTime& instant);
    static void unpin();
    static bool isPinned();
};
