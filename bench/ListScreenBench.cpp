// The game list screen at 1k, 10k and 100k games, beside a baseline measured in the same run;
// "vs_baseline" is our time divided by the baseline's.
//
// Press: from a press on a sort button or a tab to the list drawn, leaving out the screen's
// 0.1 s pause between redraw and fetch: the press's redraw, the fetch, the sectioning, the
// table reload, laying out the rows in view and painting the whole 320 x 480 window into an
// image. Presses alternate (date / score order; All / My tab), so each one changes the list.
// Goal: under 80 ms at 100k. Baseline: the same query in SQL through the SQLite C API over the
// same file, its titles handed to a QListView of the same size, painted the same way.
//
// Scroll: the 100k list scrolled by one wheel notch (93 points) per step with real rows (title,
// description, genre, rating, release phrase, score, marks, box art looked up on disk).
// "Frame" is a step plus painting the list; "Sweep" scrolls the whole list once and reports
// the slowest step as max_ms. Goal: no frame's work over 16 ms. Baseline: a QListView over the
// same titles, scrolled and painted the same way.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <memory>

#include "BaselineTiming.h"
#include "BenchStore.h"
#include "Clock.h"
#include "FetchedResultsController.h"
#include "GameListModel.h"
#include "NavigationController.h"
#include "RootViewController.h"
#include "Scrollers.h"
#include "SqliteStatement.h"
#include "TableView.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace bench;

bool settle(RootViewController& screen) {
    const auto start = std::chrono::steady_clock::now();
    while (screen.pendingFetches() > 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (seconds(start) > 60) {
            return false;
        }
    }
    return true;
}

// The screen as the application builds it, over a loaded store of the size.
struct Screen {
    explicit Screen(int games) : store(loadedStore(games)) {
        window.setFixedSize(320, 480);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* navigation = new NavigationController(nullptr, &window);
        layout->addWidget(navigation);
        screen = new RootViewController();
        screen->setManagedObjectContext(&store.context);
        screen->setManagedObjectModel(store.model.get());
        navigation->pushViewController(screen, false);
        navigation->setNavigationBarHidden(true, false);
        window.show();
        settle(*screen);
        table = screen->findChild<TableView*>(u"tableView"_s);
    }
    // A control of the screen's interface file.
    QObject* control(const QString& name) const { return screen->findChild<QObject*>(name); }
    // The press, then at once what the pause would have held back, then the drawing.
    bool press(QObject* button) {
        QObject* sender = button;
        if (button->objectName() == u"dateFilter"_s) {
            screen->sortByDate(sender);
        } else if (button->objectName() == u"scoreFilter"_s) {
            screen->sortByScore(sender);
        } else {
            screen->viewTypeTabPressed(sender);
        }
        screen->executeFetch(std::nullopt);
        table->layoutIfNeeded();
        window.render(&image);
        return table->numberOfRows() > 0;
    }
    Store& store;
    QWidget window;
    RootViewController* screen;
    TableView* table = nullptr;
    QImage image{320, 480, QImage::Format_ARGB32_Premultiplied};
};

std::map<int, std::unique_ptr<Screen>>& screens() {
    static std::map<int, std::unique_ptr<Screen>> made;
    return made;
}

Screen& screenOf(int games) {
    auto& made = screens()[games];
    if (!made) {
        made = std::make_unique<Screen>(games);
    }
    return *made;
}

// ---- Presses ---------------------------------------------------------------------------------

enum class Press { Sort, Tab };

void pressOurs(benchmark::State& state, Press kind) {
    Screen& s = screenOf(int(state.range(0)));
    // Every run starts on the All tab in date order.
    s.screen->viewTypeTabPressed(s.control(u"allTab"_s));
    s.screen->sortByDate(s.control(u"dateFilter"_s));
    settle(*s.screen);
    bool second = false;
    double total = 0;
    for (auto _ : state) {
        QObject* button =
            s.control(kind == Press::Sort ? (second ? u"dateFilter"_s : u"scoreFilter"_s)
                                          : (second ? u"allTab"_s : u"myTab"_s));
        second = !second;
        const auto start = std::chrono::steady_clock::now();
        const bool ok = s.press(button);
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        // The fetch the pause held back runs now, untimed, so the next press starts clean.
        if (!ok || !settle(*s.screen)) {
            state.SkipWithError("the list is empty or never settled");
        }
    }
    report(state, (kind == Press::Sort ? "Sort" : "Tab") + std::to_string(state.range(0)), total,
           false);
}

// Titles in SQL order into a plain list view, drawn.
struct Baseline {
    Baseline() {
        list.setUniformItemSizes(true);
        list.setModel(&model);
        list.resize(320, 370);
        list.show();
    }
    bool show(SqliteConnection& db, const char* sql) {
        SqliteStatement statement(db, QString::fromUtf8(sql));
        if (!statement.isValid()) {
            return false;
        }
        QStringList titles;
        while (statement.step() == SqliteStatement::Step::Row) {
            titles.append(statement.columnText(0));
        }
        model.setStringList(titles);
        list.scrollToTop();
        list.render(&image);
        return !titles.isEmpty();
    }
    QStringListModel model;
    QListView list;
    QImage image{320, 480, QImage::Format_ARGB32_Premultiplied};
};

void pressBaseline(benchmark::State& state, Press kind) {
    static Baseline baseline;
    SqliteConnection& db = baselineDatabase(int(state.range(0)));
    const char* first = kind == Press::Sort
                            ? "SELECT title FROM Game ORDER BY scoreDisplay DESC, releaseDate "
                              "DESC, title ASC"
                            : "SELECT title FROM Game WHERE myIsWished = 1 ORDER BY releaseDate "
                              "DESC, title ASC";
    const char* second = "SELECT title FROM Game ORDER BY releaseDate DESC, title ASC";
    bool alternate = false;
    timeEachIteration(state,
                      (kind == Press::Sort ? "Sort" : "Tab") + std::to_string(state.range(0)), true,
                      "the query failed", [&] {
                          alternate = !alternate;
                          return baseline.show(db, alternate ? first : second);
                      });
}

// ---- Scrolling -------------------------------------------------------------------------------

// The baseline: the same titles in a plain list view of the table's size.
QStringList titlesOf100k() {
    QStringList titles;
    for (const Game* game :
         screenOf(100000).screen->model()->fetchedResultsController()->fetchedObjects()) {
        titles.append(game->title());
    }
    return titles;
}

struct TableScroller : Scroller {
    TableScroller() : table(screenOf(100000).table) {}
    QWidget* viewport() override { return table->viewport(); }
    QScrollBar* bar() override { return table->verticalScrollBar(); }
    void scrollTo(int y) override {
        table->setContentOffset(QPoint(0, y), false);
        table->layoutIfNeeded();
    }
    TableView* table;
};

std::unique_ptr<Scroller> listScroller;
std::unique_ptr<Scroller> tableScroller;

Scroller& scroller(bool baseline) {
    std::unique_ptr<Scroller>& made = baseline ? listScroller : tableScroller;
    if (!made) {
        // The presses leave the list on either tab, by the number of runs: scroll all of it.
        Screen& s = screenOf(100000);
        s.press(s.control(u"allTab"_s));
        settle(*s.screen);
        if (baseline) {
            made = std::make_unique<ListScroller>(titlesOf100k(), 370);
        } else {
            made = std::make_unique<TableScroller>();
        }
    }
    return *made;
}

// Between two frames the event loop deletes what was let go and delivers posted events; that
// work is left out of the frames' times, as it is outside a frame on screen.
void betweenFrames() {
    QApplication::sendPostedEvents();
    // Outside a running event loop deletions wait for this; left waiting they pile up.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void frames(benchmark::State& state, bool baseline) {
    Scroller& s = scroller(baseline);
    double slowest = 0;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        s.frame();
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        slowest = std::max(slowest, elapsed);
        betweenFrames();
    }
    report(state, "Frame", total, baseline);
    state.counters["max_ms"] = slowest * 1000.0;
}

void sweep(benchmark::State& state, bool baseline) {
    Scroller& s = scroller(baseline);
    double slowest = 0;
    double total = 0;
    int steps = 0;
    for (auto _ : state) {
        s.scrollTo(0);
        double sweepTime = 0;
        for (int y = 0; y < s.bar()->maximum(); y += kScrollStep, ++steps) {
            const auto start = std::chrono::steady_clock::now();
            s.scrollTo(y);
            const double elapsed = seconds(start);
            sweepTime += elapsed;
            slowest = std::max(slowest, elapsed);
            betweenFrames();
        }
        state.SetIterationTime(sweepTime);
        total += sweepTime;
    }
    report(state, "Sweep", total, baseline);
    state.counters["max_ms"] = slowest * 1000.0;
    state.counters["steps"] = steps;
}

void registerAll() {
    for (Press kind : {Press::Sort, Press::Tab}) {
        const std::string name = kind == Press::Sort ? "SortPress" : "TabPress";
        for (int games : {1000, 10000, 100000}) {
            // Each baseline runs before the measurement it is compared with.
            benchmark::RegisterBenchmark(
                (name + "_Baseline_SQL_QListView").c_str(),
                [kind](benchmark::State& state) { pressBaseline(state, kind); })
                ->Arg(games)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(
                name.c_str(), [kind](benchmark::State& state) { pressOurs(state, kind); })
                ->Arg(games)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    registerTimed(
        "ScrollFrame100k_Baseline_QListView", [](benchmark::State& state) { frames(state, true); },
        benchmark::kMicrosecond);
    registerTimed(
        "ScrollFrame100k", [](benchmark::State& state) { frames(state, false); },
        benchmark::kMicrosecond);
    registerTimed(
        "Sweep100k_Baseline_QListView", [](benchmark::State& state) { sweep(state, true); },
        benchmark::kMillisecond, 1);
    registerTimed(
        "Sweep100k", [](benchmark::State& state) { sweep(state, false); }, benchmark::kMillisecond,
        1);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A data home of the run's own, so the remembered tab and sort start from nothing.
    QTemporaryDir home;
    qputenv("QUESTLOG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    // The catalogue's dates are spread around this day.
    Clock::pin(benchNow());
    runBenchmarks(argc, argv, registerAll);
    listScroller.reset();
    tableScroller.reset();
    screens().clear();
    UserDefaults::resetStandardUserDefaults();
    return 0;
}
