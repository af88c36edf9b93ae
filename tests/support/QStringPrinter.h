#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <ostream>

// Lets GoogleTest print QStrings readably: a null string apart from "", control characters
// and lone surrogates as \uXXXX, everything else as UTF-8.
inline void PrintTo(const QString& text, std::ostream* os) {
    if (text.isNull()) {
        *os << "(null QString)";
        return;
    }
    *os << '"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            *os << text.mid(i, 2).toStdString();
            ++i;
        } else if (c.isPrint() && !c.isSurrogate()) {
            *os << QString(c).toStdString();
        } else {
            *os << "\\u" << std::hex << int(c.unicode()) << std::dec;
        }
    }
    *os << '"';
}

// Equal texts that are both null or both not: QString's own == takes nothing for "".
inline testing::AssertionResult sameTextFormat(const char* actualExpression, const char*,
                                               const QString& actual, const QString& expected) {
    if (actual == expected && actual.isNull() == expected.isNull()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << actualExpression << " is " << testing::PrintToString(actual) << ", expected "
           << testing::PrintToString(expected);
}
#define EXPECT_TEXT(actual, expected) EXPECT_PRED_FORMAT2(sameTextFormat, actual, expected)
