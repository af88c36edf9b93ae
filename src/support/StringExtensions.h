#pragma once

#include <QString>

#include "StringFunctions.h"

// The string operations as calls on a receiver: the text worked on comes first. Each forwards
// to StringFunctions, so both spellings always agree.

inline QString unescaped(const QString& text) {
    return StringFunctions::unescapeString(text);
}

inline QString escaped(const QString& text) {
    return StringFunctions::escapeString(text);
}

inline QString stringBetween(const QString& text, const QString& left, const QString& right) {
    return StringFunctions::fBetween(text, left, right);
}

inline QString stringRightOf(const QString& text, const QString& delimiter) {
    return StringFunctions::fRightOf(delimiter, text);
}

inline QString stringLeftOf(const QString& text, const QString& delimiter) {
    return StringFunctions::fLeftOf(delimiter, text);
}

inline QString stringByReplacing(const QString& text, const QString& find,
                                 const QString& replacement) {
    return StringFunctions::replace(text, find, replacement);
}

inline QString stringByReplacingHTML(const QString& text) {
    return StringFunctions::replaceHTMLTags(text);
}

// False for a null text as well as for "".
inline bool isNotEmptyOrNilString(const QString& text) {
    return StringFunctions::isNotEmptyOrNilString(text);
}

inline bool contains(const QString& text, const QString& needle) {
    return StringFunctions::contains(needle, text);
}
