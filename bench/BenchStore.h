#pragma once

// A realistic catalogue for the benchmarks: store files of 1k, 10k and 100k games made once per
// run in a temporary folder, loaded contexts kept per size, and plain SQLite connections to the
// same files for the baselines.
#include <QDateTime>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>

#include "FetchRequest.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SqliteConnection.h"

namespace bench {

using namespace Qt::Literals::StringLiterals;

// ---- A realistic catalogue -------------------------------------------------------------------

inline const QStringList kGenreCodes{u"ACTION"_s,   u"FIGHTING"_s, u"PUZZLE"_s,  u"ADVENTURE"_s,
                                     u"RPG"_s,      u"SPORTS"_s,   u"DRIVING"_s, u"SIMULATION"_s,
                                     u"STRATEGY"_s, u"FAMILY"_s,   u"FLY"_s};
inline const QStringList kGenreNames{
    u"Action"_s,  u"Fighting"_s,   u"Puzzle"_s,   u"Adventure"_s, u"Role-Playing"_s, u"Sports"_s,
    u"Driving"_s, u"Simulation"_s, u"Strategy"_s, u"Family"_s,    u"Flight"_s};
inline const QStringList kEsrbCodes{u"EVERYONE"_s,    u"R/P"_s,        u"TEEN"_s,
                                    u"MATURE"_s,      u"E10+"_s,       u"EARLY_CHILDHOOD"_s,
                                    u"KIDS_ADULTS"_s, u"ADULTS_ONLY"_s};
inline const QStringList kTitleWords{
    u"Legend"_s, u"Shadow"_s,   u"Kingdom"_s, u"Dragon"_s,    u"Racer"_s,   u"Pokémon"_s,
    u"Café"_s,   u"Quest"_s,    u"Star"_s,    u"Ninja"_s,     u"Über"_s,    u"Señor"_s,
    u"Galaxy"_s, u"Warriors"_s, u"Island"_s,  u"Puzzle"_s,    u"Déjà"_s,    u"Frontier"_s,
    u"Tennis"_s, u"Soccer"_s,   u"Party"_s,   u"Chronicle"_s, u"Mystery"_s, u"Rally"_s};
inline const QStringList kDescriptionWords{
    u"explore"_s, u"a"_s,         u"vast"_s,      u"world"_s,  u"with"_s,     u"friends"_s,
    u"battle"_s,  u"the"_s,       u"ancient"_s,   u"évil"_s,   u"and"_s,      u"discover"_s,
    u"hidden"_s,  u"treasures"_s, u"across"_s,    u"levels"_s, u"in"_s,       u"this"_s,
    u"sequel"_s,  u"to"_s,        u"acclaimed"_s, u"series"_s, u"race"_s,     u"through"_s,
    u"city"_s,    u"streets"_s,   u"build"_s,     u"your"_s,   u"team"_s,     u"naïve"_s,
    u"heroes"_s,  u"save"_s,      u"kingdom"_s,   u"from"_s,   u"darkness"_s, u"multiplayer"_s};

inline QString words(QRandomGenerator& random, const QStringList& list, int count) {
    QStringList picked;
    for (int i = 0; i < count; ++i) {
        picked.append(list[random.bounded(list.size())]);
    }
    return picked.join(u' ');
}

inline const QDateTime& benchNow() {
    static const QDateTime now(QDate(2010, 6, 1), QTime(12, 0));
    return now;
}

inline void fillGame(Game* game, QRandomGenerator& random, int index) {
    const int genre = random.bounded(kGenreCodes.size());
    game->setTitle(words(random, kTitleWords, 2 + random.bounded(3)) + u" "_s +
                   QString::number(index % 97));
    game->setIdCriticon(QString::number(100000 + index));
    game->setIdPlaybase(u"pb"_s + QString::number(index));
    game->setPlatformCode(u"wii"_s);
    game->setPlatformDescription(u"Wii"_s);
    game->setGenreCode(kGenreCodes[genre]);
    game->setGenreDescription(kGenreNames[genre]);
    const int esrb = random.bounded(kEsrbCodes.size());
    game->setEsrbCode(kEsrbCodes[esrb]);
    game->setEsrbDescription(u"Rated "_s + kEsrbCodes[esrb]);
    const float critic = float(random.bounded(11)) / 2.0f;
    game->setScoreCriticon(critic);
    game->setScoreCritic(critic);
    game->setScoreUsers(float(random.bounded(11)) / 2.0f);
    game->setUrlBoxArt(u"http://127.0.0.1:8471/art/%1.jpg"_s.arg(index));
    game->setUrlCriticonLink(u"http://reviews.example/game/%1"_s.arg(index));
    game->setUrlPlaybaseLink(u"http://games.example/p/%1"_s.arg(index));
    game->setGameDescription(words(random, kDescriptionWords, 25 + random.bounded(45)) + u"."_s);
    // Release days over ten years, a few in the coming months.
    game->setReleaseDate(benchNow().addDays(120 - random.bounded(3650)));
    game->setDeveloper(u"Studio "_s + QString::number(random.bounded(60)));
    game->setPublisher(u"Publisher "_s + QString::number(random.bounded(40)));
    std::optional<float> mine;
    if (random.bounded(30) == 0) {
        mine = float(1 + random.bounded(9)) / 2.0f;
    }
    game->setMyScore(mine);
    game->setScoreDisplay(mine ? *mine : critic);
    if (random.bounded(20) == 0) {
        game->setMyIsWished(1);
    }
    if (random.bounded(15) == 0) {
        game->setMyIsPlayed(1);
    }
}

// ---- One store file per size, made once -------------------------------------------------------

struct Store {
    explicit Store(const QString& path)
        : model(ManagedObjectModel::mergedModelFromBundles()), coordinator(model.get()) {
        coordinator.addPersistentStoreWithType(path, nullptr);
        context.setPersistentStoreCoordinator(&coordinator);
    }
    std::shared_ptr<ManagedObjectModel> model;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
};

inline QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

inline QString storeFile(int games) {
    static std::map<int, QString> made;
    auto it = made.find(games);
    if (it != made.end()) {
        return it->second;
    }
    const QString path = benchDir().filePath(u"store-%1.sqlite"_s.arg(games));
    {
        Store store(path);
        QRandomGenerator random(20100601u + quint32(games));
        for (int i = 0; i < games; ++i) {
            fillGame(store.context.insertNewGame(), random, i);
        }
        store.context.save(nullptr);
    }
    made.emplace(games, path);
    return path;
}

// A loaded context per size, kept for the refetch benchmarks.
inline Store& loadedStore(int games) {
    static std::map<int, std::unique_ptr<Store>> stores;
    auto& store = stores[games];
    if (!store) {
        store = std::make_unique<Store>(storeFile(games));
        store->context.countForFetchRequest(
            [] {
                FetchRequest request;
                request.setEntityName(u"Game"_s);
                return request;
            }(),
            nullptr);
    }
    return *store;
}

// A plain SQLite connection per size for the baselines.
inline SqliteConnection& baselineDatabase(int games) {
    static std::map<int, std::unique_ptr<SqliteConnection>> databases;
    auto& db = databases[games];
    if (!db) {
        db = std::make_unique<SqliteConnection>(storeFile(games), SqliteConnection::ReadWrite);
    }
    return *db;
}

}  // namespace bench
