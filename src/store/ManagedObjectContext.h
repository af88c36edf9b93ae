#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "GameAttribute.h"
#include "GameIndex.h"
#include "GameSorter.h"
#include "StoreError.h"

class FetchRequest;
class Predicate;
class Game;
class PersistentStoreCoordinator;
class QObject;
class QThread;

// The working set of Game records over a coordinator's store. Owns every Game it hands out
// (one object per stored row for the context's whole life) and tracks inserted and changed
// records until save() writes them in one transaction. The first fetch, count or save loads
// every stored record at once; fetches are then answered in memory, so they see unsaved
// inserts and changes. Does not own the coordinator, which must outlive it.
// Main thread only: calls from any other thread than the creator's fail with WrongThread.
class ManagedObjectContext {
public:
    ManagedObjectContext();
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    // REQUIRES: set once, before the first fetch or save.
    void setPersistentStoreCoordinator(PersistentStoreCoordinator* coordinator);
    PersistentStoreCoordinator* persistentStoreCoordinator() const { return coordinator_; }

    // A new, empty record, kept in memory (and seen by fetches) until the next save.
    Game* insertNewGame();
    // The same for entity "Game"; nullptr for any other entity name or a null context.
    static Game* insertNewObjectForEntityForName(const QString& entityName,
                                                 ManagedObjectContext* context);

    bool hasChanges() const;
    // Writes every inserted and changed record in one SQLite transaction. On failure the
    // transaction is rolled back, the changes stay in the context and hasChanges() stays true.
    // True without touching the store when there is nothing to save.
    bool save(StoreError* error);

    // The matching records in the request's order; nothing, with `error` set, when there is
    // no store, the records cannot be read or the request is invalid (entity, predicate,
    // sort key).
    std::optional<QList<Game*>> executeFetchRequest(const FetchRequest& request, StoreError* error);
    // The number of matching records; -1 on the same failures.
    int countForFetchRequest(const FetchRequest& request, StoreError* error);

    // Records held in memory: loaded plus inserted.
    int registeredObjectCount() const { return int(all_.size()); }

    // After loading, the searched texts are folded a slice at a time while the event loop is
    // idle, so the first search after start-up is as quick as the ones after it. True once the
    // warm-up has reached every record held; records inserted later fold on their first search.
    bool isSearchTextWarm() const { return warmedUpTo_ >= all_.size(); }
    static constexpr int kWarmUpSlice = 2000;
    // A save of at least this many new records, and few changed ones, goes through the
    // rollback journal (SqliteBulkWrite).
    static constexpr size_t kBulkWriteRows = 5000;

private:
    friend class Game;
    void gameDidChange(Game* game, GameAttribute attribute);

    bool onOwnThread(StoreError* error) const;
    bool ensureLoaded(StoreError* error);
    // The records an id condition of `predicate` narrows the fetch to, or null to scan all.
    std::optional<std::span<Game* const>> indexedCandidates(const Predicate& predicate);
    void warmUpSearchText();
    bool checkRequest(const FetchRequest& request, std::vector<GameSorter::Key>* keys,
                      StoreError* error) const;

    QThread* thread_;
    PersistentStoreCoordinator* coordinator_ = nullptr;
    bool loaded_ = false;
    std::vector<std::unique_ptr<Game>> owned_;
    std::vector<Game*> all_;       // every record in sequence order; Game::index_ is the position
    std::vector<Game*> inserted_;  // not saved yet, in insertion order
    std::vector<Game*> changed_;   // saved before, changed since
    qint64 insertCount_ = 0;
    GameSorter::Generations generations_;
    GameSorter sorter_;
    GameIndex index_;
    size_t warmedUpTo_ = 0;
    // Owns the idle warm-up timers, so none outlives the context.
    std::unique_ptr<QObject> timerOwner_;
};
