// The text cleaners and the string functions on any text, lone surrogates included (an odd
// first byte reads the rest as UTF-16). The input is "<text>\n<needle>". Cleaning must answer
// text, escaping must round-trip, and the hand-written searches must agree with Qt's.
#include <QStringView>
#include <algorithm>
#include <cstdlib>

#include "HTMLText.h"
#include "StringFunctions.h"

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    const char* bytes = reinterpret_cast<const char*>(data) + 1;
    const QString input =
        data[0] & 1 ? QString(reinterpret_cast<const QChar*>(bytes), qsizetype(size - 1) / 2)
                    : QString::fromUtf8(bytes, qsizetype(size - 1));
    const qsizetype split = input.indexOf(u'\n');
    const QString text = split < 0 ? input : input.left(split);
    const QString needle = split < 0 ? QString() : input.mid(split + 1);

    const QString unescaped = HTMLText::unescapeString(text);
    const QString untagged = HTMLText::replaceHTMLTags(unescaped);
    check(untagged.size() <= unescaped.size());
    check(!HTMLText::replaceKnownExtraHTMLEscapedValues(untagged).isNull());
    check(!HTMLText::cleaned(text).isNull());
    // Bracket escapes become brackets on purpose; a lone surrogate has no UTF-8 form.
    const bool spellsBracket = text.contains(QStringLiteral("%3C"), Qt::CaseInsensitive) ||
                               text.contains(QStringLiteral("%3E"), Qt::CaseInsensitive) ||
                               text.contains(QStringLiteral("&#60;")) ||
                               text.contains(QStringLiteral("&#62;"));
    if (!spellsBracket &&
        std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); })) {
        check(HTMLText::unescapeString(HTMLText::escapeString(text)) == text);
    }

    if (!needle.isEmpty()) {
        const QString with = needle.left(3);
        check(StringFunctions::replace(text, needle, with) ==
              QString(text).replace(needle, with, Qt::CaseSensitive));
        check(StringFunctions::replaceIgnoringCase(text, needle, with) ==
              QString(text).replace(needle, with, Qt::CaseInsensitive));
        check(StringFunctions::replaceEachIgnoringCase(text, {{needle, with}, {with, needle}}) ==
              QString(text)
                  .replace(needle, with, Qt::CaseInsensitive)
                  .replace(with, needle, Qt::CaseInsensitive));
    }
    for (qsizetype from : {qsizetype(0), text.size() / 2, text.size() + 1}) {
        check(StringFunctions::findText(text, needle, from) ==
              QStringView(text).indexOf(needle, from));
    }
    const QString between = StringFunctions::fBetween(text, needle.left(1), needle.mid(1, 1));
    check(StringFunctions::fBetweenView(text, needle.left(1), needle.mid(1, 1)) == between);
    check(between.size() <= text.size());
    check(StringFunctions::numberOfOccurancesOf(needle, text) <= text.size());

    const QString separated = StringFunctions::thousandsSeparate(text);
    check(separated.size() <= text.size() + text.size() / 3 + 1);
    StringFunctions::replaceNonNumeric(text, true);
    StringFunctions::getArrayOfCharactersFromString(text);
    return 0;
}
