// The store at 1k, 10k and 100k games: opening with every record loaded, each refetch the list
// can ask for, and saving 10k changed records. Every figure runs beside a baseline measured in
// the same run: the same query as plain SQL through the SQLite C API over the same file. The
// "vs_baseline" counter is our time divided by the baseline's.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <QDateTime>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchStore.h"
#include "FetchRequest.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SqliteStatement.h"
#include "SqliteTransaction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace bench;

// ---- Queries, as the query builder writes them ------------------------------------------------

struct Query {
    const char* name;
    std::optional<Predicate> (*predicate)();
    QList<SortDescriptor> sorts;
    const char* sql;  // the same query for the baseline
    std::vector<QVariant> sqlArguments;
};

QList<SortDescriptor> byDate() {
    return {SortDescriptor(u"releaseDate"_s, false), SortDescriptor(u"title"_s, true)};
}
QList<SortDescriptor> byScore() {
    return {SortDescriptor(u"scoreDisplay"_s, false), SortDescriptor(u"releaseDate"_s, false),
            SortDescriptor(u"title"_s, true)};
}

const QString kSearch = u"shadow"_s;  // a title word, so the LIKE baseline finds the same rows
// Every byte pair of this needle is frequent, so few records are ruled out before a full scan.
const QString kSearchFrequentPairs = u"a the"_s;

std::optional<Predicate> searchPredicate(const QString& text) {
    return Predicate::predicateWithFormat(
        u"(title contains[cd] %@) OR (gameDescription contains[cd] %@) OR "
        u"(genreDescription contains[cd] %@)"_s,
        {text, text, text});
}

std::vector<Query> queries() {
    const QDateTime windowStart = benchNow().addDays(-365);
    return {
        {"Genre",
         [] {
             return std::optional(
                 Predicate::predicateWithFormat(u"(genreCode == %@)"_s, {u"RPG"_s}));
         },
         byDate(),
         "SELECT rowid FROM Game WHERE genreCode = ?1 ORDER BY releaseDate DESC, title ASC",
         {u"RPG"_s}},
        {"Score",
         [] { return std::optional(Predicate::predicateWithFormat(u"(scoreCritic >= 4)"_s)); },
         byDate(),
         "SELECT rowid FROM Game WHERE scoreCritic >= 4 ORDER BY releaseDate DESC, title ASC",
         {}},
        {"ReleaseWindow",
         [] {
             return std::optional(
                 Predicate::predicateWithFormat(u"(releaseDate > %@ AND releaseDate <= %@)"_s,
                                                {benchNow().addDays(-365), benchNow()}));
         },
         byDate(),
         "SELECT rowid FROM Game WHERE releaseDate > ?1 AND releaseDate <= ?2 "
         "ORDER BY releaseDate DESC, title ASC",
         {windowStart.toMSecsSinceEpoch(), benchNow().toMSecsSinceEpoch()}},
        // The catalogue's lookup of one game per row it applies.
        {"LookupById",
         [] {
             return std::optional(
                 Predicate::predicateWithFormat(u"(idCriticon == %@)"_s, {u"100500"_s}));
         },
         byDate(),
         "SELECT rowid FROM Game WHERE idCriticon = ?1 ORDER BY releaseDate DESC, title ASC",
         {u"100500"_s}},
        {"MyFilter",
         [] { return std::optional(Predicate::predicateWithFormat(u"(myIsWished == 1)"_s)); },
         byDate(),
         "SELECT rowid FROM Game WHERE myIsWished = 1 ORDER BY releaseDate DESC, title ASC",
         {}},
        {"SortByScore",
         [] { return std::optional<Predicate>(); },
         byScore(),
         "SELECT rowid FROM Game ORDER BY scoreDisplay DESC, releaseDate DESC, title ASC",
         {}},
        {"SortByDate",
         [] { return std::optional<Predicate>(); },
         byDate(),
         "SELECT rowid FROM Game ORDER BY releaseDate DESC, title ASC",
         {}},
        {"Search",
         [] { return searchPredicate(kSearch); },
         byDate(),
         "SELECT rowid FROM Game WHERE title LIKE ?1 OR gameDescription LIKE ?1 OR "
         "genreDescription LIKE ?1 ORDER BY releaseDate DESC, title ASC",
         {u"%shadow%"_s}},
        {"SearchFrequentPairs",
         [] { return searchPredicate(kSearchFrequentPairs); },
         byDate(),
         "SELECT rowid FROM Game WHERE title LIKE ?1 OR gameDescription LIKE ?1 OR "
         "genreDescription LIKE ?1 ORDER BY releaseDate DESC, title ASC",
         {u"%a the%"_s}},
    };
}

FetchRequest requestFor(const Query& query) {
    FetchRequest request;
    request.setEntityName(u"Game"_s);
    request.setPredicate(query.predicate());
    request.setSortDescriptors(query.sorts);
    request.setFetchBatchSize(20);
    return request;
}

// ---- Timing beside the baseline ---------------------------------------------------------------

std::map<std::string, double>& baselineSeconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

class Stopwatch {
public:
    void start() { begin_ = std::chrono::steady_clock::now(); }
    void stop() {
        total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    }
    double total() const { return total_; }

private:
    std::chrono::steady_clock::time_point begin_;
    double total_ = 0;
};

void reportBaseline(benchmark::State& state, const std::string& key, const Stopwatch& watch) {
    if (state.iterations() > 0) {
        baselineSeconds()[key] = watch.total() / double(state.iterations());
    }
}

void reportVersusBaseline(benchmark::State& state, const std::string& key, const Stopwatch& watch) {
    const auto it = baselineSeconds().find(key);
    if (it != baselineSeconds().end() && state.iterations() > 0 && it->second > 0) {
        state.counters["vs_baseline"] = (watch.total() / double(state.iterations())) / it->second;
    }
}

std::string keyOf(const char* name, int games) {
    return std::string(name) + "/" + std::to_string(games);
}

// ---- Benchmarks -------------------------------------------------------------------------------

void OpenAndLoad(benchmark::State& state) {
    const int games = int(state.range(0));
    const QString path = storeFile(games);
    FetchRequest all;
    all.setEntityName(u"Game"_s);
    Stopwatch watch;
    for (auto _ : state) {
        watch.start();
        auto store = std::make_unique<Store>(path);
        const int count = store->context.countForFetchRequest(all, nullptr);
        watch.stop();
        if (count != games) {
            state.SkipWithError("wrong count");
        }
        state.PauseTiming();  // closing is not part of opening
        store.reset();
        state.ResumeTiming();
    }
    reportVersusBaseline(state, keyOf("OpenAndLoad", games), watch);
}

// Opens the file and steps through every row, reading every column: no objects are built.
void OpenAndLoad_Baseline(benchmark::State& state) {
    const int games = int(state.range(0));
    const QString path = storeFile(games);
    Stopwatch watch;
    for (auto _ : state) {
        watch.start();
        SqliteConnection db(path, SqliteConnection::ReadWrite);
        int rows = 0;
        size_t bytes = 0;
        {
            SqliteStatement select(db, u"SELECT * FROM Game ORDER BY rowid"_s);
            const int columns = select.columnCount();
            while (select.step() == SqliteStatement::Step::Row) {
                for (int c = 0; c < columns; ++c) {
                    int size = 0;
                    benchmark::DoNotOptimize(select.columnUtf8(c, &size));
                    bytes += size_t(size);
                }
                ++rows;
            }
        }
        watch.stop();
        benchmark::DoNotOptimize(bytes);
        if (rows != games) {
            state.SkipWithError("wrong count");
        }
    }
    reportBaseline(state, keyOf("OpenAndLoad", games), watch);
}

void Refetch(benchmark::State& state, Query query) {
    const int games = int(state.range(0));
    Store& store = loadedStore(games);
    const FetchRequest request = requestFor(query);
    Stopwatch watch;
    size_t found = 0;
    for (auto _ : state) {
        watch.start();
        const auto result = store.context.executeFetchRequest(request, nullptr);
        watch.stop();
        found = result ? size_t(result->size()) : 0;
    }
    state.counters["rows"] = double(found);
    reportVersusBaseline(state, keyOf(query.name, games), watch);
}

// The refetch after the user rates a game: the kept order is stale and is sorted again.
void RefetchAfterRating(benchmark::State& state, Query query) {
    const int games = int(state.range(0));
    Store& store = loadedStore(games);
    const FetchRequest request = requestFor(query);
    FetchRequest all;
    all.setEntityName(u"Game"_s);
    const QList<Game*> records = *store.context.executeFetchRequest(all, nullptr);
    Stopwatch watch;
    int i = 0;
    for (auto _ : state) {
        Game* rated = records[(i++ * 7919) % records.size()];
        rated->setScoreDisplay(float(i % 11) / 2.0f);
        watch.start();
        const auto result = store.context.executeFetchRequest(request, nullptr);
        watch.stop();
        benchmark::DoNotOptimize(result);
    }
    store.context.save(nullptr);
    reportVersusBaseline(state, keyOf(query.name, games), watch);
}

// The first search after opening. Cold: straight after loading, when every searched text is
// still to be folded. After start-up: as a user who starts typing a moment after launch sees
// it, once the list has run its first fetch and the idle warm-up after loading has finished.
void FirstSearch(benchmark::State& state, Query query, bool afterStartUp) {
    const int games = int(state.range(0));
    const QString path = storeFile(games);
    const FetchRequest request = requestFor(query);
    FetchRequest list = request;  // the list's start-up fetch: the same order, no condition
    list.setPredicate(std::nullopt);
    Stopwatch watch;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<Store>(path);
        store->context.executeFetchRequest(list, nullptr);
        while (afterStartUp && !store->context.isSearchTextWarm()) {
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();
        watch.start();
        benchmark::DoNotOptimize(store->context.executeFetchRequest(request, nullptr));
        watch.stop();
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    reportVersusBaseline(state, keyOf(query.name, games), watch);
}

void FirstSearchAfterLoad(benchmark::State& state, Query query) {
    FirstSearch(state, query, false);
}

void FirstSearchAfterWarmUp(benchmark::State& state, Query query) {
    FirstSearch(state, query, true);
}

void Refetch_Baseline(benchmark::State& state, Query query) {
    const int games = int(state.range(0));
    SqliteStatement statement(baselineDatabase(games), QString::fromUtf8(query.sql));
    for (size_t i = 0; i < query.sqlArguments.size(); ++i) {
        const QVariant& argument = query.sqlArguments[i];
        if (argument.typeId() == QMetaType::QString) {
            statement.bindText(int(i + 1), argument.toString());
        } else {
            statement.bindInt64(int(i + 1), argument.toLongLong());
        }
    }
    Stopwatch watch;
    std::vector<qint64> ids;
    for (auto _ : state) {
        watch.start();
        ids.clear();
        while (statement.step() == SqliteStatement::Step::Row) {
            ids.push_back(statement.columnInt64(0));
        }
        statement.reset();
        watch.stop();
    }
    state.counters["rows"] = double(ids.size());
    reportBaseline(state, keyOf(query.name, games), watch);
}

constexpr int kChanged = 10000;

void SaveChanged(benchmark::State& state) {
    const int games = int(state.range(0));
    Store& store = loadedStore(games);
    FetchRequest all;
    all.setEntityName(u"Game"_s);
    const QList<Game*> records = *store.context.executeFetchRequest(all, nullptr);
    const int changed = std::min<int>(kChanged, int(records.size()));
    Stopwatch watch;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (int i = 0; i < changed; ++i) {
            records[i]->setMyScore(float((i + round) % 10) / 2.0f);
        }
        state.ResumeTiming();
        watch.start();
        if (!store.context.save(nullptr)) {
            state.SkipWithError("save failed");
        }
        watch.stop();
    }
    state.counters["records"] = changed;
    reportVersusBaseline(state, keyOf("SaveChanged", games), watch);
}

// One transaction of prepared UPDATEs of the changed column only.
void SaveChanged_Baseline(benchmark::State& state) {
    const int games = int(state.range(0));
    SqliteConnection& db = baselineDatabase(games);
    const int changed = std::min(kChanged, games);
    Stopwatch watch;
    int round = 0;
    for (auto _ : state) {
        ++round;
        watch.start();
        SqliteTransaction transaction(db);
        SqliteStatement statement(db, u"UPDATE Game SET myScore = ?1 WHERE rowid = ?2"_s);
        for (int i = 0; i < changed; ++i) {
            statement.bindDouble(1, double((i + round) % 10) / 2.0);
            statement.bindInt64(2, i + 1);
            statement.run();
        }
        transaction.commit();
        watch.stop();
    }
    reportBaseline(state, keyOf("SaveChanged", games), watch);
}

void registerAll() {
    const std::vector<int> sizes{1000, 10000, 100000};
    const auto sized = [&](benchmark::internal::Benchmark* benchmark) {
        for (int size : sizes) {
            benchmark->Arg(size);
        }
        benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    sized(benchmark::RegisterBenchmark("OpenAndLoad_Baseline", OpenAndLoad_Baseline));
    sized(benchmark::RegisterBenchmark("OpenAndLoad", OpenAndLoad));
    for (const Query& query : queries()) {
        const std::string name = query.name;
        sized(benchmark::RegisterBenchmark((name + "_Baseline").c_str(), Refetch_Baseline, query));
        sized(benchmark::RegisterBenchmark(name.c_str(), Refetch, query));
        if (name == "SortByScore") {
            sized(
                benchmark::RegisterBenchmark("SortByScoreAfterRating", RefetchAfterRating, query));
        }
        if (name == "Search") {
            sized(benchmark::RegisterBenchmark("SearchFirstAfterLoad", FirstSearchAfterLoad, query)
                      ->Iterations(5));
            sized(benchmark::RegisterBenchmark("SearchFirstAfterWarmUp", FirstSearchAfterWarmUp,
                                               query)
                      ->Iterations(5));
        }
    }
    sized(benchmark::RegisterBenchmark("SaveChanged_Baseline", SaveChanged_Baseline));
    sized(benchmark::RegisterBenchmark("SaveChanged", SaveChanged));
}

}  // namespace

int main(int argc, char** argv) {
    // An event loop for the store's idle work; nothing else in here needs one.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
