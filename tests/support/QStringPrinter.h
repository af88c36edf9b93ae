#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest print QStrings readably, and tell a null string from an empty one.
inline void PrintTo(const QString& text, std::ostream* os) {
    if (text.isNull()) {
        *os << "(null QString)";
    } else {
        *os << '"' << text.toStdString() << '"';
    }
}
