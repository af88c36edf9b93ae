#include "StringFunctions.h"

#include <gtest/gtest.h>

#include "QStringPrinter.h"
#include "StringExtensions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using SF = StringFunctions;
const QString kNull;
const QString kEmoji = u"\U0001F600"_s;  // one character, two UTF-16 units

// Only what the program calls is tested here; the replacing and finding loops are checked
// against Qt in TextFuzzTest.
TEST(StringFunctions, SearchesCountUtf16UnitsAndMissingOperandsFindNothing) {
    for (const auto& [needle, text] :
         {std::pair{kNull, u"abc"_s}, std::pair{u""_s, u"abc"_s}, std::pair{u"a"_s, kNull}}) {
        EXPECT_FALSE(SF::contains(needle, text));
        EXPECT_EQ(SF::indexOf(needle, text), -1);
    }
    EXPECT_EQ(SF::indexOf(u"b"_s, u"a"_s + kEmoji + u"b"_s), 3);
    EXPECT_FALSE(isNotEmptyOrNilString(u""_s));
    // Each UTF-16 unit keeps its low eight bits: U+0141 -> 'A'.
    EXPECT_TEXT(SF::replaceNonAlphaNumeric(u"\u0141\u00F3d\u017A:8/a_b.jpg?x=1 2"_s),
                u"Adz8abjpgx12"_s);
    EXPECT_TEXT(SF::replace(u"Aa"_s, u"a"_s, kNull), u"A"_s);
    EXPECT_TEXT(SF::replace(kNull, u"a"_s, u"b"_s), kNull);
    EXPECT_TEXT(stringByReplacing(u"abc"_s, u""_s, u"x"_s), u"abc"_s);
}

TEST(StringFunctions, CuttingAnswersEmptyTextNeverNothing) {
    EXPECT_TEXT(SF::fLeftOf(u"-"_s, u"2009"_s), u"2009"_s);
    EXPECT_TEXT(SF::fRightOf(u"-"_s, u"2009"_s), u""_s);
    EXPECT_TEXT(SF::fRightOf(u"-"_s, u"2009-03-05"_s), u"03-05"_s);
    EXPECT_TEXT(SF::fBetween(u"</a><a>x</a><a>y</a>"_s, u"<a>"_s, u"</a>"_s), u"x"_s);
    EXPECT_TEXT(stringBetween(u"id=42&x"_s, u"id="_s, u"&"_s), u"42"_s);
    const QString text = u"]<a>one</a>"_s;
    const QStringView between = SF::fBetweenView(text, u"<a>", u"</a>");
    EXPECT_EQ(between.data(), text.constData() + 4);  // nothing copied
    EXPECT_EQ(between, u"one");
}

}  // namespace
