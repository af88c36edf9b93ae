#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "Predicate.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

// A lookup by id starts from the index; the same condition written as an OR scans every
// record. Both must agree, in the same order, through inserts, id changes, saves and
// duplicate ids.
TEST(GameIndex, IdLookupsAgreeWithAFullScanThroughChanges) {
    TestStore store;
    QRandomGenerator random(99);
    const auto someId = [&] { return u"id%1"_s.arg(random.bounded(40)); };
    const auto addGame = [&](int n) {
        Game* game =
            store.add(u"game %1"_s.arg(random.bounded(30)),
                      QDateTime::fromSecsSinceEpoch(1200000000 + random.bounded(5) * 86400));
        if (random.bounded(10) > 0) {
            game->setIdCriticon(someId());
        }
        game->setIdPlaybase(u"p%1"_s.arg(n));
    };
    for (int n = 0; n < 200; ++n) {
        addGame(n);
    }
    const QList<SortDescriptor> sorts{SortDescriptor(u"releaseDate"_s, false),
                                      SortDescriptor(u"title"_s, true)};
    for (int round = 0; round < 6; ++round) {
        for (int check = 0; check < 40; ++check) {
            const QString id = u"id%1"_s.arg(check);
            const QStringList viaIndex = fetchTitles(
                *store.context, Predicate::predicateWithFormat(u"(idCriticon == %@)"_s, {id}), sorts);
            const QStringList viaScan = fetchTitles(
                *store.context,
                Predicate::predicateWithFormat(u"(idCriticon == %@) OR (idCriticon == %@)"_s,
                                               {id, id}),
                sorts);
            ASSERT_EQ(viaIndex, viaScan) << id.toStdString() << " round " << round;
        }
        // Change ids (some to absent, some to another game's), add games, save now and then.
        const QList<Game*> games = *store.context->executeFetchRequest(gameRequest(), nullptr);
        for (int change = 0; change < 30; ++change) {
            Game* game = games[random.bounded(int(games.size()))];
            game->setIdCriticon(random.bounded(6) == 0 ? QString() : someId());
            game->setTitle(u"game %1"_s.arg(random.bounded(30)));
        }
        for (int n = 0; n < 10; ++n) {
            addGame(1000 * (round + 1) + n);
        }
        if (round % 2 == 1) {
            StoreError error;
            ASSERT_TRUE(store.context->save(&error)) << error.description().toStdString();
        }
    }
}
