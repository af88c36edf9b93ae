#include "HTMLText.h"

#include <QStringDecoder>
#include <algorithm>

#include "ReplacementTable.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A non-null "" for every result that must be the empty string rather than nothing.
QString orEmpty(const QString& text) {
    return text.isNull() ? u""_s : text;
}

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

}  // namespace

QString HTMLText::escapeString(const QString& text) {
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

QString HTMLText::unescapeString(const QString& text) {
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

QString HTMLText::replaceHTMLTags(const QString& text) {
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
            ReplacementTable::replaceAll(working, tag + u'>', u" "_s, Qt::CaseSensitive);
        }
    }
    collapseDoubleBlanks(working);
    return orEmpty(working);
}

QString HTMLText::replaceKnownExtraHTMLEscapedValues(const QString& text) {
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

    // The triggers look at the text as passed in, not at its unescaped form.
    const bool hasPercent = text.contains(u'%');
    const bool hasAmpersand = text.contains(u'&');
    const bool hasNumericEntity = hasAmpersand && QStringView(text).contains(u"&#");
    QString result = unescapeString(text);
    if (hasPercent) {
        kPercentEscapes.apply(result);
    }
    if (hasNumericEntity) {
        kNumericEntities.apply(result);
    }
    if (hasAmpersand) {
        kNamedEntities.apply(result);
    }
    return orEmpty(result);
}

QString HTMLText::cleaned(const QString& text) {
    return replaceKnownExtraHTMLEscapedValues(replaceHTMLTags(unescapeString(text)));
}
