#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>
#include <utility>

#include "ReplacementTable.h"

// The system's toolbox for cutting and cleaning text. Every operation tells a null QString
// ("nothing") from an empty one and answers as documented per operation; "" results are always
// non-null. No operation changes its argument. Pure functions: any thread may call them.
class StringFunctions {
public:
    // Presence and values.
    static bool isEmptyOrNilString(const QString& text);
    static bool isNotEmptyOrNilString(const QString& text);
    static QString getStringValue(const QString& text);
    static bool getBoolValueFromString(const QString& text);
    // The value's "%@" description, or "" for a null key, a missing, invalid or null value.
    static QString getStringValueFromDictionary(const QVariantMap& dictionary, const QString& key);
    static bool contains(const QString& needle, const QString& text);
    static int indexOf(const QString& needle, const QString& text);
    // Non-overlapping occurrences: "aa" occurs once in "aaa".
    static int numberOfOccurancesOf(const QString& needle, const QString& text);
    // Nothing (std::nullopt) for a null or empty text. Like the filters below, each UTF-16 unit
    // keeps only its low eight bits (a one-character "%c"): U+0141 becomes "A", U+00E9 stays.
    static std::optional<QStringList> getArrayOfCharactersFromString(const QString& text);

    // Cutting.
    static QString fLeftOf(const QString& delimiter, const QString& text);
    static QString fRightOf(const QString& delimiter, const QString& text);
    static QString fBetween(const QString& text, const QString& leftDelim,
                            const QString& rightDelim);
    // Where `needle` first occurs in `text` at or after `from`, or -1: QStringView::indexOf's
    // answer, found faster when the needle's first character is rare in the text.
    static qsizetype findText(QStringView text, QStringView needle, qsizetype from = 0);
    // fBetween without copying: a view into `text`, empty where fBetween answers "".
    static QStringView fBetweenView(QStringView text, QStringView leftDelim,
                                    QStringView rightDelim);
    // Characters startPoint..endPoint inclusive, endPoint clamped to the last index.
    static QString getSubstring(const QString& text, int startPoint, int endPoint);

    // Replacing and filtering.
    // A null text comes back null; a null or empty lookFor leaves the text unchanged.
    static QString replace(const QString& text, const QString& lookFor, const QString& replaceWith);
    // Every occurrence, left to right without overlap, compared case-folded as
    // QString::replace(..., Qt::CaseInsensitive) compares. Null text and empty lookFor: as replace.
    static QString replaceIgnoringCase(const QString& text, const QString& lookFor,
                                       const QString& replaceWith);
    // (find, replacement): replaceIgnoringCase with each row in turn, rows with an empty find
    // text skipped. A null text comes back null.
    using ReplacementRow = ReplacementTable::Row;
    static QString replaceEachIgnoringCase(const QString& text, const QList<ReplacementRow>& rows);
    static QString replaceNotInSet(const QString& text, const QString& validCharacters);
    static QString replaceInSet(const QString& text, const QString& invalidCharacters,
                                const QString& withReplacementString);
    static QString replaceInSet(const QString& text, const QString& invalidCharacters);
    static QString replaceNonAlphaNumeric(const QString& text);
    static QString replaceNonNumeric(const QString& text, bool includeDecimal);
    // Groups the integer part by threes ("1234567.5" -> "1,234,567.5"); a leading "+" or "-"
    // stays in front of the groups. Null separator means ",", null decimal mark ".".
    static QString thousandsSeparate(const QString& text, const QString& withSeparator,
                                     const QString& withDecimal);
    static QString thousandsSeparate(const QString& text);

    // Escaping and HTML: HTMLText's cleaners under the same names (see there).
    static QString escapeString(const QString& text);
    static QString unescapeString(const QString& text);
    static QString replaceHTMLTags(const QString& text);
    static QString replaceKnownExtraHTMLEscapedValues(const QString& text);
};
