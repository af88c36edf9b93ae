// Scrolling the list's table, beside a baseline measured in the same run; "vs_baseline" is our
// time divided by the baseline's.
//
// A 100k-row TableView (rows 95 high, one header, a trivial data source whose cells hold one
// label) in a 320 x 480 window off screen. One scroll step moves the content by one wheel notch
// (93 points): "Step" sets the content offset and lays out the cells in view (pooling and
// refilling the ones that change rows); "Frame" also paints the viewport into an image, the
// whole of a frame's work. "Sweep" scrolls the whole list once step by step and reports the
// slowest step as max_ms. Goal: no step over 16 ms. Baseline: a QListView over a
// QStringListModel of the same 100k rows, uniform item sizes, 95 high, scrolled by the same
// amount in the same way.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>
#include <algorithm>
#include <chrono>
#include <memory>
#include <type_traits>
#include <utility>

#include "BaselineTiming.h"
#include "Scrollers.h"
#include "TableView.h"
#include "TableViewCell.h"
#include "TableViewDataSource.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace bench;

constexpr int kRows = 100000;
constexpr int kRowHeight = 95;

class TrivialRows : public TableViewDataSource {
public:
    int numberOfRowsInSection(TableView*, int) override { return kRows; }
    TableViewCell* cellForRowAtIndexPath(TableView* table, const IndexPath& path) override {
        TableViewCell* cell = table->dequeueReusableCellWithIdentifier(u"Row"_s);
        if (!cell) {
            cell = new TableViewCell(u"Row"_s);
            new QLabel(cell);
        }
        // One child, so the look-up costs next to nothing.
        cell->findChild<QLabel*>()->setText(u"Row %1"_s.arg(path.row()));
        return cell;
    }
    QString titleForHeaderInSection(TableView*, int) override { return u"All rows"_s; }
};

struct TableScroller : Scroller {
    TableScroller() {
        table.setRowHeight(kRowHeight);
        table.setSectionHeaderHeight(26);
        table.setDataSource(&rows);
        table.resize(320, 480);
        table.show();
    }
    QWidget* viewport() override { return table.viewport(); }
    QScrollBar* bar() override { return table.verticalScrollBar(); }
    void scrollTo(int y) override { table.setContentOffset(QPoint(0, y), false); }
    TrivialRows rows;
    TableView table;
};

QStringList rowTitles() {
    QStringList texts;
    texts.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        texts.append(u"Row %1"_s.arg(i));
    }
    return texts;
}

// Made on first use, dropped before the application goes.
std::unique_ptr<Scroller> table;
std::unique_ptr<Scroller> list;

template <class Kind>
Scroller& scroller() {
    std::unique_ptr<Scroller>& made = std::is_same_v<Kind, TableScroller> ? table : list;
    if (!made) {
        if constexpr (std::is_same_v<Kind, ListScroller>) {
            made = std::make_unique<ListScroller>(rowTitles(), 480);
        } else {
            made = std::make_unique<Kind>();
        }
    }
    return *made;
}

template <class Kind>
void timeSteps(benchmark::State& state, const std::string& key, bool baseline, bool paint) {
    Scroller& s = scroller<Kind>();
    s.scrollTo(0);
    double slowest = 0;
    timeEachIteration(state, key, baseline, "", [&] {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = paint ? s.frame() : s.step();
        slowest = std::max(slowest, seconds(start));
        return ok;
    });
    state.counters["max_ms"] = slowest * 1000.0;
}

// The whole list once, top to bottom, as one iteration.
template <class Kind>
void sweep(benchmark::State& state, bool baseline) {
    Scroller& s = scroller<Kind>();
    double slowest = 0;
    int steps = 0;
    timeEachIteration(state, "Sweep", baseline, "", [&] {
        s.scrollTo(0);
        for (int y = 0; y < s.bar()->maximum(); y += kScrollStep, ++steps) {
            const auto start = std::chrono::steady_clock::now();
            s.scrollTo(y);
            slowest = std::max(slowest, seconds(start));
        }
        return true;
    });
    state.counters["max_ms"] = slowest * 1000.0;
    state.counters["steps"] = steps;
}

template <class Kind, bool Baseline, bool Paint>
void stepsOf(benchmark::State& state) {
    timeSteps<Kind>(state, Paint ? "Frame" : "Step", Baseline, Paint);
}

void registerAll() {
    // Each baseline runs before the measurement it is compared with.
    const std::pair<const char*, void (*)(benchmark::State&)> stepBenchmarks[] = {
        {"ScrollStep_Baseline_QListView", &stepsOf<ListScroller, true, false>},
        {"ScrollStep", &stepsOf<TableScroller, false, false>},
        {"ScrollFrame_Baseline_QListView", &stepsOf<ListScroller, true, true>},
        {"ScrollFrame", &stepsOf<TableScroller, false, true>},
    };
    for (const auto& [name, function] : stepBenchmarks) {
        registerTimed(name, function, benchmark::kMicrosecond);
    }
    registerTimed(
        "Sweep100k_Baseline_QListView",
        [](benchmark::State& state) { sweep<ListScroller>(state, true); }, benchmark::kMillisecond,
        1);
    registerTimed(
        "Sweep100k", [](benchmark::State& state) { sweep<TableScroller>(state, false); },
        benchmark::kMillisecond, 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    runBenchmarks(argc, argv, registerAll);
    table.reset();
    list.reset();
    return 0;
}
