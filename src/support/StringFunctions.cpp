#include "StringFunctions.h"

#include <algorithm>

#include "Format.h"
#include "HTMLText.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A non-null "" for every result that must be the empty string rather than nothing.
QString orEmpty(const QString& text) {
    return text.isNull() ? u""_s : text;
}

// A character reduced the way a one-character "%c" format reduces it: only the low eight bits
// survive. Values above 127 become the Latin-1 character of that value, so every unit still
// yields exactly one character.
QChar lowEightBits(QChar c) {
    return QChar(char16_t(c.unicode() & 0xFF));
}

const QString kAlphaNumeric = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"_s;

}  // namespace

QString StringFunctions::fLeftOf(const QString& delimiter, const QString& text) {
    if (delimiter.isEmpty() || text.isEmpty()) {
        return u""_s;
    }
    const qsizetype at = text.indexOf(delimiter);
    return at < 0 ? text : text.left(at);
}

QString StringFunctions::fRightOf(const QString& delimiter, const QString& text) {
    if (delimiter.isEmpty() || text.isEmpty()) {
        return u""_s;
    }
    const qsizetype at = text.indexOf(delimiter);
    return at < 0 ? u""_s : text.mid(at + delimiter.size());
}

QString StringFunctions::fBetween(const QString& text, const QString& leftDelim,
                                  const QString& rightDelim) {
    const QStringView between = fBetweenView(text, leftDelim, rightDelim);
    return between.isEmpty() ? u""_s : between.toString();
}

qsizetype StringFunctions::findText(QStringView text, QStringView needle, qsizetype from) {
    if (needle.isEmpty()) {
        return text.indexOf(needle, from);
    }
    // A vectorised search for the first character, then one comparison per candidate.
    const qsizetype last = text.size() - needle.size();
    for (qsizetype at = text.indexOf(needle.front(), from); at >= 0 && at <= last;
         at = text.indexOf(needle.front(), at + 1)) {
        if (text.mid(at, needle.size()) == needle) {
            return at;
        }
    }
    return -1;
}

QStringView StringFunctions::fBetweenView(QStringView text, QStringView leftDelim,
                                          QStringView rightDelim) {
    if (text.isEmpty() || leftDelim.isEmpty() || rightDelim.isEmpty()) {
        return {};
    }
    const qsizetype left = findText(text, leftDelim);
    if (left < 0) {
        return {};
    }
    const qsizetype start = left + leftDelim.size();
    const qsizetype right = findText(text, rightDelim, start);
    return right < 0 ? QStringView() : text.mid(start, right - start);
}

bool StringFunctions::isEmptyOrNilString(const QString& text) {
    return text.isEmpty();
}

bool StringFunctions::isNotEmptyOrNilString(const QString& text) {
    return !isEmptyOrNilString(text);
}

QString StringFunctions::getStringValue(const QString& text) {
    return orEmpty(text);
}

bool StringFunctions::getBoolValueFromString(const QString& text) {
    if (text.isNull()) {
        return false;
    }
    const QString upper = text.toUpper();
    return upper == u"TRUE"_s || upper == u"YES"_s || upper == u"1"_s;
}

QString StringFunctions::getStringValueFromDictionary(const QVariantMap& dictionary,
                                                      const QString& key) {
    if (key.isNull()) {
        return u""_s;
    }
    const auto it = dictionary.constFind(key);
    if (it == dictionary.cend() || !it->isValid() || it->isNull()) {
        return u""_s;
    }
    return orEmpty(describe(*it));
}

bool StringFunctions::contains(const QString& needle, const QString& text) {
    if (needle.isEmpty() || text.isEmpty()) {
        return false;
    }
    return text.contains(needle);
}

int StringFunctions::indexOf(const QString& needle, const QString& text) {
    if (needle.isEmpty() || text.isEmpty()) {
        return -1;
    }
    return int(text.indexOf(needle));
}

int StringFunctions::numberOfOccurancesOf(const QString& needle, const QString& text) {
    if (needle.isEmpty() || text.isEmpty()) {
        return 0;
    }
    // QString::count() would also count overlapping matches.
    return int(text.split(needle, Qt::KeepEmptyParts).size() - 1);
}

std::optional<QStringList> StringFunctions::getArrayOfCharactersFromString(const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    QStringList characters;
    characters.reserve(text.size());
    for (const QChar c : text) {
        characters.append(QString(lowEightBits(c)));
    }
    return characters;
}

QString StringFunctions::getSubstring(const QString& text, int startPoint, int endPoint) {
    if (text.isEmpty() || startPoint < 0 || startPoint >= text.size() || endPoint < startPoint) {
        return u""_s;
    }
    const qsizetype last = std::min<qsizetype>(endPoint, text.size() - 1);
    return text.mid(startPoint, last - startPoint + 1);
}

QString StringFunctions::replace(const QString& text, const QString& lookFor,
                                 const QString& replaceWith) {
    // An empty pattern would make QString insert the replacement between every character.
    if (text.isNull() || lookFor.isEmpty()) {
        return text;
    }
    QString result = text;
    ReplacementTable::replaceAll(result, lookFor, replaceWith, Qt::CaseSensitive);
    return orEmpty(result);
}

QString StringFunctions::replaceIgnoringCase(const QString& text, const QString& lookFor,
                                             const QString& replaceWith) {
    if (text.isNull() || lookFor.isEmpty()) {
        return text;
    }
    QString result = text;
    ReplacementTable::replaceAll(result, lookFor, replaceWith, Qt::CaseInsensitive);
    return result;
}

QString StringFunctions::replaceEachIgnoringCase(const QString& text,
                                                 const QList<ReplacementRow>& rows) {
    if (text.isNull()) {
        return text;
    }
    QString result = text;
    ReplacementTable(rows).apply(result);
    return result;
}

QString StringFunctions::replaceNotInSet(const QString& text, const QString& validCharacters) {
    QString result = u""_s;
    for (const QChar c : text) {
        const QChar reduced = lowEightBits(c);
        if (validCharacters.contains(reduced)) {
            result.append(reduced);
        }
    }
    return result;
}

QString StringFunctions::replaceInSet(const QString& text, const QString& invalidCharacters,
                                      const QString& withReplacementString) {
    QString result = u""_s;
    for (const QChar c : text) {
        const QChar reduced = lowEightBits(c);
        if (invalidCharacters.contains(reduced)) {
            result.append(withReplacementString);
        } else {
            result.append(reduced);
        }
    }
    return result;
}

QString StringFunctions::replaceInSet(const QString& text, const QString& invalidCharacters) {
    return replaceInSet(text, invalidCharacters, QString());
}

QString StringFunctions::replaceNonAlphaNumeric(const QString& text) {
    return replaceNotInSet(text, kAlphaNumeric);
}

QString StringFunctions::replaceNonNumeric(const QString& text, bool includeDecimal) {
    return replaceNotInSet(text, includeDecimal ? u"0123456789."_s : u"0123456789"_s);
}

QString StringFunctions::thousandsSeparate(const QString& text, const QString& withSeparator,
                                           const QString& withDecimal) {
    if (text.isNull() || text.size() <= 3) {
        return text;
    }
    const QString separator = withSeparator.isNull() ? u","_s : withSeparator;
    const QString decimal = withDecimal.isNull() ? u"."_s : withDecimal;

    // An empty decimal mark would match at index 0 and leave nothing to group.
    const qsizetype mark = decimal.isEmpty() ? -1 : text.indexOf(decimal);
    const QString integerPart = mark < 0 ? text : text.left(mark);
    const QString tail = mark < 0 ? QString() : text.mid(mark);

    // A leading sign stays in front: grouping it like a digit would give "-,123,456".
    const qsizetype signLength =
        integerPart.startsWith(u'-') || integerPart.startsWith(u'+') ? 1 : 0;
    const QStringView digits = QStringView(integerPart).mid(signLength);
    if (digits.size() <= 3) {
        return text;
    }

    const qsizetype r = digits.size() % 3;
    QString result = digits.left(r).toString();
    for (qsizetype at = r; at < digits.size(); at += 3) {
        if (!result.isEmpty()) {
            result += separator;
        }
        result += digits.mid(at, 3);
    }
    return integerPart.left(signLength) + result + tail;
}

QString StringFunctions::thousandsSeparate(const QString& text) {
    return thousandsSeparate(text, QString(), QString());
}

QString StringFunctions::escapeString(const QString& text) {
    return HTMLText::escapeString(text);
}

QString StringFunctions::unescapeString(const QString& text) {
    return HTMLText::unescapeString(text);
}

QString StringFunctions::replaceHTMLTags(const QString& text) {
    return HTMLText::replaceHTMLTags(text);
}

QString StringFunctions::replaceKnownExtraHTMLEscapedValues(const QString& text) {
    return HTMLText::replaceKnownExtraHTMLEscapedValues(text);
}
