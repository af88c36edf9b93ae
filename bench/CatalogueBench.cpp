// Installing a catalogue file and applying an update, on files made by the catalogue
// generator. Each figure runs beside a baseline measured in the same run; "vs_baseline" is our
// time divided by the baseline's.
//
// Install (1k, 10k, 100k rows): UpdateController::addGamesToEntityFromUpdateFileReturnReportYMD
// with attemptUpdates false on a freshly opened empty store: parse, clean, insert, save.
// Baseline: the sqlite3 shell (/usr/bin/sqlite3) importing the same raw rows as CSV into an
// empty WAL-mode table with the same 19 catalogue columns:
//     sqlite3 FILE ".mode csv" ".import rows.csv Game"
// timed from process start to exit, so it includes starting the shell and opening the file; the
// CSV is written once beforehand. The shell neither cleans text nor parses dates, so it is the
// floor for getting those rows onto disk.
//
// Update (10k rows, half known ids, half new) applied by id to a store of 100k games that is
// already open and loaded, as it is when the day's update arrives. Baseline: the same 10k rows
// installed into an empty store. Goal: vs_baseline at most 2.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "BaselineTiming.h"
#include "CatalogueGenerator.h"
#include "GameAttribute.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SqliteConnection.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSqliteShell = u"/usr/bin/sqlite3"_s;
constexpr int kStoreGames = 100000;
constexpr int kUpdateRows = 10000;

struct Store {
    explicit Store(const QString& path)
        : model(ManagedObjectModel::mergedModelFromBundles()), coordinator(model.get()) {
        coordinator.addPersistentStoreWithType(path, nullptr);
        context.setPersistentStoreCoordinator(&coordinator);
        controller = std::make_unique<UpdateController>(&context, model.get());
    }
    std::shared_ptr<ManagedObjectModel> model;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    std::unique_ptr<UpdateController> controller;
};

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

QString freshPath(const QString& stem) {
    static int counter = 0;
    return benchDir().filePath(u"%1-%2.sqlite"_s.arg(stem).arg(++counter));
}

void removeDatabase(const QString& path) {
    for (const QString& suffix : {u""_s, u"-wal"_s, u"-shm"_s, u"-journal"_s}) {
        QFile::remove(path + suffix);
    }
}

CatalogueGenerator::Options catalogueOptions(int games, quint32 seed, int firstIndex) {
    CatalogueGenerator::Options options;
    options.platform = u"wii"_s;
    options.games = games;
    options.seed = seed;
    options.firstIndex = firstIndex;
    return options;
}

// The install input per size, made once.
const QList<QStringList>& installRows(int games) {
    static std::map<int, QList<QStringList>> made;
    auto it = made.find(games);
    if (it == made.end()) {
        it = made.emplace(games, CatalogueGenerator::rows(catalogueOptions(games, 2026, 0))).first;
    }
    return it->second;
}

const QString& installText(int games) {
    static std::map<int, QString> made;
    auto it = made.find(games);
    if (it == made.end()) {
        it = made.emplace(games,
                          CatalogueGenerator::catalogueText(QDate(2026, 11, 1), installRows(games)))
                 .first;
    }
    return it->second;
}

// Indices from kStoreGames - kUpdateRows / 2 on: the first half is in the 100k store, the
// second half is new; another seed gives the known games new details.
const QString& updateText() {
    static const QString text = CatalogueGenerator::catalogueText(
        catalogueOptions(kUpdateRows, 2027, kStoreGames - kUpdateRows / 2));
    return text;
}

// The raw rows as CSV, written once per size. No field holds a double quote, but quoting
// them all keeps commas inside fields apart.
QString csvFile(int games) {
    static std::map<int, QString> made;
    auto it = made.find(games);
    if (it != made.end()) {
        return it->second;
    }
    const QString path = benchDir().filePath(u"rows-%1.csv"_s.arg(games));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (const QStringList& fields : installRows(games)) {
        QStringList quoted;
        for (const QString& field : fields) {
            quoted.append(u"\""_s + QString(field).replace(u"\""_s, u"\"\""_s) + u"\""_s);
        }
        file.write((quoted.join(u',') + u'\n').toUtf8());
    }
    made.emplace(games, path);
    return path;
}

// An empty WAL-mode file with a Game table of the store's 19 catalogue columns and types.
void createBaselineTable(const QString& path) {
    QStringList columns;
    for (const GameAttributeInfo& info : GameAttributes::all().mid(0, 19)) {
        static const char* const kTypes[] = {"TEXT", "REAL", "INTEGER", "INTEGER"};
        columns.append(u"\""_s + info.columnName + u"\" "_s +
                       QString::fromLatin1(kTypes[int(info.type)]));
    }
    SqliteConnection db(path);
    db.exec(u"PRAGMA journal_mode=WAL"_s);
    db.exec(u"CREATE TABLE Game ("_s + columns.join(u", "_s) + u")"_s);
}

int baselineRowCount(const QString& path) {
    const QVariant count = SqliteConnection(path).execAndGet(u"SELECT count(*) FROM Game"_s);
    return count.isValid() ? count.toInt() : -1;
}

// The 100k store, installed once and kept closed; each update works on a copy.
QString bigStoreFile() {
    static QString path;
    if (path.isEmpty()) {
        path = benchDir().filePath(u"store-%1.sqlite"_s.arg(kStoreGames));
        Store store(path);
        store.controller->addGamesToEntityFromUpdateFileReturnReportYMD(installText(kStoreGames),
                                                                        false);
    }
    return path;
}

// ---- Timing beside the baseline ---------------------------------------------------------------

std::string keyOf(const char* name, int games) {
    return std::string(name) + "/" + std::to_string(games);
}

// ---- Benchmarks -------------------------------------------------------------------------------

void Install_Baseline(benchmark::State& state) {
    const int games = int(state.range(0));
    const QString csv = csvFile(games);
    double total = 0;
    for (auto _ : state) {
        const QString path = freshPath(u"baseline"_s);
        createBaselineTable(path);
        QProcess shell;
        const auto start = std::chrono::steady_clock::now();
        shell.start(kSqliteShell, {path, u".mode csv"_s, u".import '%1' Game"_s.arg(csv)});
        const bool finished = shell.waitForFinished(-1);
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        if (!finished || shell.exitCode() != 0 || baselineRowCount(path) != games) {
            state.SkipWithError("the sqlite3 shell did not import every row");
        }
        removeDatabase(path);
    }
    report(state, keyOf("Install", games), total, true);
}

// Installs `text` into a freshly opened empty store; answers the seconds spent applying it.
double installInto(benchmark::State& state, const QString& text, int expected) {
    const QString path = freshPath(u"install"_s);
    double elapsed = 0;
    {
        Store store(path);
        const auto start = std::chrono::steady_clock::now();
        store.controller->addGamesToEntityFromUpdateFileReturnReportYMD(text, false);
        elapsed = seconds(start);
        if (store.controller->getGameCountFromEntity() != expected) {
            state.SkipWithError("not every row was installed");
        }
    }
    removeDatabase(path);
    return elapsed;
}

void Install(benchmark::State& state) {
    const int games = int(state.range(0));
    const QString& text = installText(games);
    double total = 0;
    for (auto _ : state) {
        const double elapsed = installInto(state, text, games);
        state.SetIterationTime(elapsed);
        total += elapsed;
    }
    report(state, keyOf("Install", games), total, false);
}

void Update_Baseline(benchmark::State& state) {
    double total = 0;
    for (auto _ : state) {
        const double elapsed = installInto(state, updateText(), kUpdateRows);
        state.SetIterationTime(elapsed);
        total += elapsed;
    }
    report(state, keyOf("Update", kStoreGames), total, true);
}

void Update(benchmark::State& state) {
    const QString source = bigStoreFile();
    double total = 0;
    for (auto _ : state) {
        const QString path = freshPath(u"update"_s);
        for (const QString& suffix : {u""_s, u"-wal"_s}) {
            QFile::copy(source + suffix, path + suffix);
        }
        double elapsed = 0;
        {
            Store store(path);
            // Loaded before the update arrives, as the list's first fetch leaves it.
            store.controller->getGameCountFromEntity();
            const auto start = std::chrono::steady_clock::now();
            store.controller->addGamesToEntityFromUpdateFileReturnReportYMD(updateText(), true);
            elapsed = seconds(start);
            if (store.controller->getGameCountFromEntity() != kStoreGames + kUpdateRows / 2) {
                state.SkipWithError("the update lost or duplicated games");
            }
        }
        removeDatabase(path);
        state.SetIterationTime(elapsed);
        total += elapsed;
    }
    state.counters["rows"] = kUpdateRows;
    report(state, keyOf("Update", kStoreGames), total, false);
}

void registerAll() {
    // Few iterations at the large sizes: one 100k install takes seconds.
    const std::map<int, int> iterations{{1000, 20}, {10000, 5}, {100000, 2}};
    for (const auto& [games, count] : iterations) {
        registerTimed("Install_Baseline", Install_Baseline, benchmark::kMillisecond, count)
            ->Arg(games);
        registerTimed("Install", Install, benchmark::kMillisecond, count)->Arg(games);
    }
    registerTimed("Update_Baseline", Update_Baseline, benchmark::kMillisecond, 3);
    registerTimed("Update", Update, benchmark::kMillisecond, 3);
}

}  // namespace

int main(int argc, char** argv) {
    // The store schedules idle work on the event loop; nothing here waits for it.
    QCoreApplication app(argc, argv);
    if (!QFile::exists(kSqliteShell)) {
        std::fprintf(stderr, "The baseline needs the sqlite3 shell (Debian package sqlite3).\n");
        return 1;
    }
    runBenchmarks(argc, argv, registerAll);
    return 0;
}
