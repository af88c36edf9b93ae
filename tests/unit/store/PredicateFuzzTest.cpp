#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "Predicate.h"
#include "TestStore.h"

using namespace Qt::Literals::StringLiterals;

// Formats cut and spliced from valid ones, plus raw noise: the parser must answer valid or
// invalid for each, and an invalid predicate must match nothing, never crash.
TEST(PredicateFuzz, MangledFormatsNeverCrashAndInvalidOnesMatchNothing) {
    const QStringList seeds = {
        u"(genreCode == %@)"_s,
        u"(releaseDate > %@ AND releaseDate <= %@)"_s,
        u"(title contains[cd] %@) OR (gameDescription contains[cd] %@) OR "
        u"(genreDescription contains[cd] %@)"_s,
        u"(scoreCritic >= 4)"_s,
        u"(myIsWished == 1)"_s,
    };
    const QString alphabet = u"()%@ =<>!&|[]cdANDOR\"'\\0123456789.-eE titleGame\u00e9\U0001F600"_s;
    TestStore store;
    Game* game = store.add(u"Zelda"_s, QDateTime::currentDateTime(), 4.0f);
    game->setGenreCode(u"ACTION"_s);
    QRandomGenerator random(20261206);
    int valid = 0;
    for (int round = 0; round < 3000; ++round) {
        QString format = seeds[random.bounded(int(seeds.size()))];
        const int edits = random.bounded(1, 4);
        for (int e = 0; e < edits; ++e) {
            const int at = random.bounded(int(format.size()) + 1);
            switch (random.bounded(3)) {
                case 0:
                    format.remove(at, random.bounded(1, 6));
                    break;
                case 1:
                    format.insert(at, alphabet[random.bounded(int(alphabet.size()))]);
                    break;
                default:
                    format = format.left(at) + seeds[random.bounded(int(seeds.size()))].mid(at);
            }
        }
        QVariantList arguments;
        for (int a = random.bounded(4); a > 0; --a) {
            arguments.append(random.bounded(2) ? QVariant(u"ACTION"_s)
                                               : QVariant(QDateTime::currentDateTime()));
        }
        const Predicate predicate = Predicate::predicateWithFormat(format, arguments);
        if (predicate.isValid()) {
            ++valid;
            predicate.evaluateWithObject(game);
            EXPECT_FALSE(predicate.description().isEmpty()) << format.toStdString();
        } else {
            EXPECT_FALSE(predicate.evaluateWithObject(game)) << format.toStdString();
        }
    }
    EXPECT_GT(valid, 0);  // the mangling leaves some formats whole
}
