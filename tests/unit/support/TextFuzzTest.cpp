#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

#include "Format.h"
#include "StringFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Random text drawn mostly from the characters the cleaners and the formatter react to.
QString noise(QRandomGenerator& random, const QString& alphabet, int maxLength) {
    QString text;
    for (int i = random.bounded(maxLength); i > 0; --i) {
        text += alphabet[random.bounded(int(alphabet.size()))];
    }
    return text;
}

}  // namespace

// Catalogue fields and fetched documents arrive from outside: cleaning must never crash or
// hand back nothing, whatever escapes, tags and entities come in.
TEST(TextFuzz, CleaningAnyTextAnswersText) {
    const QString alphabet =
        u"%<>&#;/ 0123456789abcdefABCDEFxX\n\t\"'amplgtquotnbsp\u00e9\U0001F600\xd800"_s;
    QRandomGenerator random(42);
    for (int round = 0; round < 5000; ++round) {
        const QString text = noise(random, alphabet, 40);
        const QString unescaped = StringFunctions::unescapeString(text);
        const QString untagged = StringFunctions::replaceHTMLTags(unescaped);
        const QString cleaned = StringFunctions::replaceKnownExtraHTMLEscapedValues(untagged);
        ASSERT_FALSE(unescaped.isNull()) << text.toStdString();
        ASSERT_FALSE(untagged.isNull()) << text.toStdString();
        ASSERT_FALSE(cleaned.isNull()) << text.toStdString();
        // Tag removal only ever shortens or keeps the text (each tag becomes one blank).
        ASSERT_LE(untagged.size(), unescaped.size()) << text.toStdString();
        // Escaping then unescaping gives the text back, unless it spells one of the bracket
        // escapes that unescaping turns into "<" or ">" on purpose, or holds a lone surrogate.
        const bool spellsBracket = text.contains(u"%3C"_s, Qt::CaseInsensitive) ||
                                   text.contains(u"%3E"_s, Qt::CaseInsensitive) ||
                                   text.contains(u"&#60;"_s) || text.contains(u"&#62;"_s);
        const bool loneSurrogate =
            std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
        if (!spellsBracket && !loneSurrogate) {
            ASSERT_EQ(StringFunctions::unescapeString(StringFunctions::escapeString(text)), text)
                << text.toStdString();
        }
    }
}

TEST(TextFuzz, AnyPatternFormatsWithoutReadingPastItsArguments) {
    const QString alphabet = u"%%%dDiuxXfFeEgGcCsS@p*.-+ #0123456789lhqzjtL abc"_s;
    QRandomGenerator random(7);
    for (int round = 0; round < 5000; ++round) {
        const QString pattern = noise(random, alphabet, 24);
        // Any number of arguments of any kind; extra directives print nothing.
        const QString out = Format::format(pattern, 1, -2.5, u"text"_s, 'c');
        ASSERT_FALSE(out.isNull()) << pattern.toStdString();
        ASSERT_LE(out.size(), 4 * 4096 + pattern.size() * 64) << pattern.toStdString();
        Format::format(pattern);
    }
}

// The cleaners search with our own loops instead of Qt's matchers; they must answer exactly
// what Qt answers, case folding of non-ASCII letters included (U+017F folds to "s", U+212A to
// "k").
TEST(TextFuzz, OwnSearchesAgreeWithQts) {
    const QString alphabet = u"%&<>#;aAsSkKlLtTpP3cC \u017f\u212a\u0130\u00e9\xd800"_s;
    const QStringList finds{u"&amp;"_s,  u"&#60;"_s, u"%3C"_s, u"&nbsp;"_s, u"  "_s,
                            u"<p>"_s,    u"aS"_s,    u"k"_s,   u"&"_s,      u"\u00e9&"_s,
                            u"%3c%3C"_s, u"ss"_s,    u"&s"_s,  u"%K"_s};
    QRandomGenerator random(11);
    for (int round = 0; round < 5000; ++round) {
        const QString text = noise(random, alphabet, 40);
        const QString find =
            round % 3 == 0 ? noise(random, alphabet, 4) : finds[random.bounded(int(finds.size()))];
        const QString replacement = noise(random, alphabet, 3);
        const std::string context = text.toStdString() + " / " + find.toStdString();
        if (!find.isEmpty()) {
            ASSERT_EQ(StringFunctions::replaceIgnoringCase(text, find, replacement),
                      QString(text).replace(find, replacement, Qt::CaseInsensitive))
                << context;
            ASSERT_EQ(StringFunctions::replace(text, find, replacement),
                      QString(text).replace(find, replacement, Qt::CaseSensitive))
                << context;
        }
        const qsizetype from = random.bounded(int(text.size()) + 2);
        ASSERT_EQ(StringFunctions::findText(text, find, from),
                  QStringView(text).indexOf(find, from))
            << context;
    }
}

// Replacing a table of rows in as few passes as the rows allow answers what replacing each
// row in turn with Qt answers, also where a replacement makes a later row's text, rows share
// no lead character, or a find text holds its lead twice.
TEST(TextFuzz, TablesOfRowsAgreeWithRowAfterRow) {
    const QString alphabet = u"&%#;aAmMpPqQ1 \u017f"_s;
    const QStringList leads{u"&"_s, u"&"_s, u"&"_s, u"%"_s};
    QRandomGenerator random(13);
    for (int round = 0; round < 3000; ++round) {
        QList<StringFunctions::ReplacementRow> rows;
        for (int i = random.bounded(1, 6); i > 0; --i) {
            QString find = leads[random.bounded(int(leads.size()))] + noise(random, alphabet, 4);
            if (random.bounded(8) == 0) {
                find.clear();  // skipped
            }
            rows.append({find, noise(random, alphabet, 3)});
        }
        const QString text = noise(random, alphabet, 30);
        QString expected = text;
        for (const StringFunctions::ReplacementRow& row : rows) {
            if (!row.first.isEmpty()) {
                expected.replace(row.first, row.second, Qt::CaseInsensitive);
            }
        }
        QString context = text + u" |"_s;
        for (const StringFunctions::ReplacementRow& row : rows) {
            context += u" "_s + row.first + u"->"_s + row.second;
        }
        ASSERT_EQ(StringFunctions::replaceEachIgnoringCase(text, rows), expected)
            << context.toStdString();
    }
    EXPECT_TRUE(StringFunctions::replaceEachIgnoringCase(QString(), {{u"&"_s, u"x"_s}}).isNull());
}
