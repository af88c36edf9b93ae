#include "StringFunctions.h"

#include <gtest/gtest.h>

#include "ArrayReverse.h"
#include "QStringPrinter.h"
#include "StringExtensions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using SF = StringFunctions;
const QString kNull;
const QString kEmoji = u"\U0001F600"_s;  // one character, two UTF-16 units

TEST(StringFunctions, PresenceTellsNothingFromEmptyOnlyWhereItShould) {
    EXPECT_FALSE(SF::isNotEmptyOrNilString(u""_s));
    for (const QString& yes : {u"TRUE"_s, u"yEs"_s, u"1"_s}) {
        EXPECT_TRUE(SF::getBoolValueFromString(yes)) << yes.toStdString();
    }
    for (const QString& no : {kNull, u""_s, u"no"_s, u"y"_s, u"11"_s, u" yes"_s}) {
        EXPECT_FALSE(SF::getBoolValueFromString(no)) << no.toStdString();
    }
    const QVariantMap map{{u"title"_s, u"Halo"_s},
                          {u"score"_s, 42},
                          {u"invalid"_s, QVariant()},
                          {u"nullText"_s, QString()},
                          {u""_s, u"blank key"_s}};
    EXPECT_TEXT(SF::getStringValueFromDictionary(map, u"score"_s), u"42"_s);
    EXPECT_TEXT(SF::getStringValueFromDictionary(map, u""_s), u"blank key"_s);  // "" is a key
    for (const QString& key : {u"missing"_s, u"invalid"_s, u"nullText"_s, kNull}) {
        EXPECT_TEXT(SF::getStringValueFromDictionary(map, key), u""_s);
    }
}

TEST(StringFunctions, SearchesCountUtf16UnitsAndNeverOverlap) {
    for (const auto& [needle, text] :
         {std::pair{kNull, u"abc"_s}, std::pair{u""_s, u"abc"_s}, std::pair{u"a"_s, kNull}}) {
        EXPECT_FALSE(SF::contains(needle, text));
        EXPECT_EQ(SF::indexOf(needle, text), -1);
        EXPECT_EQ(SF::numberOfOccurancesOf(needle, text), 0);
    }
    EXPECT_EQ(SF::indexOf(u"b"_s, u"a"_s + kEmoji + u"b"_s), 3);
    EXPECT_EQ(SF::numberOfOccurancesOf(u"aa"_s, u"aaaaa"_s), 2);
}

TEST(StringFunctions, EachUnitKeepsItsLowEightBits) {
    EXPECT_FALSE(SF::getArrayOfCharactersFromString(u""_s).has_value());
    // U+0141 -> 'A', U+00E9 stays, a surrogate pair gives two characters.
    EXPECT_EQ(SF::getArrayOfCharactersFromString(u"\u0141\u00E9"_s + kEmoji),
              (QStringList{u"A"_s, u"\u00E9"_s, u"="_s, QString(QChar(u'\0'))}));
    EXPECT_TEXT(SF::replaceNonAlphaNumeric(u"\u0141\u00F3d\u017A:8/a_b.jpg?x=1 2"_s),
                u"Adz8abjpgx12"_s);
    EXPECT_TEXT(SF::replaceNonNumeric(u"$1,234.56"_s, true), u"1234.56"_s);
    EXPECT_TEXT(SF::replaceNonNumeric(u"$1,234.56"_s, false), u"123456"_s);
    EXPECT_TEXT(SF::replaceInSet(u"a-b_c"_s, u"-_"_s, u"%20"_s), u"a%20b%20c"_s);
    EXPECT_TEXT(SF::replaceInSet(u"--"_s, u"-"_s), u""_s);
}

TEST(StringFunctions, CuttingAnswersEmptyTextNeverNothing) {
    EXPECT_TEXT(SF::fLeftOf(u"-"_s, u"2009"_s), u"2009"_s);
    EXPECT_TEXT(SF::fRightOf(u"-"_s, u"2009"_s), u""_s);
    EXPECT_TEXT(SF::fRightOf(u"-"_s, u"2009-03-05"_s), u"03-05"_s);
    EXPECT_TEXT(SF::fBetween(u"</a><a>x</a><a>y</a>"_s, u"<a>"_s, u"</a>"_s), u"x"_s);
    const QString text = u"]<a>one</a>"_s;
    const QStringView between = SF::fBetweenView(text, u"<a>", u"</a>");
    EXPECT_EQ(between.data(), text.constData() + 4);  // nothing copied
    EXPECT_EQ(between, u"one");
    EXPECT_TEXT(SF::getSubstring(u"abcdef"_s, 2, 99), u"cdef"_s);
    for (const auto& [start, end] : {std::pair{-1, 2}, std::pair{6, 7}, std::pair{3, 2}}) {
        EXPECT_TEXT(SF::getSubstring(u"abcdef"_s, start, end), u""_s) << start << ".." << end;
    }
    // Replacing (checked against Qt in TextFuzzTest) leaves missing operands alone.
    EXPECT_TEXT(SF::replace(u"Aa"_s, u"a"_s, kNull), u"A"_s);
    EXPECT_TEXT(SF::replace(kNull, u"a"_s, u"b"_s), kNull);
    EXPECT_TEXT(stringByReplacing(u"abc"_s, u""_s, u"x"_s), u"abc"_s);
    EXPECT_TEXT(SF::replaceIgnoringCase(kNull, u"a"_s, u"b"_s), kNull);
}

TEST(StringFunctions, ThousandsGroupTheIntegerPartBehindItsSign) {
    for (const QString& in : {u"123|123"_s, u"1234567|1,234,567"_s, u"1234.5678|1,234.5678"_s,
                              u"12345.6.7|12,345.6.7"_s, u".12345|.12345"_s,
                              u"-123456|-123,456"_s, u"+1234|+1,234"_s, u"-123|-123"_s, u"|"_s}) {
        EXPECT_TEXT(SF::thousandsSeparate(in.section(u'|', 0, 0)), in.section(u'|', 1));
    }
    EXPECT_TEXT(SF::thousandsSeparate(kNull), kNull);
    EXPECT_TEXT(SF::thousandsSeparate(u"1234567,89"_s, u"."_s, u","_s), u"1.234.567,89"_s);
    EXPECT_TEXT(SF::thousandsSeparate(u"1234567"_s, u","_s, u""_s), u"1,234,567"_s);
}

TEST(StringFunctions, ReversingLeavesSharedCopiesAlone) {
    for (QList<int> items : {QList<int>{1, 2, 3, 4}, QList<int>{1, 2, 3}, QList<int>{}}) {
        const QList<int> shared = items;
        reverse(items);
        EXPECT_EQ(items, QList<int>(shared.rbegin(), shared.rend()));
        EXPECT_EQ(reversedArray(shared), items);
    }
}

}  // namespace
