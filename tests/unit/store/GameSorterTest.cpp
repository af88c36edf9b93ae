#include "GameSorter.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

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

}  // namespace

// Against a plain stable sort: absent values first ascending and last descending, zero and
// negative zero tied, null apart from "", text by UTF-16 code units (U+1D400 is D835 DC00, so
// before U+FB01) and case-sensitive, ties in insertion order, also after saving and reopening.
TEST(GameSorter, ManyKeysAndRandomRecordsMatchAPlainStableSort) {
    TestStore store(storePath());
    QRandomGenerator random(20090507);
    const QStringList titles{QString(), u""_s,       u"apple"_s,  u"Zelda"_s, u"zelda"_s,
                             u"Zeld"_s, u"Éclair"_s, u"\uFB01"_s, u"𝐀"_s,     u"T1"_s};
    const QList<float> scores{-1.0f, -0.0f, 0.0f, 0.5f, 4.5f, 5.0f};
    const QStringList genres{u"ACTION"_s, u"RPG"_s, u"Puzzle"_s, u""_s};
    for (int i = 0; i < 1500; ++i) {
        Game* game = store.add(titles[random.bounded(titles.size())]);
        game->setIdCriticon(QString::number(i));
        if (random.bounded(6)) {
            game->setScoreDisplay(scores[random.bounded(scores.size())]);
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
        {SortDescriptor(u"scoreDisplay"_s, false), SortDescriptor(u"releaseDate"_s, false),
         SortDescriptor(u"title"_s, true)},
        {SortDescriptor(u"scoreDisplay"_s, true)},
        {SortDescriptor(u"title"_s, false)},
        {SortDescriptor(u"releaseDate"_s, true), SortDescriptor(u"title"_s, true)},
        {SortDescriptor(u"genreCode"_s, true), SortDescriptor(u"myIsWished"_s, false),
         SortDescriptor(u"scoreDisplay"_s, true), SortDescriptor(u"title"_s, false),
         SortDescriptor(u"releaseDate"_s, true)},
    };
    const auto ids = [](const QList<Game*>& games) {
        QStringList result;
        for (const Game* game : games) {
            result.append(game->idCriticon());
        }
        return result;
    };
    const auto all = *store.context->executeFetchRequest(gameRequest(), nullptr);
    QList<QStringList> expectedIds;
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
        EXPECT_EQ(*store.context->executeFetchRequest(gameRequest(std::nullopt, sorts), nullptr),
                  expected);
        expectedIds.append(ids(expected));
    }
    ASSERT_TRUE(store.context->save(nullptr));
    TestStore reopened(storePath());
    for (qsizetype i = 0; i < sortLists.size(); ++i) {
        EXPECT_EQ(ids(*reopened.context->executeFetchRequest(
                      gameRequest(std::nullopt, sortLists[i]), nullptr)),
                  expectedIds[i]);
    }
}
