#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

// A lookup by id starts from the index; the same condition written as an OR scans every
// record. Both must agree, in the same order, through inserts, id changes, saves and
// duplicate ids.
TEST(GameIndex, IdLookupsAgreeWithAFullScanThroughChanges) {
    TestStore store;
    QRandomGenerator random(99);
    const auto someId = [&] { return u"id%1"_s.arg(random.bounded(40)); };
    const auto addGames = [&](int count) {
        for (int n = 0; n < count; ++n) {
            const int day = random.bounded(5);
            store
                .add(u"game %1"_s.arg(random.bounded(30)),
                     QDateTime::fromSecsSinceEpoch(1200000000 + day * 86400))
                ->setIdCriticon(random.bounded(10) > 0 ? someId() : QString());
        }
    };
    const QList<SortDescriptor> sorts{SortDescriptor(u"releaseDate"_s, false),
                                      SortDescriptor(u"title"_s, true)};
    const auto titles = [&](const QString& format, const QVariantList& ids) {
        return fetchTitles(*store.context, Predicate::predicateWithFormat(format, ids), sorts);
    };
    addGames(200);
    for (int round = 0; round < 6; ++round) {
        for (int check = 0; check < 40; ++check) {
            const QString id = u"id%1"_s.arg(check);
            ASSERT_EQ(titles(u"(idCriticon == %@)"_s, {id}),
                      titles(u"(idCriticon == %@) OR (idCriticon == %@)"_s, {id, id}))
                << id.toStdString() << " round " << round;
        }
        // Change ids (some to absent, some to another game's), add games, save now and then.
        const QList<Game*> games = *store.context->executeFetchRequest(gameRequest(), nullptr);
        for (int change = 0; change < 30; ++change) {
            Game* game = games[random.bounded(int(games.size()))];
            game->setIdCriticon(random.bounded(6) == 0 ? QString() : someId());
            game->setTitle(u"game %1"_s.arg(random.bounded(30)));
        }
        addGames(10);
        if (round % 2 == 1) {
            ASSERT_TRUE(store.context->save(nullptr));
        }
    }
}
