// The list's sectioning and the rows' release phrases, each beside a baseline measured in the
// same run; "vs_baseline" is our time divided by the baseline's.
//
// Sectioning at 10k and 100k fetched games, in date order and in score order (goal: under
// 30 ms at 100k, and linear in the count). Baseline: a plain loop over the same fetched list
// that only reads each game's release date (date order) or its two scores (score order): the
// least any sectioning must do.
//
// Labeling a screenful of eight rows with the shared game labeler (goal: under 1 ms).
// Baseline: parsing the same eight YMD strings to dates, which every label starts with.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "Clock.h"
#include "DateFunctions.h"
#include "FetchedResultsController.h"
#include "Game.h"
#include "GamePeriodLabeler.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"
#include "Sectioner.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime kNow(QDate(2010, 6, 1), QTime(12, 0));

// A store per size: releases over ten years around now, 1 % without a date, critic scores in
// half stars, one game in thirty scored by the user.
struct Catalogue {
    explicit Catalogue(int games)
        : model(ManagedObjectModel::mergedModelFromBundles()), coordinator(model.get()) {
        coordinator.addPersistentStoreWithType(dir.filePath(u"bench.sqlite"_s), nullptr);
        context.setPersistentStoreCoordinator(&coordinator);
        QRandomGenerator random(20100601u + quint32(games));
        for (int i = 0; i < games; ++i) {
            Game* game = context.insertNewGame();
            game->setTitle(u"Game %1"_s.arg(i));
            if (random.bounded(100) != 0) {
                game->setReleaseDate(
                    kNow.date().addDays(1825 - random.bounded(3650)).startOfDay(Qt::LocalTime));
            }
            const float critic = float(random.bounded(11)) / 2.0f;
            game->setScoreCritic(critic);
            const std::optional<float> mine =
                random.bounded(30) == 0 ? std::optional(float(1 + random.bounded(9)) / 2.0f)
                                        : std::nullopt;
            game->setMyScore(mine);
            game->setScoreDisplay(mine ? *mine : critic);
        }
        context.save(nullptr);
    }

    // The list's fetch in the given sort, as the list screen runs it.
    QList<Game*> fetched(int sortType) {
        PullFetchedRequestPullFetchedRequestMaker maker(&context, model.get());
        maker.setSortType(sortType);
        FetchedResultsController results(maker.getFetchRequest(), &context, QString(), u"Root"_s);
        results.performFetch(nullptr);
        return results.fetchedObjects();
    }

    QTemporaryDir dir;
    std::shared_ptr<ManagedObjectModel> model;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
};

Catalogue& catalogue(int games) {
    static std::map<int, std::unique_ptr<Catalogue>> made;
    auto& entry = made[games];
    if (!entry) {
        entry = std::make_unique<Catalogue>(games);
    }
    return *entry;
}

// Seconds per iteration of each baseline, by name.
std::map<std::string, double>& baselines() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// Times the loop body as a whole and records it as a baseline or against one.
template <class Body>
void timed(benchmark::State& state, const std::string& key, bool isBaseline, Body body) {
    const auto begin = std::chrono::steady_clock::now();
    for (auto _ : state) {
        body();
    }
    const double perIteration =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count() /
        double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    if (isBaseline) {
        baselines()[key] = perIteration;
    } else if (auto it = baselines().find(key); it != baselines().end() && it->second > 0) {
        state.counters["vs_baseline"] = perIteration / it->second;
    }
}

std::string keyOf(int sortType, int games) {
    return (sortType == 1 ? "ByDate/" : "ByScore/") + std::to_string(games);
}

void Sectioning(benchmark::State& state, int sortType) {
    const int games = int(state.range(0));
    const QList<Game*> fetched = catalogue(games).fetched(sortType);
    PullFetchedRequestPullFetchedRequestMaker maker(nullptr, nullptr);
    maker.setSortType(sortType);
    auto sections = std::make_shared<Sectioner::SectionArray>();
    auto sectioner = Sectioner::sectionerWithSectionArray(sections, &maker);
    timed(state, keyOf(sortType, games), false, [&] {
        sections->clear();
        benchmark::DoNotOptimize(sectioner->setSectionArrayWitResults(fetched));
    });
    state.counters["sections"] = double(sections->size());
}

void Sectioning_Baseline(benchmark::State& state, int sortType) {
    const int games = int(state.range(0));
    const QList<Game*> fetched = catalogue(games).fetched(sortType);
    timed(state, keyOf(sortType, games), true, [&] {
        qint64 sum = 0;
        for (const Game* game : fetched) {
            if (sortType == 1) {
                sum += game->dateMsecs(GameAttribute::releaseDate).value_or(0);
            } else {
                sum += qint64(game->myScore().value_or(0.0f) + game->scoreCritic().value_or(0.0f));
            }
        }
        benchmark::DoNotOptimize(sum);
    });
}

// A screenful of rows: releases from two years back to a year ahead.
QStringList screenful() {
    QStringList dates;
    for (int days : {-800, -75, -31, -3, 0, 2, 45, 400}) {
        dates.append(DateFunctions::getYMDString(kNow.addDays(days)));
    }
    return dates;
}

void LabelScreenful(benchmark::State& state) {
    const QStringList dates = screenful();
    GamePeriodLabeler* labeler = GamePeriodLabeler::instanceOf();
    timed(state, "Label", false, [&] {
        for (const QString& date : dates) {
            benchmark::DoNotOptimize(labeler->getLabelForYMDString(date));
        }
    });
}

void LabelScreenful_Baseline(benchmark::State& state) {
    const QStringList dates = screenful();
    timed(state, "Label", true, [&] {
        for (const QString& date : dates) {
            benchmark::DoNotOptimize(DateFunctions::getDateFromYMDString(date));
        }
    });
}

void registerAll() {
    for (int sortType : {1, 0}) {
        const std::string name = sortType == 1 ? "SectionByDate" : "SectionByScore";
        for (const char* suffix : {"_Baseline", ""}) {
            auto* benchmark = benchmark::RegisterBenchmark(
                (name + suffix).c_str(), *suffix ? Sectioning_Baseline : Sectioning, sortType);
            benchmark->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
        }
    }
    benchmark::RegisterBenchmark("LabelScreenful_Baseline", LabelScreenful_Baseline)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("LabelScreenful", LabelScreenful)->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Clock::pin(kNow);  // the same today for every run
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
