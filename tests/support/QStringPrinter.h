#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <ostream>

// Lets GoogleTest print QStrings readably: a null string apart from "", others as UTF-8.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << (text.isNull() ? "(null QString)" : '"' + text.toStdString() + '"');
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
