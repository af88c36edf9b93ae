#include "ManagedObjectContext.h"

#include <QCoreApplication>
#include <QHash>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <optional>

#include "FetchRequest.h"
#include "Game.h"
#include "GameTable.h"
#include "ManagedObjectModel.h"
#include "MyLog.h"
#include "PersistentStoreCoordinator.h"
#include "Predicate.h"
#include "SqliteBulkWrite.h"
#include "SqliteConnection.h"
#include "SqliteTransaction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// New records sort after every stored one (row ids stay far below) in insertion order, which
// is also the order of the row ids they get when saved.
constexpr qint64 kUnsavedSequenceBase = qint64(1) << 62;

}  // namespace

ManagedObjectContext::ManagedObjectContext()
    : thread_(QThread::currentThread()), timerOwner_(std::make_unique<QObject>()) {}

ManagedObjectContext::~ManagedObjectContext() = default;

void ManagedObjectContext::setPersistentStoreCoordinator(PersistentStoreCoordinator* coordinator) {
    coordinator_ = coordinator;
}

bool ManagedObjectContext::onOwnThread(StoreError* error) const {
    if (QThread::currentThread() == thread_) {
        return true;
    }
    MYLOG(u"ManagedObjectContext used off its thread; refused"_s);
    if (error) {
        *error = StoreError::make(StoreError::WrongThread,
                                  u"The store context was used off its thread"_s);
    }
    return false;
}

Game* ManagedObjectContext::insertNewGame() {
    if (!onOwnThread(nullptr)) {
        return nullptr;
    }
    auto game = std::unique_ptr<Game>(new Game(this, 0, kUnsavedSequenceBase + insertCount_++));
    Game* raw = game.get();
    raw->inserted_ = true;
    raw->index_ = int(all_.size());
    owned_.push_back(std::move(game));
    all_.push_back(raw);
    inserted_.push_back(raw);
    ++generations_.membership;
    return raw;
}

Game* ManagedObjectContext::insertNewObjectForEntityForName(const QString& entityName,
                                                            ManagedObjectContext* context) {
    if (entityName != ManagedObjectModel::kGameEntityName) {
        MYLOG(u"insertNewObjectForEntityForName: no entity %@"_s, entityName);
        return nullptr;
    }
    if (!context) {
        return nullptr;
    }
    return context->insertNewGame();
}

bool ManagedObjectContext::hasChanges() const {
    return !inserted_.empty() || !changed_.empty();
}

void ManagedObjectContext::gameDidChange(Game* game, GameAttribute attribute) {
    ++generations_.attributes[int(attribute)];
    index_.didChange(game, attribute);
    if (game->inserted_) {
        return;  // written whole by the INSERT
    }
    game->changedAttributes_ |= 1u << int(attribute);
    if (!game->changed_) {
        game->changed_ = true;
        changed_.push_back(game);
    }
}

bool ManagedObjectContext::ensureLoaded(StoreError* error) {
    if (loaded_) {
        return true;
    }
    if (!coordinator_ || !coordinator_->hasStore()) {
        if (error) {
            *error = StoreError::make(StoreError::NoStore, u"The context has no store"_s);
        }
        return false;
    }
    QHash<qint64, Game*> held;
    for (Game* game : all_) {
        if (game->primaryKey_ != 0) {
            held.insert(game->primaryKey_, game);
        }
    }
    std::vector<std::unique_ptr<Game>> loaded;
    const bool ok = GameTable::loadAll(
        *coordinator_->connection(),
        [&](qint64 primaryKey) -> Game* {
            if (held.contains(primaryKey)) {
                return nullptr;
            }
            loaded.push_back(std::unique_ptr<Game>(new Game(this, primaryKey, primaryKey)));
            return loaded.back().get();
        },
        error);
    if (!ok) {
        return false;  // nothing was handed out; the next call tries again
    }
    std::vector<Game*> all;
    all.reserve(loaded.size() + all_.size());
    for (std::unique_ptr<Game>& game : loaded) {
        all.push_back(game.get());
        owned_.push_back(std::move(game));
    }
    all.insert(all.end(), all_.begin(), all_.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const Game* a, const Game* b) { return a->sequence_ < b->sequence_; });
    for (size_t i = 0; i < all.size(); ++i) {
        all[i]->index_ = int(i);
    }
    all_ = std::move(all);
    loaded_ = true;
    ++generations_.membership;
    warmedUpTo_ = 0;
    if (QCoreApplication::instance()) {
        QTimer::singleShot(0, timerOwner_.get(), [this] { warmUpSearchText(); });
    }
    return true;
}

std::optional<std::span<Game* const>> ManagedObjectContext::indexedCandidates(
    const Predicate& predicate) {
    const std::optional<std::pair<GameAttribute, QString>> term =
        predicate.requiredStringEquality();
    if (!term || !GameIndex::isIndexed(term->first)) {
        return std::nullopt;
    }
    return index_.candidates(all_, term->first, term->second);
}

void ManagedObjectContext::warmUpSearchText() {
    const size_t end = std::min(all_.size(), warmedUpTo_ + size_t(kWarmUpSlice));
    for (; warmedUpTo_ < end; ++warmedUpTo_) {
        all_[warmedUpTo_]->searchText();
    }
    if (warmedUpTo_ < all_.size()) {
        QTimer::singleShot(0, timerOwner_.get(), [this] { warmUpSearchText(); });
    }
}

bool ManagedObjectContext::save(StoreError* error) {
    if (!onOwnThread(error)) {
        return false;
    }
    if (!hasChanges()) {
        return true;
    }
    // Loading first keeps every stored row mapped to one object once row ids are handed out.
    if (!ensureLoaded(error)) {
        return false;
    }
    bool ok = false;
    {
        SqliteConnection& connection = *coordinator_->connection();
        std::optional<SqliteBulkWrite> bulk;
        // Only new rows gain: changed rows are written twice through either.
        if (inserted_.size() >= kBulkWriteRows && changed_.size() < inserted_.size() / 10) {
            bulk.emplace(connection);
        }
        SqliteTransaction transaction(connection);
        bool failed = !transaction.isActive();  // the transaction's own statement failed
        if (!failed) {
            GameTable::Writer writer(connection);
            ok = std::all_of(inserted_.begin(), inserted_.end(),
                             [&](Game* game) { return writer.insert(game, error); }) &&
                 std::all_of(changed_.begin(), changed_.end(),
                             [&](Game* game) { return writer.update(game, error); });
            if (ok && !transaction.commit()) {
                ok = false;
                failed = true;
            }
        }
        if (failed && error) {
            *error = StoreError::statementFailed(StoreError::SaveFailed, transaction.statement(),
                                                 connection);
        }
    }
    if (!ok) {
        for (Game* game : inserted_) {
            game->primaryKey_ = 0;  // the rows are gone with the rollback
        }
        if (error) {
            error->code = StoreError::SaveFailed;
        }
        return false;
    }
    for (Game* game : inserted_) {
        game->inserted_ = false;
    }
    for (Game* game : changed_) {
        game->changed_ = false;
        game->changedAttributes_ = 0;
    }
    inserted_.clear();
    changed_.clear();
    return true;
}

bool ManagedObjectContext::checkRequest(const FetchRequest& request,
                                        std::vector<GameSorter::Key>* keys,
                                        StoreError* error) const {
    const auto invalid = [&](const QString& message) {
        if (error) {
            *error = StoreError::make(StoreError::InvalidRequest, message,
                                      {{u"request"_s, request.description()}});
        }
        return false;
    };
    if (request.entityName() != ManagedObjectModel::kGameEntityName) {
        return invalid(u"No entity named \"%1\""_s.arg(request.entityName()));
    }
    if (request.predicate() && !request.predicate()->isValid()) {
        return invalid(u"Invalid predicate: %1"_s.arg(request.predicate()->errorString()));
    }
    for (const SortDescriptor& sort : request.sortDescriptors()) {
        const std::optional<GameAttribute> attribute = GameAttributes::named(sort.key());
        if (!attribute) {
            return invalid(u"No sort key named \"%1\""_s.arg(sort.key()));
        }
        if (keys) {
            keys->push_back({*attribute, sort.ascending()});
        }
    }
    return true;
}

std::optional<QList<Game*>> ManagedObjectContext::executeFetchRequest(const FetchRequest& request,
                                                                      StoreError* error) {
    std::vector<GameSorter::Key> keys;
    if (!onOwnThread(error) || !checkRequest(request, &keys, error) || !ensureLoaded(error)) {
        return std::nullopt;
    }
    const size_t count = all_.size();
    QList<Game*> result;
    if (!request.predicate()) {
        if (keys.empty()) {
            return QList<Game*>(all_.begin(), all_.end());
        }
        result.reserve(qsizetype(count));
        for (quint32 position : sorter_.sorted(all_, keys, generations_)) {
            result.append(all_[position]);
        }
        return result;
    }
    const Predicate& predicate = *request.predicate();
    if (const std::optional<std::span<Game* const>> candidates = indexedCandidates(predicate)) {
        std::vector<Game*> found;
        std::copy_if(candidates->begin(), candidates->end(), std::back_inserter(found),
                     [&](const Game* game) { return predicate.evaluateWithObject(game); });
        GameSorter::sortFew(found, keys);
        return QList<Game*>(found.begin(), found.end());
    }
    // Filter in memory order, which the prefetcher follows, then walk the sorted positions.
    std::vector<quint8> matches(count);
    qsizetype matched = 0;
    for (size_t i = 0; i < count; ++i) {
        // Records and their folded texts are reached through pointers; asking for them a few
        // records ahead hides most of the memory latency of a search over every record.
        if (i + 8 < count) {
            __builtin_prefetch(all_[i + 8]);
        }
        if (i + 4 < count) {
            all_[i + 4]->prefetchSearchText();
        }
        matches[i] = predicate.evaluateWithObject(all_[i]) ? 1 : 0;
        matched += matches[i];
    }
    result.reserve(matched);
    if (keys.empty()) {
        for (size_t i = 0; i < count; ++i) {
            if (matches[i]) {
                result.append(all_[i]);
            }
        }
        return result;
    }
    for (quint32 position : sorter_.sorted(all_, keys, generations_)) {
        if (matches[position]) {
            result.append(all_[position]);
        }
    }
    return result;
}

int ManagedObjectContext::countForFetchRequest(const FetchRequest& request, StoreError* error) {
    if (!onOwnThread(error) || !checkRequest(request, nullptr, error) || !ensureLoaded(error)) {
        return -1;
    }
    if (!request.predicate()) {
        return int(all_.size());
    }
    const Predicate& predicate = *request.predicate();
    if (const std::optional<std::span<Game* const>> candidates = indexedCandidates(predicate)) {
        return int(std::count_if(candidates->begin(), candidates->end(), [&](const Game* game) {
            return predicate.evaluateWithObject(game);
        }));
    }
    return int(std::count_if(all_.begin(), all_.end(),
                             [&](const Game* game) { return predicate.evaluateWithObject(game); }));
}
