#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <ostream>
#include <thread>
#include <vector>

#include "ArrayReverse.h"
#include "QStringPrinter.h"
#include "StringExtensions.h"
#include "StringFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using SF = StringFunctions;

testing::AssertionResult isEmptyNotNull(const QString& text) {
    if (text.isNull()) {
        return testing::AssertionFailure() << "is null, expected \"\"";
    }
    if (!text.isEmpty()) {
        return testing::AssertionFailure() << "has " << text.size() << " characters";
    }
    return testing::AssertionSuccess();
}

const QString kNull;
const QString kEmoji = u"\U0001F600"_s;  // one character, two UTF-16 units

TEST(StringFunctionsLiterals, EmptyLiteralIsNotNull) {
    EXPECT_TRUE(isEmptyNotNull(u""_s));
}

TEST(StringFunctionsPresence, NullAndEmptyAreBothEmpty) {
    EXPECT_TRUE(SF::isEmptyOrNilString(kNull));
    EXPECT_TRUE(SF::isEmptyOrNilString(u""_s));
    EXPECT_FALSE(SF::isEmptyOrNilString(u" "_s));
    EXPECT_FALSE(SF::isNotEmptyOrNilString(kNull));
    EXPECT_TRUE(SF::isNotEmptyOrNilString(u"x"_s));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValue(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValue(u""_s)));
    EXPECT_EQ(SF::getStringValue(u"abc"_s), u"abc"_s);
}

TEST(StringFunctionsPresence, BoolValueAcceptsOnlyTrueYesOneInAnyCase) {
    for (const QString& yes : {u"TRUE"_s, u"true"_s, u"Yes"_s, u"yEs"_s, u"1"_s}) {
        EXPECT_TRUE(SF::getBoolValueFromString(yes)) << yes.toStdString();
    }
    for (const QString& no : {kNull, u""_s, u"no"_s, u"0"_s, u"y"_s, u"11"_s, u" yes"_s}) {
        EXPECT_FALSE(SF::getBoolValueFromString(no)) << no.toStdString();
    }
}

TEST(StringFunctionsPresence, DictionaryValueIsDescriptionOrEmpty) {
    const QVariantMap map{{u"title"_s, u"Halo"_s},    {u"score"_s, 42},
                          {u"price"_s, 1.5},          {u"invalid"_s, QVariant()},
                          {u"nullText"_s, QString()}, {u""_s, u"blank key"_s}};
    EXPECT_EQ(SF::getStringValueFromDictionary(map, u"title"_s), u"Halo"_s);
    EXPECT_EQ(SF::getStringValueFromDictionary(map, u"score"_s), u"42"_s);
    EXPECT_EQ(SF::getStringValueFromDictionary(map, u"price"_s), u"1.5"_s);
    EXPECT_EQ(SF::getStringValueFromDictionary(map, u""_s), u"blank key"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValueFromDictionary(map, u"missing"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValueFromDictionary(map, u"invalid"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValueFromDictionary(map, u"nullText"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValueFromDictionary(map, kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::getStringValueFromDictionary({}, u"title"_s)));
}

TEST(StringFunctionsSearch, EmptyOrNullOperandsFindNothing) {
    for (const auto& [needle, text] : {std::pair{kNull, u"abc"_s}, std::pair{u""_s, u"abc"_s},
                                       std::pair{u"a"_s, kNull}, std::pair{u"a"_s, u""_s}}) {
        EXPECT_FALSE(SF::contains(needle, text));
        EXPECT_EQ(SF::indexOf(needle, text), -1);
        EXPECT_EQ(SF::numberOfOccurancesOf(needle, text), 0);
    }
}

TEST(StringFunctionsSearch, FindsFirstCaseSensitiveOccurrence) {
    EXPECT_TRUE(SF::contains(u"ell"_s, u"Hello"_s));
    EXPECT_FALSE(SF::contains(u"ELL"_s, u"Hello"_s));
    EXPECT_EQ(SF::indexOf(u"l"_s, u"Hello"_s), 2);
    EXPECT_EQ(SF::indexOf(u"x"_s, u"Hello"_s), -1);
    EXPECT_EQ(SF::indexOf(u"b"_s, u"a"_s + kEmoji + u"b"_s), 3);  // counts UTF-16 units
}

TEST(StringFunctionsSearch, OccurrencesDoNotOverlap) {
    EXPECT_EQ(SF::numberOfOccurancesOf(u"aa"_s, u"aaa"_s), 1);
    EXPECT_EQ(SF::numberOfOccurancesOf(u"aa"_s, u"aaaa"_s), 2);
    EXPECT_EQ(SF::numberOfOccurancesOf(u","_s, u",a,,b,"_s), 4);
    EXPECT_EQ(SF::numberOfOccurancesOf(u"x"_s, u"abc"_s), 0);
    EXPECT_EQ(SF::numberOfOccurancesOf(kEmoji, kEmoji + u"-"_s + kEmoji), 2);
}

TEST(StringFunctionsCharacters, EachUnitKeepsItsLowEightBits) {
    EXPECT_FALSE(SF::getArrayOfCharactersFromString(kNull).has_value());
    EXPECT_FALSE(SF::getArrayOfCharactersFromString(u""_s).has_value());
    EXPECT_EQ(SF::getArrayOfCharactersFromString(u"ab1"_s), (QStringList{u"a"_s, u"b"_s, u"1"_s}));
    // U+0141 -> 0x41, U+00E9 stays (Latin-1), U+0130 -> '0'.
    EXPECT_EQ(SF::getArrayOfCharactersFromString(u"\u0141\u00E9\u0130"_s),
              (QStringList{u"A"_s, u"\u00E9"_s, u"0"_s}));
    // A surrogate pair is two units: D83D -> '=', DE00 -> NUL.
    EXPECT_EQ(SF::getArrayOfCharactersFromString(kEmoji),
              (QStringList{u"="_s, QString(QChar(u'\0'))}));
}

TEST(StringFunctionsCutting, LeftRightAndBetween) {
    EXPECT_EQ(SF::fLeftOf(u"-"_s, u"2009"_s), u"2009"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::fRightOf(u"-"_s, u"2009"_s)));
    EXPECT_EQ(SF::fLeftOf(u"-"_s, u"2009-03-05"_s), u"2009"_s);
    EXPECT_EQ(SF::fRightOf(u"-"_s, u"2009-03-05"_s), u"03-05"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::fLeftOf(kNull, u"abc"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::fRightOf(u"a"_s, kNull)));
    EXPECT_EQ(SF::fBetween(u"<a>x</a><a>y</a>"_s, u"<a>"_s, u"</a>"_s), u"x"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::fBetween(u"<a>x"_s, u"<a>"_s, u"</a>"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::fBetween(u"</a><a>x"_s, u"<a>"_s, u"</a>"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::fBetween(u"abc"_s, kNull, u"c"_s)));
}

TEST(StringFunctionsCutting, BetweenViewPointsIntoTheText) {
    const QString text = u"<a>one</a><a>two</a>"_s;
    const QStringView between = SF::fBetweenView(text, u"<a>", u"</a>");
    EXPECT_EQ(between, u"one");
    EXPECT_EQ(between.data(), text.constData() + 3);  // nothing copied
    EXPECT_TRUE(SF::fBetweenView(text, u"<b>", u"</a>").isEmpty());
    EXPECT_TRUE(SF::fBetweenView(text, u"<a>", u"</b>").isEmpty());
    EXPECT_TRUE(SF::fBetweenView(text, u"", u"</a>").isEmpty());
    EXPECT_TRUE(SF::fBetweenView(QStringView(), u"<a>", u"</a>").isEmpty());
    // The closing text is looked for after the opening one only.
    EXPECT_EQ(SF::fBetweenView(u"]x[y]", u"[", u"]"), u"y");
}

TEST(StringFunctionsCutting, SubstringIsInclusiveAndClamped) {
    const QString text = u"abcdef"_s;
    EXPECT_EQ(SF::getSubstring(text, 1, 3), u"bcd"_s);
    EXPECT_EQ(SF::getSubstring(text, 3, 3), u"d"_s);
    EXPECT_EQ(SF::getSubstring(text, 2, 99), u"cdef"_s);
    EXPECT_EQ(SF::getSubstring(u"a"_s + kEmoji + u"b"_s, 1, 2), kEmoji);
    for (const auto& [start, end] :
         {std::pair{-1, 2}, std::pair{6, 7}, std::pair{99, 100}, std::pair{3, 2}}) {
        EXPECT_TRUE(isEmptyNotNull(SF::getSubstring(text, start, end))) << start << ".." << end;
    }
    EXPECT_TRUE(isEmptyNotNull(SF::getSubstring(kNull, 0, 1)));
    EXPECT_TRUE(isEmptyNotNull(SF::getSubstring(u""_s, 0, 1)));
}

TEST(StringFunctionsReplace, OnePassLiteralCaseSensitive) {
    EXPECT_EQ(SF::replace(u"aaa"_s, u"aa"_s, u"b"_s), u"ba"_s);
    EXPECT_EQ(SF::replace(u"ab"_s, u"a"_s, u"aa"_s), u"aab"_s);
    EXPECT_EQ(SF::replace(u"Aa"_s, u"a"_s, u"x"_s), u"Ax"_s);
    EXPECT_EQ(SF::replace(u"a.b.c"_s, u"."_s, kNull), u"abc"_s);
    EXPECT_EQ(SF::replace(u"x"_s + kEmoji, kEmoji, u"y"_s), u"xy"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::replace(u"aa"_s, u"a"_s, u""_s)));
}

TEST(StringFunctionsReplace, MissingOperandsLeaveTextAlone) {
    EXPECT_TRUE(SF::replace(kNull, u"a"_s, u"b"_s).isNull());
    EXPECT_EQ(SF::replace(u"abc"_s, kNull, u"x"_s), u"abc"_s);
    // An empty pattern must not insert the replacement between characters.
    EXPECT_EQ(SF::replace(u"abc"_s, u""_s, u"x"_s), u"abc"_s);
}

TEST(StringFunctionsReplace, IgnoringCaseFoldsBothSides) {
    EXPECT_EQ(SF::replaceIgnoringCase(u"&AMP;&amp;&Amp"_s, u"&amp;"_s, u"&"_s), u"&&&Amp"_s);
    EXPECT_EQ(SF::replaceIgnoringCase(u"&nb\u017fp;"_s, u"&nbsp;"_s, u" "_s), u" "_s);
    EXPECT_EQ(SF::replaceIgnoringCase(u"Kelvin \u212a"_s, u"k"_s, u"x"_s), u"xelvin x"_s);
    EXPECT_TRUE(SF::replaceIgnoringCase(kNull, u"a"_s, u"b"_s).isNull());
    EXPECT_EQ(SF::replaceIgnoringCase(u"abc"_s, u""_s, u"x"_s), u"abc"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::replaceIgnoringCase(u"%3c%3C"_s, u"%3C"_s, u""_s)));
}

TEST(StringFunctionsFilter, SetsTestTheReducedCharacter) {
    EXPECT_EQ(SF::replaceNonAlphaNumeric(u"http://img.example.com:8471/box_art/a_b.jpg?x=1 2"_s),
              u"httpimgexamplecom8471boxartabjpgx12"_s);
    // U+0141 -> 'A', U+00F3 stays and is dropped, U+017A -> 'z'.
    EXPECT_EQ(SF::replaceNonAlphaNumeric(u"\u0141\u00F3d\u017A"_s), u"Adz"_s);
    EXPECT_EQ(SF::replaceNonNumeric(u"$1,234.56"_s, true), u"1234.56"_s);
    EXPECT_EQ(SF::replaceNonNumeric(u"$1,234.56"_s, false), u"123456"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::replaceNonAlphaNumeric(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::replaceNonAlphaNumeric(u"-/:"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::replaceNotInSet(u"abc"_s, kNull)));
}

TEST(StringFunctionsFilter, ForbiddenCharactersReplacedOrDropped) {
    EXPECT_EQ(SF::replaceInSet(u"a-b_c"_s, u"-_"_s, u"%20"_s), u"a%20b%20c"_s);
    EXPECT_EQ(SF::replaceInSet(u"a-b_c"_s, u"-_"_s, kNull), u"abc"_s);
    EXPECT_EQ(SF::replaceInSet(u"a-b_c"_s, u"-_"_s), u"abc"_s);
    EXPECT_EQ(SF::replaceInSet(u"abc"_s, kNull), u"abc"_s);
    // The set is compared with the reduced character, so U+0141 is kept as 'A'.
    EXPECT_EQ(SF::replaceInSet(u"\u0141"_s, u"\u0141"_s), u"A"_s);
    EXPECT_TRUE(isEmptyNotNull(SF::replaceInSet(kNull, u"a"_s)));
    EXPECT_TRUE(isEmptyNotNull(SF::replaceInSet(u"--"_s, u"-"_s)));
}

TEST(StringFunctionsThousands, GroupsIntegerPartByThrees) {
    const std::pair<QString, QString> cases[] = {
        {u""_s, u""_s},
        {u"123"_s, u"123"_s},
        {u"1234"_s, u"1,234"_s},
        {u"123456"_s, u"123,456"_s},
        {u"1234567"_s, u"1,234,567"_s},
        {u"1234.5"_s, u"1,234.5"_s},
        {u"123.45"_s, u"123.45"_s},
        {u"1234.5678"_s, u"1,234.5678"_s},
        {u"12345.6.7"_s, u"12,345.6.7"_s},
        {u".12345"_s, u".12345"_s},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(SF::thousandsSeparate(in), out);
    }
    EXPECT_TRUE(SF::thousandsSeparate(kNull).isNull());
    EXPECT_TRUE(isEmptyNotNull(SF::thousandsSeparate(u""_s)));
}

TEST(StringFunctionsThousands, SignStaysInFrontOfTheGroups) {
    EXPECT_EQ(SF::thousandsSeparate(u"-123456"_s), u"-123,456"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"+1234"_s), u"+1,234"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"-123"_s), u"-123"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"-1234.5"_s), u"-1,234.5"_s);
}

TEST(StringFunctionsThousands, CustomSeparatorAndDecimalMark) {
    EXPECT_EQ(SF::thousandsSeparate(u"1234567,89"_s, u"."_s, u","_s), u"1.234.567,89"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"1234567"_s, u"\u00A0"_s, kNull), u"1\u00A0234\u00A0567"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"1234567"_s, u""_s, u"."_s), u"1234567"_s);
    EXPECT_EQ(SF::thousandsSeparate(u"1234567"_s, u","_s, u""_s), u"1,234,567"_s);
}

TEST(StringFunctionsEscape, EscapesUnsafeAsciiAndUtf8Bytes) {
    EXPECT_TRUE(isEmptyNotNull(SF::escapeString(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::escapeString(u""_s)));
    EXPECT_EQ(SF::escapeString(u"Halo 3: 100%"_s), u"Halo%203:%20100%25"_s);
    EXPECT_EQ(SF::escapeString(u"\"<>\\^`{|}[]"_s), u"%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D"_s);
    EXPECT_EQ(SF::escapeString(u"\t\n\u007F"_s), u"%09%0A%7F"_s);
    EXPECT_EQ(SF::escapeString(u"Pok\u00E9mon \u20AC"_s), u"Pok%C3%A9mon%20%E2%82%AC"_s);
    EXPECT_EQ(SF::escapeString(kEmoji), u"%F0%9F%98%80"_s);
    EXPECT_EQ(SF::escapeString(QString(QChar(0xD83D)) + u"a"_s), u"%EF%BF%BDa"_s);
}

TEST(StringFunctionsEscape, LeavesUrlCharactersAlone) {
    const QString legal = u"aZ09&=?/:;+,$@!'()*~-_.#"_s;
    EXPECT_EQ(SF::escapeString(legal), legal);
}

TEST(StringFunctionsEscape, UnescapeUndoesEscape) {
    const QString text = u"Ratchet & Clank: \"Tools\" 100% <b> caf\u00E9 "_s + kEmoji + u"\t"_s;
    EXPECT_EQ(SF::unescapeString(SF::escapeString(text)), text);
}

TEST(StringFunctionsUnescape, DecodesUtf8Escapes) {
    EXPECT_TRUE(isEmptyNotNull(SF::unescapeString(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::unescapeString(u""_s)));
    EXPECT_EQ(SF::unescapeString(u"Halo%203"_s), u"Halo 3"_s);
    EXPECT_EQ(SF::unescapeString(u"caf%c3%a9 Pok\u00E9mon"_s), u"caf\u00E9 Pok\u00E9mon"_s);
    EXPECT_EQ(SF::unescapeString(u"%F0%9F%98%80!"_s), kEmoji + u"!"_s);
    EXPECT_EQ(SF::unescapeString(u"%EF%BB%BFx"_s), u"\uFEFFx"_s);
    EXPECT_EQ(SF::unescapeString(QString(QChar(0xDC00)) + u"%20"_s),
              QString(QChar(0xDC00)) + u" "_s);
}

TEST(StringFunctionsUnescape, RunsOfEscapesDecodeTogether) {
    EXPECT_EQ(SF::unescapeString(u"%41%42c%20d"_s), u"ABc d"_s);
    // ASCII and multi-byte escapes in one run, and a character split over two runs.
    EXPECT_EQ(SF::unescapeString(u"%41%C3%A9%42"_s), u"A\u00e9B"_s);
    EXPECT_EQ(SF::unescapeString(u"%C3x%A9"_s), u"%C3x%A9"_s);
    EXPECT_EQ(SF::unescapeString(u"%e2%84%a2 %7e"_s), u"\u2122 ~"_s);
}

TEST(StringFunctionsUnescape, InvalidEscapesKeepTheTextWhole) {
    // Any bad sequence leaves every escape of the text undecoded.
    const QString kept[] = {
        u"100%"_s,     u"100%2"_s,     u"%zz%20"_s, u"%C3"_s,          u"%C3%28"_s,
        u"%E2%82 x"_s, u"%ED%A0%80"_s, u"%C0%AF"_s, u"%F4%90%80%80"_s, u"%AE%20"_s,
    };
    for (const QString& text : kept) {
        EXPECT_EQ(SF::unescapeString(text), text);
    }
}

TEST(StringFunctionsUnescape, AngleBracketsFollowDecoding) {
    EXPECT_EQ(SF::unescapeString(u"50% %3cb%3E"_s), u"50% <b>"_s);
    EXPECT_EQ(SF::unescapeString(u"&#60;i&#62;x"_s), u"<i>x"_s);
    // "%253C" decodes to "%3C", which the bracket step then turns into "<".
    EXPECT_EQ(SF::unescapeString(u"%253C"_s), u"<"_s);
}

TEST(StringFunctionsHtmlTags, TagsBecomeOneBlank) {
    EXPECT_TRUE(isEmptyNotNull(SF::replaceHTMLTags(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::replaceHTMLTags(u""_s)));
    EXPECT_EQ(SF::replaceHTMLTags(u"<p>word</p>"_s), u" word "_s);
    EXPECT_EQ(SF::replaceHTMLTags(u"<b>bold</b> and <b>again</b>"_s), u" bold and again "_s);
    EXPECT_EQ(SF::replaceHTMLTags(u"<p\nclass=\"x\">hi</p>"_s), u" hi "_s);
    EXPECT_EQ(SF::replaceHTMLTags(u"<i>Pok\u00E9mon "_s + kEmoji + u"</i>"_s),
              u" Pok\u00E9mon "_s + kEmoji + u" "_s);
}

TEST(StringFunctionsHtmlTags, TextWithoutOpeningBracketIsUntouched) {
    EXPECT_EQ(SF::replaceHTMLTags(u"a  > b"_s), u"a  > b"_s);
}

TEST(StringFunctionsHtmlTags, DoubleBlanksCollapseInOnePass) {
    EXPECT_EQ(SF::replaceHTMLTags(u"a<br>  b"_s), u"a  b"_s);
    EXPECT_EQ(SF::replaceHTMLTags(u"  <p>a</p>  "_s), u"  a  "_s);
}

TEST(StringFunctionsHtmlTags, UnclosedTagsRunToTheNextClosingBracket) {
    EXPECT_EQ(SF::replaceHTMLTags(u"two  blanks <a href"_s), u"two blanks <a href"_s);
    EXPECT_EQ(SF::replaceHTMLTags(u"a <b c <i>d</i>"_s), u"a d "_s);
}

TEST(StringFunctionsHtmlTags, TagsComeFromTheOriginalText) {
    // The working copy " x< >" would show a tag "< >", but the scan reads the original.
    EXPECT_EQ(SF::replaceHTMLTags(u"<a>x<<a>>"_s), u" x< >"_s);
}

TEST(StringFunctionsEntities, NamedEntitiesIgnoreCase) {
    EXPECT_TRUE(isEmptyNotNull(SF::replaceKnownExtraHTMLEscapedValues(kNull)));
    EXPECT_TRUE(isEmptyNotNull(SF::replaceKnownExtraHTMLEscapedValues(u""_s)));
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"Tom &AMP; Jerry &Amp; co"_s),
              u"Tom & Jerry & co"_s);
    EXPECT_EQ(
        SF::replaceKnownExtraHTMLEscapedValues(u"&gt;&LT;&quot;Hi&quot;&nbsp;&copy;&REG;&euro;"_s),
        u"><\"Hi\" \u00A9\u00AE\u20AC"_s);
}

TEST(StringFunctionsEntities, NumericEntities) {
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(
                  u"&#63;&#61;&#38;&#39;&#174;&#169;&#8482;&#8364;&#60;&#62;"_s),
              u"?=&'\u00AE\u00A9\u2122\u20AC<>"_s);
}

TEST(StringFunctionsEntities, PercentTableCoversEscapesThatAreNotUtf8) {
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"%AE%3F%3d%26%27 %a9 %2122 %20AC"_s),
              u"\u00AE?=&' \u00A9 \u2122 \u20AC"_s);
}

TEST(StringFunctionsEntities, TriggersLookAtThePassedInText) {
    // Unescaping yields "&#38;", but the passed-in text has neither "&#" nor "&".
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"%26%2338%3B"_s), u"&#38;"_s);
    // "&" alone triggers only the named entities.
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&amp;#38;"_s), u"&#38;"_s);
}

TEST(StringFunctionsEntities, TablesAndRowsApplyInOrder) {
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&#38;amp;"_s), u"&"_s);
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&amp;lt;"_s), u"&lt;"_s);
    // A row's replacement makes text that a later row of the same table then replaces.
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&amp;quot;"_s), u"\""_s);
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&amp;eURo; &AMP;&amp;reg;"_s),
              u"\u20AC &\u00AE"_s);
    EXPECT_EQ(SF::replaceKnownExtraHTMLEscapedValues(u"&#38;#39; &#38;#63;"_s), u"' &#63;"_s);
}

TEST(StringFunctionsEntities, CatalogueCleaningPipeline) {
    const QString raw = u"Ratchet%20%26amp%3B%20Clank%3Cbr%3E%E2%84%A2"_s;
    const QString cleaned =
        SF::replaceKnownExtraHTMLEscapedValues(SF::replaceHTMLTags(SF::unescapeString(raw)));
    EXPECT_EQ(cleaned, u"Ratchet & Clank \u2122"_s);
}

TEST(StringFunctionsThreads, ConcurrentCallsAgreeWithSerialOnes) {
    const QString input = u"<p>Caf%C3%A9 &amp; 1234567 <b>"_s + kEmoji + u"</b></p>"_s;
    const auto work = [&input] {
        return SF::replaceKnownExtraHTMLEscapedValues(
                   SF::replaceHTMLTags(SF::unescapeString(input))) +
               SF::escapeString(input) + SF::thousandsSeparate(u"1234567"_s) +
               SF::replaceNonAlphaNumeric(input);
    };
    const QString expected = work();
    std::vector<QString> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                const QString r = work();
                if (r != expected) {
                    results[t] = r;
                    return;
                }
            }
            results[t] = expected;
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const QString& r : results) {
        EXPECT_EQ(r, expected);
    }
}

TEST(StringExtension, ForwardsWithTheReceiverFirst) {
    EXPECT_EQ(stringBetween(u"id=42&x"_s, u"id="_s, u"&"_s), u"42"_s);
    EXPECT_EQ(stringRightOf(u"a-b-c"_s, u"-"_s), u"b-c"_s);
    EXPECT_EQ(stringLeftOf(u"a-b-c"_s, u"-"_s), u"a"_s);
    EXPECT_EQ(stringByReplacing(u"a-b"_s, u"-"_s, u"+"_s), u"a+b"_s);
    EXPECT_EQ(stringByReplacingHTML(u"<b>x</b>"_s), u" x "_s);
    EXPECT_TRUE(contains(u"hello"_s, u"ell"_s));
    EXPECT_FALSE(contains(u"ell"_s, u"hello"_s));
    EXPECT_EQ(escaped(u"a b&c"_s), u"a%20b&c"_s);
    EXPECT_EQ(unescaped(u"a%20b"_s), u"a b"_s);
}

TEST(StringExtension, NullReceiverAnswersLikeTheFunctions) {
    EXPECT_FALSE(isNotEmptyOrNilString(kNull));
    EXPECT_FALSE(isNotEmptyOrNilString(u""_s));
    EXPECT_TRUE(isNotEmptyOrNilString(u"x"_s));
    EXPECT_TRUE(isEmptyNotNull(unescaped(kNull)));
    EXPECT_TRUE(isEmptyNotNull(escaped(kNull)));
    EXPECT_TRUE(isEmptyNotNull(stringBetween(kNull, u"a"_s, u"b"_s)));
    EXPECT_TRUE(isEmptyNotNull(stringByReplacingHTML(kNull)));
    EXPECT_TRUE(stringByReplacing(kNull, u"a"_s, u"b"_s).isNull());
}

TEST(ArrayReverse, ReversedArrayLeavesTheOriginal) {
    const QList<int> list{1, 2, 3};
    EXPECT_EQ(reversedArray(list), (QList<int>{3, 2, 1}));
    EXPECT_EQ(list, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(reversedArray(QList<int>{}).isEmpty());
    EXPECT_EQ(reversedArray(QStringList{u"a"_s}), QStringList{u"a"_s});
}

TEST(ArrayReverse, ReverseInPlaceForEvenOddAndTinyLists) {
    QList<int> even{1, 2, 3, 4};
    reverse(even);
    EXPECT_EQ(even, (QList<int>{4, 3, 2, 1}));
    QStringList odd{u"a"_s, u"b"_s, u"c"_s};
    reverse(odd);
    EXPECT_EQ(odd, (QStringList{u"c"_s, u"b"_s, u"a"_s}));
    QList<int> one{7};
    reverse(one);
    EXPECT_EQ(one, QList<int>{7});
    QList<int> none;
    reverse(none);
    EXPECT_TRUE(none.isEmpty());
}

TEST(ArrayReverse, ReverseDoesNotTouchSharedCopies) {
    QList<int> original{1, 2, 3};
    QList<int> copy = original;
    reverse(copy);
    EXPECT_EQ(original, (QList<int>{1, 2, 3}));
    EXPECT_EQ(copy, (QList<int>{3, 2, 1}));
}

}  // namespace
