#pragma once

#include <QString>

#include "Format.h"

// The process console. `log` writes one entry to standard error with a date, time and process
// prefix, as one write so entries from different threads never mix; `puts` writes a bare line
// to standard output. Any thread may call these.
class Console {
public:
    template <class... Args>
    static void log(const QString& format, const Args&... args) {
        write(Format::format(format, args...));
    }
    static void write(const QString& entry);
    static void puts(const QString& line);
};
