#include "HTMLText.h"

#include <gtest/gtest.h>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kNull;
const QString kEmoji = u"\U0001F600"_s;

void expectEach(QString (*clean)(const QString&),
                std::initializer_list<std::pair<QString, QString>> cases) {
    for (const auto& [in, out] : cases) {
        EXPECT_TEXT(clean(in), out) << "from " << testing::PrintToString(in);
    }
}

TEST(HTMLText, EscapingWritesUtf8BytesAndUnescapingUndoesIt) {
    EXPECT_TEXT(HTMLText::escapeString(u"Halo 3: 100%\"<>\\^`{|}[]\t\u007F"_s),
                u"Halo%203:%20100%25%22%3C%3E%5C%5E%60%7B%7C%7D%5B%5D%09%7F"_s);
    EXPECT_TEXT(HTMLText::escapeString(u"Pok\u00E9mon \u20AC"_s + kEmoji),
                u"Pok%C3%A9mon%20%E2%82%AC%F0%9F%98%80"_s);
    EXPECT_TEXT(HTMLText::escapeString(QString(QChar(0xD83D)) + u"a"_s), u"%EF%BF%BDa"_s);
    const QString legal = u"aZ09&=?/:;+,$@!'()*~-_.#"_s;
    EXPECT_TEXT(HTMLText::escapeString(legal), legal);
    const QString text = u"Ratchet & Clank: \"Tools\" 100% <b> caf\u00E9 "_s + kEmoji;
    EXPECT_TEXT(HTMLText::unescapeString(HTMLText::escapeString(text)), text);
}

TEST(HTMLText, UnescapingDecodesWholeRunsOrNothingAtAll) {
    expectEach(
        HTMLText::unescapeString,
        {
            {u"%41%C3%A9%42c%20d"_s, u"A\u00e9Bc d"_s},
            {u"%EF%BB%BFx"_s, u"\uFEFFx"_s},
            {QString(QChar(0xDC00)) + u"%20"_s, QString(QChar(0xDC00)) + u" "_s},
            // Any bad sequence leaves every escape undecoded (a character split over two runs too).
            {u"%C3x%A9"_s, u"%C3x%A9"_s},
            {u"100%2"_s, u"100%2"_s},
            {u"%ED%A0%80"_s, u"%ED%A0%80"_s},
            // Brackets follow decoding: "%253C" decodes to "%3C", which becomes "<".
            {u"50% %3cb%3E"_s, u"50% <b>"_s},
            {u"&#60;i&#62;x"_s, u"<i>x"_s},
            {u"%253C"_s, u"<"_s},
        });
}

TEST(HTMLText, TagsBecomeOneBlankReadFromTheOriginalText) {
    expectEach(HTMLText::replaceHTMLTags,
               {
                   {u"<b>bold</b> and <b>again</b>"_s, u" bold and again "_s},
                   {u"<p\nclass=\"x\">hi</p>"_s, u" hi "_s},
                   {u"a  > b"_s, u"a  > b"_s},  // no "<": untouched, blanks too
                   {u"a<br>  b"_s, u"a  b"_s},  // double blanks collapse in one pass
                   {u"two  blanks <a href"_s, u"two blanks <a href"_s},
                   {u"a <b c <i>d</i>"_s, u"a d "_s},
                   // The working copy " x< >" shows a tag "< >", but the scan reads the original.
                   {u"<a>x<<a>>"_s, u" x< >"_s},
               });
}

TEST(HTMLText, KnownEscapesApplyTableByTableTriggeredByThePassedInText) {
    expectEach(HTMLText::replaceKnownExtraHTMLEscapedValues,
               {
                   {u"Tom &AMP; Jerry &gt;&LT;&quot;&nbsp;&copy;&REG;&euro;"_s,
                    u"Tom & Jerry ><\" \u00A9\u00AE\u20AC"_s},
                   {u"&#63;&#61;&#38;&#39;&#174;&#169;&#8482;&#8364;&#60;"_s,
                    u"?=&'\u00AE\u00A9\u2122\u20AC<"_s},
                   {u"%AE%3F%3d%26%27 %a9 %2122 %20AC"_s, u"\u00AE?=&' \u00A9 \u2122 \u20AC"_s},
                   // Unescaping yields "&#38;", but the passed-in text holds neither "&#" nor "&".
                   {u"%26%2338%3B"_s, u"&#38;"_s},
                   {u"&#38;amp;"_s, u"&"_s},
                   // A row's replacement makes text that a later row of the same table replaces.
                   {u"&amp;quot;"_s, u"\""_s},
                   {u"&amp;eURo; &AMP;&amp;reg;"_s, u"\u20AC &\u00AE"_s},
               });
}

TEST(HTMLText, CleaningChainsTheThree) {
    const QString raw = u"Ratchet%20%26amp%3B%20Clank%3Cbr%3E%E2%84%A2"_s;
    EXPECT_TEXT(HTMLText::cleaned(raw), u"Ratchet & Clank \u2122"_s);
    EXPECT_TEXT(HTMLText::cleaned(kNull), u""_s);
}

}  // namespace
