#include "ManagedObjectContext.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <thread>

#include "QStringPrinter.h"
#include "StoreTestSupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Sets `attribute` to a value made from `n` that a careless conversion would bend (non-ASCII
// and surrogate text, halves, negative and pre-1970 instants with milliseconds); 0 gives zero
// and "", which are values, not absence; a negative `n` makes it absent.
void setValue(Game* game, GameAttribute attribute, int n) {
    if (n < 0) {
        game->setValueForKey(attribute, QVariant());
        return;
    }
    switch (GameAttributes::typeOf(attribute)) {
        case AttributeType::String:
            game->setStringValue(attribute, n == 0 ? u""_s : u"%1 Pokémon ☃ 🎮 \"'; --"_s.arg(n));
            break;
        case AttributeType::Float:
            game->setFloatValue(attribute, n == 0 ? 0.0f : -2.5f + float(n % 11) * 1.5f);
            break;
        case AttributeType::Flag:
            game->setFlagValue(attribute, n);
            break;
        case AttributeType::Date:
            game->setDateMsecs(attribute, n == 0 ? 0 : -86'400'123LL + n * 1'234'567'891'011LL);
            break;
    }
}

void fillEveryAttribute(Game* game, bool zeros = false) {
    for (const GameAttributeInfo& info : GameAttributes::all()) {
        setValue(game, info.attribute, zeros ? 0 : info.slot + 1);
    }
}

// Every value of every stored game, in fetch order, with absent, null and "" told apart.
QList<QStringList> snapshot(ManagedObjectContext& context) {
    QList<QStringList> all;
    const QList<Game*> games = context.executeFetchRequest(gameRequest(), nullptr).value();
    for (const Game* game : games) {
        QStringList values;
        for (const GameAttributeInfo& info : GameAttributes::all()) {
            const QVariant value = game->valueForKey(info.attribute);
            values.append(!value.isValid() ? u"absent"_s
                          : value.typeId() == QMetaType::QDateTime
                              ? QString::number(value.toDateTime().toMSecsSinceEpoch())
                          : value.toString().isNull() ? u"null"_s
                                                      : u"'"_s + value.toString() + u"'"_s);
        }
        all.append(values);
    }
    return all;
}

// The store file with games of these titles saved, opened afresh, and its games in fetch order.
struct SavedStore : TestStore {
    explicit SavedStore(const QStringList& titles) : TestStore(savedWith(titles)) {}
    static QString savedWith(const QStringList& titles) {
        TestStore store(storePath());
        for (const QString& title : titles) {
            store.add(title)->setScoreCritic(2.0f);
        }
        EXPECT_TRUE(store.context->save(nullptr));
        return storePath();
    }
    const QList<Game*> games = context->executeFetchRequest(gameRequest(), nullptr).value();
};

}  // namespace

// Every attribute comes back as written, absent, zero and "" included; a scattered set of
// changed columns over several saves (which write only what changed) survives reopening too.
TEST(ManagedObjectContextSave, EveryValueComesBackAfterReopening) {
    QRandomGenerator random(11);
    const auto someAttribute = [&] {
        return GameAttribute(random.bounded(GameAttributes::kCount));
    };
    const auto someValue = [&] { return random.bounded(5) == 0 ? -1 : random.bounded(1, 40); };
    QList<QStringList> expected;
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened);
        fillEveryAttribute(store.context->insertNewGame());
        fillEveryAttribute(store.context->insertNewGame(), true);
        store.context->insertNewGame();
        StoreError error;
        ASSERT_TRUE(store.context->save(&error)) << error.description().toStdString();
        const QList<QStringList> written = snapshot(*store.context);
        ASSERT_EQ(written.size(), 3);
        EXPECT_FALSE(written[1].contains(u"absent"_s));
        EXPECT_EQ(written[2].count(u"absent"_s), GameAttributes::kCount);
        EXPECT_EQ(snapshot(*TestStore(storePath()).context), written);
        for (int round = 0; round < 4; ++round) {
            for (int i = 0; i < 50; ++i) {
                setValue(store.context->insertNewGame(), someAttribute(), someValue());
            }
            const QList<Game*> games = *store.context->executeFetchRequest(gameRequest(), nullptr);
            for (int i = 0; i < 150; ++i) {
                setValue(games[random.bounded(games.size())], someAttribute(), someValue());
            }
            ASSERT_TRUE(store.context->save(nullptr));
            EXPECT_FALSE(store.context->hasChanges());
        }
        expected = snapshot(*store.context);
    }
    TestStore reopened(storePath());
    EXPECT_EQ(snapshot(*reopened.context), expected);
    EXPECT_FALSE(reopened.context->hasChanges());
}

// Fetches see unsaved inserts and changes; setting the value already held is no change, but
// null and "" differ.
TEST(ManagedObjectContextFetch, SeesUnsavedInsertsAndChanges) {
    SavedStore store({u"A"_s, u"B"_s});
    ASSERT_EQ(store.games.size(), 2);
    store.games[0]->setTitle(u"A"_s);
    store.games[0]->setValueForKey(GameAttribute::scoreCritic, 2);
    EXPECT_FALSE(store.context->hasChanges());
    const Predicate action = Predicate::predicateWithFormat(u"(genreCode == %@)"_s, {u"ACTION"_s});
    Game* inserted = store.add(u"C"_s);
    inserted->setGenreCode(u"ACTION"_s);
    store.games[1]->setGenreCode(u"ACTION"_s);
    EXPECT_EQ(fetchTitles(*store.context, action), (QStringList{u"B"_s, u"C"_s}));
    EXPECT_EQ(store.context->countForFetchRequest(gameRequest(action), nullptr), 2);
    EXPECT_EQ(inserted->primaryKey(), 0);
    ASSERT_TRUE(store.context->save(nullptr));
    EXPECT_FALSE(store.context->hasChanges());
    EXPECT_GT(inserted->primaryKey(), store.games[1]->primaryKey());
    store.games[0]->setTitle(QString());
    EXPECT_TRUE(store.context->hasChanges());
}

TEST(ManagedObjectContextSave, FailureMidwayRollsBackEverythingAndKeepsTheChanges) {
    SavedStore store({u"one"_s, u"two"_s, u"three"_s});
    const QList<Game*>& games = store.games;
    SqliteConnection raw(storePath());
    // The third update fails after two rows are already written inside the transaction.
    ASSERT_TRUE(
        raw.exec(u"CREATE TRIGGER poison BEFORE UPDATE ON Game WHEN NEW.title = 'poison' "
                 "BEGIN SELECT RAISE(ABORT, 'poisoned'); END"_s));
    games[0]->setMyIsPlayed(1);
    games[1]->setMyScore(4.0f);
    games[2]->setTitle(u"poison"_s);
    Game* inserted = store.add(u"four"_s);
    StoreError error;
    EXPECT_FALSE(store.context->save(&error));
    EXPECT_EQ(error.code, StoreError::SaveFailed);
    EXPECT_TRUE(error.userInfo.contains(u"sqliteMessage"_s));
    EXPECT_TRUE(store.context->hasChanges());
    EXPECT_EQ(inserted->primaryKey(), 0);
    EXPECT_EQ(raw.execAndGet(u"SELECT count(*) FROM Game WHERE myIsPlayed OR myScore"_s), 0);
    ASSERT_TRUE(raw.exec(u"DROP TRIGGER poison"_s));
    ASSERT_TRUE(store.context->save(&error)) << error.description().toStdString();
    EXPECT_EQ(raw.execAndGet(u"SELECT group_concat(title) FROM Game WHERE myScore = 4 OR "
                             "title IN ('four', 'poison')"_s),
              u"two,poison,four"_s);
}

// A folder or a garbage file in the store's place, or a store of a later release: no store,
// fetches fail, nothing can be saved, and the file is left as it was. The error tells them apart.
TEST(PersistentStoreCoordinatorOpen, UnopenableOrLaterStoresAreRefusedAndLeftAlone) {
    const QString directory = TestStore::homeFile(u"dir"_s);
    ASSERT_TRUE(QDir().mkpath(directory));
    const QString garbage = TestStore::homeFile(u"garbage"_s);
    ASSERT_TRUE(FileFunctions::createFileAtPath(garbage, QByteArray(4096, '\x7f')));
    ASSERT_TRUE(
        SqliteConnection(storePath())
            .exec(u"CREATE TABLE Game (id INTEGER PRIMARY KEY); PRAGMA user_version = 7"_s));
    for (const QString& path : {directory, garbage, storePath()}) {
        SCOPED_TRACE(path.toStdString());
        TestStore store(path);
        EXPECT_FALSE(store.coordinator->hasStore());
        EXPECT_EQ(store.openError.code, path == storePath() ? StoreError::NewerSchema
                                        : path == garbage   ? StoreError::Damaged
                                                            : StoreError::OpenFailed);
        StoreError error;
        EXPECT_FALSE(store.context->executeFetchRequest(gameRequest(), &error));
        EXPECT_EQ(error.code, StoreError::NoStore);
        EXPECT_EQ(store.context->countForFetchRequest(gameRequest(), nullptr), -1);
        store.context->insertNewGame();
        EXPECT_FALSE(store.context->save(&error));
    }
    EXPECT_EQ(QFile(garbage).size(), 4096);  // not "repaired" into a new database
    EXPECT_EQ(storeValue(u"PRAGMA user_version"_s), 7);
}

TEST(PersistentStoreCoordinatorOpen, OlderTableGainsMissingColumnsAndKeepsItsRows) {
    ASSERT_TRUE(SqliteConnection(storePath())
                    .exec(u"CREATE TABLE Game (id INTEGER PRIMARY KEY, title TEXT, myScore REAL); "
                          "INSERT INTO Game (title, myScore) VALUES ('Old', 4.5)"_s));
    {
        TestStore store(storePath());
        ASSERT_TRUE(store.opened) << store.openError.description().toStdString();
        const auto games = store.context->executeFetchRequest(gameRequest(), nullptr);
        ASSERT_TRUE(games && games->size() == 1);
        EXPECT_EQ(games->front()->myScore(), std::optional<float>(4.5f));
        games->front()->setGenreCode(u"RPG"_s);
        ASSERT_TRUE(store.context->save(nullptr));
    }
    SqliteConnection raw(storePath());
    EXPECT_EQ(raw.execAndGet(u"PRAGMA user_version"_s), 1);
    EXPECT_EQ(raw.execAndGet(u"PRAGMA journal_mode"_s), u"wal"_s);
    EXPECT_EQ(raw.execAndGet(u"SELECT title || genreCode FROM Game"_s), u"OldRPG"_s);
}

// Calls from another thread are refused, and leave the context usable.
TEST(ManagedObjectContextThreads, CallsFromAnotherThreadAreRefused) {
    TestStore store(storePath());
    store.context->insertNewGame();
    StoreError fetchError;
    StoreError saveError;
    Game* inserted = reinterpret_cast<Game*>(1);
    std::thread worker([&] {
        store.context->executeFetchRequest(gameRequest(), &fetchError);
        store.context->save(&saveError);
        inserted = store.context->insertNewGame();
    });
    worker.join();
    EXPECT_EQ(fetchError.code, StoreError::WrongThread);
    EXPECT_EQ(saveError.code, StoreError::WrongThread);
    EXPECT_EQ(inserted, nullptr);
    EXPECT_TRUE(store.context->save(nullptr));
}
