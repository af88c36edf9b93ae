#include "FoldedText.h"

#include <gtest/gtest.h>

#include <QString>
#include <thread>
#include <vector>

#include "Predicate.h"
#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

bool found(const QString& haystack, const QString& needle) {
    return FoldedText::contains(FoldedText::fold(haystack), FoldedText::fold(needle));
}

}  // namespace

TEST(FoldedTextContains, IgnoresCaseAndDiacriticsInLatinText) {
    EXPECT_TRUE(found(u"Pokémon Diamond"_s, u"pokemon"_s));
    EXPECT_TRUE(found(u"éclair"_s, u"ECLAIR"_s));
    EXPECT_TRUE(found(u"POKEMON"_s, u"pokémon"_s));        // the needle's accents go too
    EXPECT_TRUE(found(u"Poke\u0301mon"_s, u"Pokémon"_s));  // decomposed against composed
    EXPECT_TRUE(found(u"Ångström Ünïcödé"_s, u"angstrom unicode"_s));
    EXPECT_TRUE(found(u"İstanbul Nights"_s, u"istanbul"_s));
    EXPECT_TRUE(found(u"ﬁnal ﬁght"_s, u"FINAL FIGHT"_s));  // ligature
    EXPECT_TRUE(found(u"Ｚｅｌｄａ"_s, u"zelda"_s));       // full-width forms
    EXPECT_FALSE(found(u"Pokemon"_s, u"pokemons"_s));
    EXPECT_FALSE(found(u"Pokemon"_s, u"poke mon"_s));  // one substring, no word split
}

TEST(FoldedTextContains, WorksForNonLatinScripts) {
    EXPECT_TRUE(found(u"σοφός"_s, u"ΣΟΦΟΣ"_s));  // tonos and final sigma
    EXPECT_TRUE(found(u"Ёлка"_s, u"елка"_s));
    EXPECT_TRUE(found(u"ПРИКЛЮЧЕНИЕ"_s, u"приключение"_s));
    EXPECT_TRUE(found(u"ポケットモンスター"_s, u"ホケット"_s));  // dakuten/handakuten are marks
    EXPECT_TRUE(found(u"ﾎﾟｹﾓﾝ"_s, u"ポケモン"_s));               // half-width katakana
    EXPECT_TRUE(found(u"젤다의 전설"_s, u"젤다"_s));
    EXPECT_TRUE(found(u"塞尔达传说"_s, u"达传"_s));
    EXPECT_TRUE(found(u"ألعاب الفيديو"_s, u"الفيديو"_s));
    EXPECT_FALSE(found(u"塞尔达传说"_s, u"传达"_s));
}

TEST(FoldedTextContains, HandlesSurrogatePairsAndBrokenText) {
    EXPECT_TRUE(found(u"Game 🎮 night"_s, u"🎮"_s));
    EXPECT_FALSE(found(u"Game 🎮 night"_s, u"🎯"_s));                  // same high surrogate
    EXPECT_TRUE(found(u"𝐙𝐞𝐥𝐝𝐚 II"_s, u"zelda"_s));                   // mathematical bold letters
    EXPECT_TRUE(found(u"\U00010400\U00010401"_s, u"\U00010428"_s));  // Deseret case pair
    const QString lone = QString(QChar(0xD83C)) + u"x"_s;
    EXPECT_TRUE(found(lone, u"X"_s));  // a lone surrogate is harmless
}

TEST(FoldedTextContains, EmptyNeedlesNeverMatch) {
    EXPECT_FALSE(found(u"anything"_s, u""_s));
    EXPECT_FALSE(found(u"anything"_s, QString()));
    EXPECT_FALSE(found(u""_s, u""_s));
    EXPECT_FALSE(found(u"e\u0301"_s, u"\u0301"_s));  // folds to nothing
    TestStore store(u":memory:"_s);
    Game* g = store.context->insertNewGame();
    g->setTitle(u"Zelda"_s);
    EXPECT_FALSE(Predicate::predicateWithFormat(u"(title contains[cd] %@)"_s, {u""_s})
                     .evaluateWithObject(g));
    g->setTitle(u""_s);
    EXPECT_FALSE(Predicate::predicateWithFormat(u"(title contains[cd] %@)"_s, {u"z"_s})
                     .evaluateWithObject(g));
}

TEST(FoldedTextThreads, ConcurrentFirstUseOfTheSharedTableAgrees) {
    // Characters no other test folds, so the threads race to fill the table's entries.
    QString text;
    for (char32_t c = 0x0400; c < 0x2000; ++c) {
        text.append(QChar(char16_t(c)));
    }
    for (char32_t c = 0x1D400; c < 0x1D500; ++c) {
        text.append(QString::fromUcs4(&c, 1));
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
