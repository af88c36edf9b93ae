#include "Predicate.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "FoldedText.h"
#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

TEST(PredicateParse, RejectsMalformedFormatsWithAReason) {
    const QList<std::pair<QString, QVariantList>> cases{
        {u""_s, {}},
        {u"(title == %@"_s, {u"x"_s}},
        {u"(nosuch == 1)"_s, {}},
        {u"(title == %@) AND"_s, {u"x"_s}},
        {u"(title == \"open)"_s, {}},
        {u"(title == %@)"_s, {}},                // too few arguments
        {u"(title == %@)"_s, {u"x"_s, u"y"_s}},  // too many
        {u"(title == %@)"_s, {5}},               // wrong types
        {u"(scoreCritic >= %@)"_s, {u"4"_s}},
        {u"(myScore contains[cd] %@)"_s, {u"4"_s}},
        {QString(200, u'(') + u"title == 'x'"_s + QString(200, u')'), {}},
        {u"(title == %@) AND \u0000"_s, {u"x"_s}},
    };
    for (const auto& [format, arguments] : cases) {
        SCOPED_TRACE(format.left(40).toStdString());
        const Predicate predicate = Predicate::predicateWithFormat(format, arguments);
        EXPECT_FALSE(predicate.isValid());
        EXPECT_FALSE(predicate.errorString().isEmpty());
        EXPECT_FALSE(predicate.evaluateWithObject(nullptr));
        EXPECT_FALSE(Predicate::andPredicateWithSubpredicates(
                         {Predicate::predicateWithFormat(u"(myScore > 0)"_s), predicate})
                         .isValid());
    }
}

// Absent values fail every comparison (a nil constant matches nothing either); strings compare
// exactly, "" apart from absent and precomposed apart from decomposed; numbers compare as
// doubles and flags as integers; a zero score is a value but not "rated".
TEST(PredicateEvaluate, ComparisonsAgainstOneRecord) {
    TestStore store(u":memory:"_s);
    Game* empty = store.context->insertNewGame();
    Game* g = store.context->insertNewGame();
    g->setGenreCode(u"ACTION"_s);
    g->setEsrbCode(u""_s);
    g->setPublisher(u"\u00e9"_s);
    g->setScoreCritic(4.5f);
    g->setMyIsWished(1);
    g->setMyScore(0.0f);
    const struct {
        Game* game;
        QString format;
        QVariantList arguments;
        bool holds;
    } cases[] = {
        {empty, u"(title == 'x')"_s, {}, false},
        {empty, u"(myScore <= 5)"_s, {}, false},
        {empty, u"(releaseDate <= %@)"_s, {QDateTime::currentDateTime()}, false},
        {empty, u"(title == nil)"_s, {}, false},
        {g, u"(genreCode == %@)"_s, {u"ACTION"_s}, true},
        {g, u"(genreCode == %@)"_s, {u"Action"_s}, false},
        {g, u"(esrbCode == %@)"_s, {u""_s}, true},
        {g, u"(esrbCode == %@)"_s, {QString()}, false},
        {g, u"(publisher == %@)"_s, {u"e\u0301"_s}, false},
        {g, u"(scoreCritic >= 4)"_s, {}, true},
        {g, u"(scoreCritic > -.5) AND (scoreCritic >= +4)"_s, {}, true},
        {g, u"(myIsWished == 1)"_s, {}, true},
        {g, u"(myIsWished == %@)"_s, {true}, true},
        {g, u"(myScore > 0)"_s, {}, false},
        {g, u"(myScore == 0)"_s, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        EXPECT_EQ(Predicate::predicateWithFormat(c.format, c.arguments).evaluateWithObject(c.game),
                  c.holds);
    }
}

// The list's search runs as one scan of each record's folded texts; it must answer exactly as
// the three comparisons would one by one, whichever fields are absent or empty.
TEST(PredicateSearch, OneScanAgreesWithTheComparisonsOneByOne) {
    TestStore store(u":memory:"_s);
    QRandomGenerator random(7);
    const QStringList pieces{u"Poké"_s, u"mon"_s, u"ÉCLAIR"_s, u"zel"_s, u"da"_s,
                             u" "_s,    u"🎮"_s,   u"ß"_s,      u"a"_s,   u""_s};
    const auto text = [&]() -> QString {
        if (random.bounded(6) == 0) {
            return {};
        }
        QString result = u""_s;
        for (int i = random.bounded(5); i > 0; --i) {
            result += pieces[random.bounded(pieces.size())];
        }
        return result;
    };
    QList<Game*> games;
    for (int i = 0; i < 300; ++i) {
        Game* game = store.context->insertNewGame();
        game->setTitle(text());
        game->setGameDescription(text());
        game->setGenreDescription(text());
        games.append(game);
    }
    const QStringList needles{u"pokemon"_s, u"MON"_s, u"eclair"_s, u"a"_s,   u"da z"_s,
                              u"🎮"_s,       u"ss"_s,  u"zelda"_s,  u"mon🎮"_s};
    const QStringList fields{u"title"_s, u"gameDescription"_s, u"genreDescription"_s};
    for (const QString& needle : needles) {
        SCOPED_TRACE(needle.toStdString());
        QList<Predicate> parts;
        for (const QString& field : fields) {
            parts.append(
                Predicate::predicateWithFormat(u"(%1 contains[cd] %@)"_s.arg(field), {needle}));
        }
        const Predicate all = Predicate::predicateWithFormat(
            u"(title contains[cd] %@) OR (gameDescription contains[cd] %@) OR "
            u"(genreDescription contains[cd] %@)"_s,
            {needle, needle, needle});
        QList<Game*> expected;
        for (Game* game : games) {
            const bool inTitle = parts[0].evaluateWithObject(game);
            const bool inDescription = parts[1].evaluateWithObject(game);
            const bool inGenre = parts[2].evaluateWithObject(game);
            if (inTitle || inDescription || inGenre) {
                expected.append(game);
            }
            ASSERT_EQ(all.evaluateWithObject(game), inTitle || inDescription || inGenre)
                << game->description().toStdString();
            // Against the folded texts directly, not through the record's cache.
            ASSERT_EQ(inTitle, !game->title().isNull() &&
                                   FoldedText::contains(FoldedText::fold(game->title()),
                                                        FoldedText::fold(needle)));
        }
        // The list's own fetch gives the same records in the same order.
        EXPECT_EQ(*store.context->executeFetchRequest(gameRequest(all), nullptr), expected);
    }
    // The search sees a title after it changes; uncached attributes fold on the fly.
    const Predicate zelda = Predicate::predicateWithFormat(u"(title contains[cd] 'zelda')"_s);
    games[0]->setTitle(u"The Legend of Zelda"_s);
    EXPECT_TRUE(zelda.evaluateWithObject(games[0]));
    games[0]->setValueForKey(GameAttribute::title, u"Metroid"_s);
    EXPECT_FALSE(zelda.evaluateWithObject(games[0]));
    games[0]->setPublisher(u"Nintendō"_s);
    EXPECT_TRUE(Predicate::predicateWithFormat(u"(publisher contains[cd] 'NINTENDO')"_s)
                    .evaluateWithObject(games[0]));
}
