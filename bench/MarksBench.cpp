// Exporting and importing the marks of 100k marked games, each beside Qt's JSON classes alone
// doing the same file work. "vs_baseline" is our time divided by the baseline's; goal: under 1 s
// each, whatever the ratio.
//
// Export: MarksKeeper::exportToFile from a loaded store (collect the marked games, write the
// JSON, save atomically). Baseline: the same 100k entries, already in memory, built into a
// QJsonDocument and written to a file.
// Import: MarksKeeper::importFromFile into a loaded store of the same 100k games whose marks all
// differ from the file's, so every game changes: the backup of the marks held, the read and
// check of the file, the merge and its one save. Baseline: the same file read and parsed by
// QJsonDocument into plain entries.
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "BaselineTiming.h"
#include "FetchRequest.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "MarksKeeper.h"
#include "PersistentStoreCoordinator.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kGames = 100000;

QTemporaryDir& benchDir() {
    static QTemporaryDir dir;
    return dir;
}

QString exportPath() {
    return benchDir().filePath(u"lists.json"_s);
}

// A loaded store of kGames games "Game <i>" with ids "<i>"; every one marked.
struct Store {
    Store() : model(ManagedObjectModel::mergedModelFromBundles()), coordinator(model.get()) {
        coordinator.addPersistentStoreWithType(benchDir().filePath(u"store.sqlite"_s), nullptr);
        context.setPersistentStoreCoordinator(&coordinator);
        for (int i = 0; i < kGames; ++i) {
            Game* game = context.insertNewGame();
            game->setTitle(u"Game %1 of the \"bench\""_s.arg(i));
            game->setIdCriticon(QString::number(10'000'000 + i));
            game->setScoreCritic(7.0f);
            games.append(game);
        }
        markAll(0);
    }
    // Gives every game marks that differ with `round`, and saves.
    void markAll(int round) {
        for (int i = 0; i < kGames; ++i) {
            const float score = float((i + round) % 10 + 1) * 0.5f;
            games[i]->setMyScore(score);
            games[i]->setScoreDisplay(score);
            games[i]->setMyIsWished((i + round) % 2);
            games[i]->setMyIsPlayed((i + round) % 3 == 0);
        }
        context.save(nullptr);
    }
    std::shared_ptr<ManagedObjectModel> model;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    QList<Game*> games;
};

Store& store() {
    static Store store;
    return store;
}

void Export_Baseline(benchmark::State& state) {
    const std::optional<MarksFile> marks = MarksKeeper(&store().context).currentMarks(nullptr);
    const QString path = benchDir().filePath(u"baseline.json"_s);
    timeEachIteration(state, "export", true, "not written", [&] {
        QJsonArray games;
        for (const MarksFile::Entry& entry : marks->games) {
            games.append(QJsonObject{{u"id"_s, entry.id},
                                     {u"title"_s, entry.title},
                                     {u"myScore"_s, double(*entry.myScore)},
                                     {u"wished"_s, entry.wished},
                                     {u"played"_s, entry.played}});
        }
        QFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(
                   QJsonDocument(QJsonObject{{u"platform"_s, marks->platform}, {u"games"_s, games}})
                       .toJson(QJsonDocument::Compact)) > 0;
    });
}

void Export(benchmark::State& state) {
    MarksKeeper keeper(&store().context);
    timeEachIteration(state, "export", false, "export failed", [&] {
        return keeper.exportToFile(exportPath()).outcome == MarksKeeper::Outcome::Done;
    });
    state.counters["games"] = kGames;
}

void Import_Baseline(benchmark::State& state) {
    timeEachIteration(state, "import", true, "not read", [&] {
        QFile file(exportPath());
        if (!file.open(QIODevice::ReadOnly)) {
            return false;
        }
        QList<MarksFile::Entry> entries;
        for (const QJsonValue& value :
             QJsonDocument::fromJson(file.readAll()).object().value(u"games"_s).toArray()) {
            const QJsonObject game = value.toObject();
            entries.append({game.value(u"id"_s).toString(), game.value(u"title"_s).toString(),
                            float(game.value(u"myScore"_s).toDouble()),
                            game.value(u"wished"_s).toBool(), game.value(u"played"_s).toBool()});
        }
        return entries.size() == kGames;
    });
}

void Import(benchmark::State& state) {
    MarksKeeper keeper(&store().context);
    double total = 0;
    int round = 0;
    for (auto _ : state) {
        store().markAll(++round);
        const auto start = std::chrono::steady_clock::now();
        const MarksKeeper::Result result = keeper.importFromFile(exportPath());
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        if (result.outcome != MarksKeeper::Outcome::Done || result.games != kGames) {
            state.SkipWithError(qPrintable(result.message));
        }
    }
    state.counters["games"] = kGames;
    report(state, "import", total, false);
}

void registerAll() {
    registerTimed("Export_Baseline", Export_Baseline, benchmark::kMillisecond, 5);
    registerTimed("Export", Export, benchmark::kMillisecond, 5);
    registerTimed("Import_Baseline", Import_Baseline, benchmark::kMillisecond, 5);
    registerTimed("Import", Import, benchmark::kMillisecond, 5);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Backups go to a data home of the run's own.
    qputenv("QUESTLOG_HOME", benchDir().filePath(u"home"_s).toUtf8());
    runBenchmarks(argc, argv, registerAll);
    return 0;
}
