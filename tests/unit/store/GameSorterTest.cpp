#include "GameSorter.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QList<SortDescriptor> byScoreThenDate() {
    return {SortDescriptor(u"scoreDisplay"_s, false), SortDescriptor(u"releaseDate"_s, false),
            SortDescriptor(u"title"_s, true)};
}

// The plainest comparison of two values of one attribute, as the ordering rules state it.
int compareValues(const Game* a, const Game* b, GameAttribute attribute) {
    const QVariant x = a->valueForKey(attribute);
    const QVariant y = b->valueForKey(attribute);
    if (!x.isValid() || !y.isValid()) {
        return int(x.isValid()) - int(y.isValid());
    }
    switch (GameAttributes::typeOf(attribute)) {
        case AttributeType::String:
            return x.toString().compare(y.toString());
        case AttributeType::Date:
            return x.toDateTime() < y.toDateTime() ? -1 : (y.toDateTime() < x.toDateTime());
        default:
            return x.toDouble() < y.toDouble() ? -1 : (y.toDouble() < x.toDouble());
    }
}

class GameSorterFixture : public testing::Test {
protected:
    Game* add(const QString& title) {
        Game* game = store_.context->insertNewGame();
        game->setTitle(title);
        return game;
    }
    QStringList sorted(const QList<SortDescriptor>& sorts,
                       std::optional<Predicate> predicate = std::nullopt) {
        return fetchTitles(*store_.context, std::move(predicate), sorts);
    }

    TestStore store_{storePath()};
};

}  // namespace

TEST_F(GameSorterFixture, AbsentSortsFirstAscendingAndLastDescending) {
    add(u"none"_s);
    add(u"low"_s)->setScoreDisplay(-1.0f);
    add(u"zero"_s)->setScoreDisplay(0.0f);
    add(u"high"_s)->setScoreDisplay(4.5f);
    add(u"negzero"_s)->setScoreDisplay(-0.0f);
    EXPECT_EQ(sorted({SortDescriptor(u"scoreDisplay"_s, true)}),
              (QStringList{u"none"_s, u"low"_s, u"zero"_s, u"negzero"_s, u"high"_s}));
    EXPECT_EQ(sorted({SortDescriptor(u"scoreDisplay"_s, false)}),
              (QStringList{u"high"_s, u"zero"_s, u"negzero"_s, u"low"_s, u"none"_s}));
    Game* untitled = store_.context->insertNewGame();
    untitled->setReleaseDate(QDateTime::fromMSecsSinceEpoch(-1));
    Game* empty = add(u""_s);
    empty->setReleaseDate(QDateTime::fromMSecsSinceEpoch(std::numeric_limits<qint64>::min() / 2));
    const QStringList byTitle = sorted({SortDescriptor(u"title"_s, true)});
    EXPECT_TRUE(byTitle[0].isNull());
    EXPECT_EQ(byTitle[1], u""_s);
    EXPECT_TRUE(sorted({SortDescriptor(u"title"_s, false)}).back().isNull());
    const QStringList byDate = sorted({SortDescriptor(u"releaseDate"_s, false)});
    EXPECT_TRUE(byDate[0].isNull());  // -1 ms is the latest date present
    EXPECT_EQ(byDate[1], u""_s);
    EXPECT_EQ(byDate[2], u"none"_s);  // the absent dates keep insertion order, last
}

TEST_F(GameSorterFixture, TextSortsByUtf16CodeUnitsCaseSensitively) {
    for (const QString& title :
         {u"apple"_s, u"Zelda"_s, u"Éclair"_s, u"zelda"_s, u"\uFB01"_s, u"𝐀"_s, u"Zeld"_s}) {
        add(title);
    }
    // U+1D400 is stored as D835 DC00, so it sorts before U+FB01 by code units.
    EXPECT_EQ(sorted({SortDescriptor(u"title"_s, true)}),
              (QStringList{u"Zeld"_s, u"Zelda"_s, u"apple"_s, u"zelda"_s, u"Éclair"_s, u"𝐀"_s,
                           u"\uFB01"_s}));
}

TEST_F(GameSorterFixture, TiesKeepInsertionOrderAcrossSaveAndReopen) {
    for (int i = 0; i < 20; ++i) {
        add(u"same"_s)->setIdCriticon(QString::number(i));
    }
    const auto ids = [](ManagedObjectContext& context) {
        QStringList result;
        const auto games = context.executeFetchRequest(
            gameRequest(std::nullopt, {SortDescriptor(u"title"_s, false),
                                       SortDescriptor(u"scoreDisplay"_s, true)}),
            nullptr);
        for (const Game* game : *games) {
            result.append(game->idCriticon());
        }
        return result;
    };
    QStringList expected;
    for (int i = 0; i < 20; ++i) {
        expected.append(QString::number(i));
    }
    EXPECT_EQ(ids(*store_.context), expected);
    ASSERT_TRUE(store_.context->save(nullptr));
    EXPECT_EQ(ids(*store_.context), expected);
    TestStore reopened(storePath());
    EXPECT_EQ(ids(*reopened.context), expected);
}

TEST_F(GameSorterFixture, QueryBuilderOrdersScoreThenNewestThenTitle) {
    const QDateTime day(QDate(2009, 5, 7), QTime(0, 0));
    const auto make = [&](const QString& title, float score, int daysAgo) {
        Game* game = add(title);
        game->setScoreDisplay(score);
        game->setReleaseDate(day.addDays(-daysAgo));
    };
    make(u"b"_s, 4.0f, 1);
    make(u"a"_s, 4.0f, 1);
    make(u"new"_s, 4.0f, 0);
    make(u"top"_s, 5.0f, 30);
    make(u"low"_s, 1.5f, 0);
    EXPECT_EQ(sorted(byScoreThenDate()),
              (QStringList{u"top"_s, u"new"_s, u"a"_s, u"b"_s, u"low"_s}));
    EXPECT_EQ(sorted({SortDescriptor(u"releaseDate"_s, false), SortDescriptor(u"title"_s, true)}),
              (QStringList{u"low"_s, u"new"_s, u"a"_s, u"b"_s, u"top"_s}));
}

TEST_F(GameSorterFixture, OrderFollowsChangesMadeAfterAFetch) {
    Game* a = add(u"a"_s);
    Game* b = add(u"b"_s);
    Game* c = add(u"c"_s);
    a->setScoreDisplay(3.0f);
    b->setScoreDisplay(2.0f);
    c->setScoreDisplay(1.0f);
    const QList<SortDescriptor> byScore{SortDescriptor(u"scoreDisplay"_s, false)};
    const QList<SortDescriptor> byTitle{SortDescriptor(u"title"_s, true)};
    EXPECT_EQ(sorted(byScore), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    EXPECT_EQ(sorted(byTitle), (QStringList{u"a"_s, u"b"_s, u"c"_s}));
    c->setScoreDisplay(5.0f);  // the rating changes while the list is sorted by score
    EXPECT_EQ(sorted(byScore), (QStringList{u"c"_s, u"a"_s, u"b"_s}));
    a->setTitle(u"z"_s);
    EXPECT_EQ(sorted(byTitle), (QStringList{u"b"_s, u"c"_s, u"z"_s}));
    add(u"0"_s)->setScoreDisplay(4.0f);
    EXPECT_EQ(sorted(byScore), (QStringList{u"c"_s, u"0"_s, u"z"_s, u"b"_s}));
    EXPECT_EQ(sorted(byTitle), (QStringList{u"0"_s, u"b"_s, u"c"_s, u"z"_s}));
    // Filters run over the kept order.
    EXPECT_EQ(sorted(byScore, Predicate::predicateWithFormat(u"(scoreDisplay < 4.5)"_s)),
              (QStringList{u"0"_s, u"z"_s, u"b"_s}));
}

TEST_F(GameSorterFixture, ManyKeysAndRandomRecordsMatchAPlainStableSort) {
    QRandomGenerator random(20090507);
    const QStringList genres{u"ACTION"_s, u"RPG"_s, u"Puzzle"_s, u""_s};
    for (int i = 0; i < 1500; ++i) {
        Game* game = add(random.bounded(8) == 0 ? QString() : u"T%1"_s.arg(random.bounded(300)));
        if (random.bounded(6)) {
            game->setScoreDisplay(float(random.bounded(11)) / 2.0f);
        }
        if (random.bounded(6)) {
            game->setReleaseDate(
                QDateTime::fromMSecsSinceEpoch(qint64(random.bounded(-50, 50)) * 86'400'000LL));
        }
        if (random.bounded(3)) {
            game->setMyIsWished(random.bounded(2));
        }
        if (random.bounded(5)) {
            game->setGenreCode(genres[random.bounded(genres.size())]);
        }
    }
    const QList<QList<SortDescriptor>> sortLists{
        byScoreThenDate(),
        {SortDescriptor(u"releaseDate"_s, true), SortDescriptor(u"title"_s, false)},
        {SortDescriptor(u"genreCode"_s, true), SortDescriptor(u"myIsWished"_s, false),
         SortDescriptor(u"scoreDisplay"_s, true), SortDescriptor(u"title"_s, false),
         SortDescriptor(u"releaseDate"_s, true)},
    };
    const auto all = *store_.context->executeFetchRequest(gameRequest(), nullptr);
    for (const QList<SortDescriptor>& sorts : sortLists) {
        QList<Game*> expected = all;
        std::stable_sort(expected.begin(), expected.end(), [&](const Game* a, const Game* b) {
            for (const SortDescriptor& sort : sorts) {
                const int order = compareValues(a, b, *GameAttributes::named(sort.key())) *
                                  (sort.ascending() ? 1 : -1);
                if (order != 0) {
                    return order < 0;
                }
            }
            return false;
        });
        const Predicate wished = Predicate::predicateWithFormat(u"(myIsWished == 1)"_s);
        EXPECT_EQ(*store_.context->executeFetchRequest(gameRequest(std::nullopt, sorts), nullptr),
                  expected);
        QList<Game*> expectedWished;
        std::copy_if(expected.begin(), expected.end(), std::back_inserter(expectedWished),
                     [&](const Game* game) { return wished.evaluateWithObject(game); });
        EXPECT_EQ(*store_.context->executeFetchRequest(gameRequest(wished, sorts), nullptr),
                  expectedWished);
    }
}
