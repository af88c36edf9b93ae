// The text cleaners and the string functions on any text, lone surrogates included (an odd
// first byte reads the rest as UTF-16). The input is "<text>\n<needle>". Cleaning must answer
// text, escaping must round-trip, and the hand-written searches must agree with Qt's.
#include <QStringView>
#include <algorithm>
#include <cstring>

#include "FuzzTarget.h"
#include "HTMLText.h"
#include "StringFunctions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    QString input = QString::fromUtf8(bytes, qsizetype(size - 1));
    if (data[0] & 1) {
        input = QString(qsizetype(size - 1) / 2, Qt::Uninitialized);
        std::memcpy(input.data(), bytes, size_t(input.size()) * sizeof(QChar));
    }
    const qsizetype split = input.indexOf(u'\n');
    const QString text = split < 0 ? input : input.left(split);
    const QString needle = split < 0 ? QString() : input.mid(split + 1);

    const QString unescaped = HTMLText::unescapeString(text);
    const QString untagged = HTMLText::replaceHTMLTags(unescaped);
    FUZZ_CHECK(untagged.size() <= unescaped.size());
    FUZZ_CHECK(!HTMLText::replaceKnownExtraHTMLEscapedValues(untagged).isNull());
    FUZZ_CHECK(!HTMLText::cleaned(text).isNull());
    // Bracket escapes become brackets on purpose; a lone surrogate has no UTF-8 form.
    const bool spellsBracket = text.contains(QStringLiteral("%3C"), Qt::CaseInsensitive) ||
                               text.contains(QStringLiteral("%3E"), Qt::CaseInsensitive) ||
                               text.contains(QStringLiteral("&#60;")) ||
                               text.contains(QStringLiteral("&#62;"));
    if (!spellsBracket &&
        std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) {
        FUZZ_CHECK(HTMLText::unescapeString(HTMLText::escapeString(text)) == text);
    }

    if (!needle.isEmpty()) {
        const QString with = needle.left(3);
        FUZZ_CHECK(StringFunctions::replace(text, needle, with) ==
                   QString(text).replace(needle, with, Qt::CaseSensitive));
        FUZZ_CHECK(StringFunctions::replaceIgnoringCase(text, needle, with) ==
                   QString(text).replace(needle, with, Qt::CaseInsensitive));
        FUZZ_CHECK(
            StringFunctions::replaceEachIgnoringCase(text, {{needle, with}, {with, needle}}) ==
            QString(text)
                .replace(needle, with, Qt::CaseInsensitive)
                .replace(with, needle, Qt::CaseInsensitive));
    }
    for (qsizetype from : {qsizetype(0), text.size() / 2, text.size() + 1}) {
        FUZZ_CHECK(StringFunctions::findText(text, needle, from) ==
                   QStringView(text).indexOf(needle, from));
    }
    const QString between = StringFunctions::fBetween(text, needle.left(1), needle.mid(1, 1));
    FUZZ_CHECK(StringFunctions::fBetweenView(text, needle.left(1), needle.mid(1, 1)) == between);
    FUZZ_CHECK(between.size() <= text.size());
    FUZZ_CHECK(StringFunctions::numberOfOccurancesOf(needle, text) <= text.size());

    const QString separated = StringFunctions::thousandsSeparate(text);
    FUZZ_CHECK(separated.size() <= text.size() + text.size() / 3 + 1);
    StringFunctions::replaceNonNumeric(text, true);
    StringFunctions::getArrayOfCharactersFromString(text);
    return 0;
}
