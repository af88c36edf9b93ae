#include "StringFunctions.h"

#include <QStringDecoder>
#include <algorithm>

#include "Format.h"

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

bool isHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u <= u'9') {
        return u - u'0';
    }
    return (u | 0x20) - u'a' + 10;
}

// Characters that stand for themselves in a URL; everything else, including every byte of a
// non-ASCII character, is escaped.
bool isLeftUnescaped(char16_t u) {
    if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')) {
        return true;
    }
    return QStringView(u"&=?/:;+,$@!'()*~-_.#").contains(QChar(u));
}

void appendUtf8(QByteArray& out, char32_t cp) {
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

// Strict UTF-8 percent decoding: nothing (a null string) when a "%" is not followed by two hex
// digits or a run of escapes is not complete, valid UTF-8. Text between escapes is copied as it
// is, so unpaired surrogates in it survive.
QString replacePercentEscapes(const QString& text) {
    QString out;
    out.reserve(text.size());
    QByteArray run;
    const QStringView view(text);
    const qsizetype n = view.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype escape = view.indexOf(u'%', i);
        if (escape != i) {
            out.append(view.mid(i, escape < 0 ? n - i : escape - i));
            if (escape < 0) {
                break;
            }
            i = escape;
        }
        run.clear();
        bool ascii = true;
        while (i < n && view[i] == u'%') {
            if (i + 2 >= n || !isHexDigit(view[i + 1]) || !isHexDigit(view[i + 2])) {
                return QString();
            }
            const char byte = char(hexValue(view[i + 1]) * 16 + hexValue(view[i + 2]));
            ascii = ascii && uchar(byte) < 0x80;
            run.append(byte);
            i += 3;
        }
        // Single ASCII bytes are complete UTF-8 on their own (the usual "%20").
        if (ascii) {
            out.append(QLatin1StringView(run));
            continue;
        }
        // A decoded byte-order mark is text like any other, so it is kept.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                         QStringDecoder::Flag::ConvertInitialBom);
        const QString decoded = decoder.decode(run);
        if (decoder.hasError()) {
            return QString();
        }
        out.append(decoded);
    }
    return orEmpty(out);
}

// One UTF-16 unit of the text against one ASCII unit of a find text, compared the way Qt's
// case-insensitive search compares them: both case-folded.
char16_t folded(char16_t unit) {
    const char16_t f = unit < 0x80 ? unit : QChar::toCaseFolded(unit);
    return f >= u'A' && f <= u'Z' ? char16_t(f | 0x20) : f;
}

bool foldedEqual(char16_t unit, char16_t ascii) {
    return folded(unit) == folded(ascii);
}

// Whether `find` occurs in `text` at `at`. Case-insensitive comparison needs an ASCII find
// text (see hasFastSearch).
bool matchesAt(QStringView text, qsizetype at, QStringView find, Qt::CaseSensitivity cs) {
    if (at < 0 || at + find.size() > text.size()) {
        return false;
    }
    if (cs == Qt::CaseSensitive) {
        return text.mid(at, find.size()) == find;
    }
    for (qsizetype i = 0; i < find.size(); ++i) {
        if (!foldedEqual(text[at + i].unicode(), find[i].unicode())) {
            return false;
        }
    }
    return true;
}

// Whether every occurrence starts with find's first character exactly, so a vectorised
// search for that character finds every candidate: always when case matters; ignoring case,
// for ASCII find texts led by a character without case ("%", "&", "<").
bool hasFastSearch(QStringView find, Qt::CaseSensitivity cs) {
    if (find.isEmpty()) {
        return false;
    }
    if (cs == Qt::CaseSensitive) {
        return true;
    }
    return std::all_of(find.cbegin(), find.cend(), [](QChar c) { return c.unicode() < 0x80; }) &&
           !find.front().isLetter();
}

// text.replace("  ", " ") in one scan: blanks are too common for a search from blank to blank.
void collapseDoubleBlanks(QString& text) {
    const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype at = 0;
    while (at + 1 < n && !(in[at] == u' ' && in[at + 1] == u' ')) {
        ++at;
    }
    if (at + 1 >= n) {
        return;
    }
    QString out(n, Qt::Uninitialized);
    char16_t* write = reinterpret_cast<char16_t*>(out.data());
    std::copy(in, in + at, write);
    write += at;
    while (at < n) {
        if (at + 1 < n && in[at] == u' ' && in[at + 1] == u' ') {
            *write++ = u' ';
            at += 2;
        } else {
            *write++ = in[at++];
        }
    }
    out.truncate(write - reinterpret_cast<const char16_t*>(out.constData()));
    text = out;
}

// Replaces, left to right and without overlap, what `match` finds at each place of `lead`:
// match(view, at) answers the (find, replacement) row that occurs there, or nothing. A text
// where nothing matches is left alone without allocating.
template <typename Match>
void replaceAtLeads(QString& text, QChar lead, const Match& match) {
    const QStringView view(text);
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = view.indexOf(lead); at >= 0; at = view.indexOf(lead, at)) {
        const StringFunctions::ReplacementRow* row = match(view, at);
        if (!row) {
            ++at;
            continue;
        }
        if (out.isNull()) {
            out.reserve(view.size());
        }
        out.append(view.mid(copied, at - copied)).append(row->second);
        at += row->first.size();
        copied = at;
    }
    if (out.isNull()) {
        return;
    }
    out.append(view.mid(copied));
    text = out;
}

// The same as QString::replace(find, replacement, cs), which every field of a catalogue passes
// through a dozen times.
void replaceAll(QString& text, const QString& find, const QString& replacement,
                Qt::CaseSensitivity cs) {
    if (!hasFastSearch(find, cs)) {
        text.replace(find, replacement, cs);
        return;
    }
    const StringFunctions::ReplacementRow row{find, replacement};
    replaceAtLeads(text, find.front(), [&](QStringView view, qsizetype at) {
        return matchesAt(view, at, find, cs) ? &row : nullptr;
    });
}

void replaceAllIgnoringCase(QString& text, const QString& find, const QString& replacement) {
    replaceAll(text, find, replacement, Qt::CaseInsensitive);
}

// Whether row `index`'s replacement holds a character of a later row's find text, and so can
// make an occurrence of that row that was not in the text before.
bool makesLaterRows(const QList<StringFunctions::ReplacementRow>& rows, qsizetype index) {
    for (const QChar made : rows[index].second) {
        for (qsizetype later = index + 1; later < rows.size(); ++later) {
            for (const QChar c : rows[later].first) {
                if (folded(made.unicode()) == folded(c.unicode())) {
                    return true;
                }
            }
        }
    }
    return false;
}

// Rows to replace ignoring case, each in turn, in as few passes as the rows allow. When all
// find texts share a lead character that occurs nowhere else in them, occurrences of different
// rows never overlap, so consecutive rows can be replaced in one pass (the earlier row winning
// where two match at one place); a new pass starts only after a row whose replacement can make
// occurrences of later rows ("&amp;" makes "&quot;" out of "&amp;quot;"). Build once, apply
// often.
class ReplacementTable {
public:
    explicit ReplacementTable(const QList<StringFunctions::ReplacementRow>& rows) {
        for (const StringFunctions::ReplacementRow& row : rows) {
            if (!row.first.isEmpty()) {
                rows_.append(row);
            }
        }
        const auto onePassable = [&](const StringFunctions::ReplacementRow& row) {
            return hasFastSearch(row.first, Qt::CaseInsensitive) &&
                   row.first.front() == rows_.front().first.front() &&
                   row.first.indexOf(row.first.front(), 1) < 0;
        };
        onePass_ = !rows_.isEmpty() && std::all_of(rows_.cbegin(), rows_.cend(), onePassable);
        for (qsizetype row = 0; onePass_ && row < rows_.size(); ++row) {
            if (row + 1 == rows_.size() || makesLaterRows(rows_, row)) {
                passEnds_.append(row);
            }
        }
    }

    void apply(QString& text) const {
        if (!onePass_) {
            for (const StringFunctions::ReplacementRow& row : rows_) {
                replaceAllIgnoringCase(text, row.first, row.second);
            }
            return;
        }
        const QChar lead = rows_.front().first.front();
        qsizetype first = 0;
        for (const qsizetype last : passEnds_) {
            replaceAtLeads(text, lead, [&](QStringView view, qsizetype at) {
                for (qsizetype row = first; row <= last; ++row) {
                    if (matchesAt(view, at, rows_[row].first, Qt::CaseInsensitive)) {
                        return &rows_[row];
                    }
                }
                return static_cast<const StringFunctions::ReplacementRow*>(nullptr);
            });
            first = last + 1;
        }
    }

private:
    QList<StringFunctions::ReplacementRow> rows_;
    bool onePass_ = false;
    QList<qsizetype> passEnds_;  // the last row of each pass
};

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
    replaceAll(result, lookFor, replaceWith, Qt::CaseSensitive);
    return orEmpty(result);
}

QString StringFunctions::replaceIgnoringCase(const QString& text, const QString& lookFor,
                                             const QString& replaceWith) {
    if (text.isNull() || lookFor.isEmpty()) {
        return text;
    }
    QString result = text;
    replaceAllIgnoringCase(result, lookFor, replaceWith);
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
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString result = u""_s;
    result.reserve(text.size());
    QByteArray bytes;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80 && isLeftUnescaped(u)) {
            result.append(QChar(u));
            continue;
        }
        char32_t cp = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(u, text[++i].unicode());
        } else if (QChar::isSurrogate(u)) {
            // An unpaired surrogate has no UTF-8 form; it is written as U+FFFD.
            cp = QChar::ReplacementCharacter;
        }
        bytes.clear();
        appendUtf8(bytes, cp);
        for (const char byte : bytes) {
            const auto b = static_cast<unsigned char>(byte);
            result.append(u'%');
            result.append(QLatin1Char(kHex[b >> 4]));
            result.append(QLatin1Char(kHex[b & 0x0F]));
        }
    }
    return result;
}

QString StringFunctions::unescapeString(const QString& text) {
    if (text.isEmpty()) {
        return u""_s;
    }
    // Every catalogue field passes through here; most hold neither '%' nor '&', and those need
    // no scan at all.
    const bool hasPercent = text.contains(u'%');
    QString result = text;
    if (hasPercent) {
        const QString decoded = replacePercentEscapes(text);
        if (!decoded.isNull()) {
            result = decoded;
        }
        static const ReplacementTable kBracketEscapes({{u"%3C"_s, u"<"_s}, {u"%3E"_s, u">"_s}});
        kBracketEscapes.apply(result);
    }
    if (result.contains(u'&')) {
        static const ReplacementTable kBracketEntities(
            {{u"&#60;"_s, u"<"_s}, {u"&#62;"_s, u">"_s}});
        kBracketEntities.apply(result);
    }
    return orEmpty(result);
}

QString StringFunctions::replaceHTMLTags(const QString& text) {
    if (text.isNull()) {
        return u""_s;
    }
    if (!text.contains(u'<')) {
        return text;
    }

    // A scanner over the original text that skips blanks and line breaks before each scan.
    // `tag` keeps its last value when a scan finds nothing, so that tag is replaced once more.
    QString working = text;
    QString tag;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    const auto skipBlanks = [&] {
        while (pos < n && text[pos].isSpace()) {
            ++pos;
        }
    };
    for (;;) {
        skipBlanks();
        if (pos >= n) {
            break;
        }
        const qsizetype open = text.indexOf(u'<', pos);
        pos = open < 0 ? n : open;

        skipBlanks();
        if (pos < n && text[pos] != u'>') {
            const qsizetype close = text.indexOf(u'>', pos);
            const qsizetype end = close < 0 ? n : close;
            tag = text.mid(pos, end - pos);
            pos = end;
        }
        if (!tag.isNull()) {
            replaceAll(working, tag + u'>', u" "_s, Qt::CaseSensitive);
        }
    }
    collapseDoubleBlanks(working);
    return orEmpty(working);
}

QString StringFunctions::replaceKnownExtraHTMLEscapedValues(const QString& text) {
    if (text.isNull()) {
        return u""_s;
    }
    static const ReplacementTable kPercentEscapes({
        {u"%3F"_s, u"?"_s},
        {u"%3D"_s, u"="_s},
        {u"%26"_s, u"&"_s},
        {u"%27"_s, u"'"_s},
        {u"%AE"_s, u"\u00AE"_s},
        {u"%A9"_s, u"\u00A9"_s},
        {u"%2122"_s, u"\u2122"_s},
        {u"%20AC"_s, u"\u20AC"_s},
    });
    static const ReplacementTable kNumericEntities({
        {u"&#63;"_s, u"?"_s},
        {u"&#61;"_s, u"="_s},
        {u"&#38;"_s, u"&"_s},
        {u"&#39;"_s, u"'"_s},
        {u"&#174;"_s, u"\u00AE"_s},
        {u"&#169;"_s, u"\u00A9"_s},
        {u"&#8482;"_s, u"\u2122"_s},
        {u"&#8364;"_s, u"\u20AC"_s},
    });
    static const ReplacementTable kNamedEntities({
        {u"&gt;"_s, u">"_s},
        {u"&lt;"_s, u"<"_s},
        {u"&amp;"_s, u"&"_s},
        {u"&quot;"_s, u"\""_s},
        {u"&nbsp;"_s, u" "_s},
        {u"&copy;"_s, u"\u00A9"_s},
        {u"&reg;"_s, u"\u00AE"_s},
        {u"&euro;"_s, u"\u20AC"_s},
    });

    QString result = unescapeString(text);
    // The triggers look at the text as passed in, not at its unescaped form.
    if (text.contains(u'%')) {
        kPercentEscapes.apply(result);
    }
    if (findText(text, u"&#") >= 0) {
        kNumericEntities.apply(result);
    }
    if (text.contains(u'&')) {
        kNamedEntities.apply(result);
    }
    return orEmpty(result);
}
