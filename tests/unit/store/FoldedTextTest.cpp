#include "FoldedText.h"

#include <gtest/gtest.h>

#include <QString>
#include <thread>
#include <vector>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool found(const QString& haystack, const QString& needle) {
    return FoldedText::contains(FoldedText::fold(haystack), FoldedText::fold(needle));
}

}  // namespace

// Case and marks are ignored in every script; empty needles never match.
TEST(FoldedTextContains, IgnoresCaseAndMarksInEveryScript) {
    const struct {
        QString haystack;
        QString needle;
        bool found;
    } cases[] = {
        {u"Pokémon Diamond"_s, u"pokemon"_s, true},
        {u"Poke\u0301mon"_s, u"Pokémon"_s, true},  // decomposed against composed
        {u"İstanbul Nights"_s, u"istanbul"_s, true},
        {u"ﬁnal ﬁght"_s, u"FINAL FIGHT"_s, true},  // ligature
        {u"Ｚｅｌｄａ"_s, u"zelda"_s, true},       // full-width forms
        {u"Pokemon"_s, u"pokemons"_s, false},
        {u"Pokemon"_s, u"poke mon"_s, false},            // one substring, no word split
        {u"σοφός"_s, u"ΣΟΦΟΣ"_s, true},                  // tonos and final sigma
        {u"ポケットモンスター"_s, u"ホケット"_s, true},  // dakuten/handakuten are marks
        {u"ﾎﾟｹﾓﾝ"_s, u"ポケモン"_s, true},               // half-width katakana
        {u"塞尔达传说"_s, u"传达"_s, false},
        {u"Game 🎮 night"_s, u"🎯"_s, false},                  // same high surrogate
        {u"𝐙𝐞𝐥𝐝𝐚 II"_s, u"zelda"_s, true},                   // mathematical bold letters
        {u"\U00010400\U00010401"_s, u"\U00010428"_s, true},  // Deseret case pair
        {QString(QChar(0xD83C)) + u"x"_s, u"X"_s, true},     // a lone surrogate is harmless
        // Empty needles, and needles that fold to nothing, never match.
        {u"anything"_s, u""_s, false},
        {u"anything"_s, QString(), false},
        {u"e\u0301"_s, u"\u0301"_s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.haystack.toStdString() + " / " + c.needle.toStdString());
        EXPECT_EQ(found(c.haystack, c.needle), c.found);
    }
}

TEST(FoldedTextThreads, ConcurrentFirstUseOfTheSharedTableAgrees) {
    // Characters no other test folds, so the threads race to fill the table's entries.
    QString text;
    for (char32_t c = 0x0400; c < 0x2000; ++c) {
        text.append(QChar(char16_t(c)));
    }
    std::vector<QByteArray> results(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = FoldedText::fold(text); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const QByteArray again = FoldedText::fold(text);
    for (const QByteArray& result : results) {
        EXPECT_EQ(result, again);
    }
    EXPECT_FALSE(QString::fromUtf8(again).contains(QChar(0xFFFD)));
}
