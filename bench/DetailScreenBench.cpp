// The detail screen, beside baselines measured in the same run; "vs_baseline" is our time
// divided by the baseline's.
//
// Open100k: from a row's selection in the 100k list to the detail screen drawn with the
// catalogue's fields (the game looked up by its row, the page built from its interface file,
// its fields, star bar, marks and cached box art shown, the 320 x 480 page painted into an
// image), leaving out the network and the push animation. Goal: under 50 ms. Baseline: a bare
// widget with the same labels and text view, filled with the same game and painted the same way.
//
// DragStep: one move of the finger on the star bar, handled and the page painted. Goal: under
// 8 ms. Baseline: a bare widget of the page's size with one label moved and relabelled, painted.
//
// ReviewShown: from the review's answer to the review page loaded in its web view, with the
// engine already started. Goal: within 1.2 times the baseline, a bare QWebEngineView loading the
// same HTML.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QWebEngineView>
#include <chrono>
#include <memory>

#include "Animator.h"
#include "BaselineTiming.h"
#include "BenchStore.h"
#include "Button.h"
#include "Clock.h"
#include "DetailPage.h"
#include "FetchRequest.h"
#include "GamePeriodLabeler.h"
#include "ReviewDocuments.h"
#include "StarBarView.h"
#include "WebView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using namespace bench;

constexpr int kGames = 100000;

// The 100k games in list order; a selection is a row of it.
const QList<Game*>& listed() {
    static const QList<Game*> games = [] {
        Store& store = loadedStore(kGames);
        FetchRequest request;
        request.setEntityName(u"Game"_s);
        request.setSortDescriptors({SortDescriptor(u"releaseDate"_s, false)});
        return store.context.executeFetchRequest(request, nullptr).value_or(QList<Game*>());
    }();
    return games;
}

QImage& canvas() {
    static QImage image(320, 480, QImage::Format_ARGB32_Premultiplied);
    return image;
}

// The baseline's screen: the page's labels, text view and picture, nothing else.
struct BareDetail : QWidget {
    BareDetail() {
        resize(320, 480);
        for (QLabel* label : {&title, &genre, &score, &days, &price, &box}) {
            label->setParent(this);
        }
        description.setParent(this);
        title.setGeometry(110, 40, 200, 44);
        title.setWordWrap(true);
        genre.setGeometry(110, 84, 150, 16);
        days.setGeometry(110, 100, 150, 16);
        price.setGeometry(110, 116, 150, 16);
        score.setGeometry(264, 88, 48, 22);
        box.setGeometry(10, 44, 90, 126);
        description.setGeometry(6, 236, 168, 238);
    }
    void show(Game* game) {
        title.setText(game->title());
        genre.setText(game->genreDescription());
        score.setText(QString::number(double(game->scoreCritic().value_or(0)), 'f', 1));
        days.setText(GamePeriodLabeler::instanceOf()->getLabelForYMDString(
            game->releaseDate().date().toString(u"yyyy-MM-dd"_s)));
        price.setText(QString());
        description.setPlainText(game->gameDescription());
    }
    QLabel title, genre, score, days, price, box;
    QTextBrowser description;
};

void open(benchmark::State& state, bool baseline) {
    const QList<Game*>& games = listed();
    int row = 0;
    double total = 0;
    for (auto _ : state) {
        row = (row + 7919) % int(games.size());
        const auto start = std::chrono::steady_clock::now();
        Game* game = games.at(row);
        if (baseline) {
            BareDetail page;
            page.show(game);
            page.render(&canvas());
        } else {
            DetailPage page;
            page.setGame(game);
            page.redrawCore();
            page.render(&canvas());
        }
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
    }
    report(state, "Open100k", total, baseline);
}

void dragStep(benchmark::State& state, bool baseline) {
    Game* game = listed().at(42);
    game->setMyScore(3.0f);
    DetailPage page;
    page.setGame(game);
    page.redrawCore();
    StarBarView* bar = page.starBarView();
    const QPoint grab = bar->flyoutView()->geometry().center();
    BareDetail bare;
    if (!baseline) {
        bar->touchesBegan(grab);
    }
    int step = 0;
    double total = 0;
    for (auto _ : state) {
        const QPointF to(grab.x(), grab.y() - 40 + (step++ % 80));
        const auto start = std::chrono::steady_clock::now();
        if (baseline) {
            bare.score.move(bare.score.x(), int(to.y()));
            bare.score.setText(QString::number(to.y(), 'f', 1));
            bare.render(&canvas());
        } else {
            bar->touchesMoved(to);
            page.render(&canvas());
        }
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
    }
    if (!baseline) {
        bar->touchesCancelled();
    }
    report(state, "DragStep", total, baseline);
}

// A page that says when its review page has loaded.
struct WatchedPage : DetailPage {
    void webViewDidFinishLoad(WebView*) override { loaded = true; }
    bool loaded = false;
};

bool waitFor(const std::function<bool()>& done) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (seconds(start) > 30) {
            return false;
        }
    }
    return true;
}

void reviewShown(benchmark::State& state, bool baseline) {
    Game* game = listed().at(7);
    const QString answer = QString::fromUtf8(ReviewDocuments::reviewDocument(
        u"<p>"_s + QString(u"A long review paragraph. "_s).repeated(400) + u"</p>"_s));
    double total = 0;
    for (auto _ : state) {
        bool ok = false;
        if (baseline) {
            WatchedPage source;
            source.setGame(game);
            source.parseReviewXML(answer);
            const QString html =
                source.getReviewInPageTemplate(source.reviewHTML(), game->urlCriticonLink());
            QWebEngineView view;
            view.resize(320, 411);
            bool loaded = false;
            QObject::connect(&view, &QWebEngineView::loadFinished, [&] { loaded = true; });
            const auto start = std::chrono::steady_clock::now();
            view.setHtml(html, QUrl(u"http://127.0.0.1:8471/site/"_s));
            ok = waitFor([&] { return loaded; });
            const double elapsed = seconds(start);
            state.SetIterationTime(elapsed);
            total += elapsed;
        } else {
            WatchedPage page;
            page.setGame(game);
            page.setReviewLink(u"http://127.0.0.1:8471/review/7"_s);
            page.redrawDetails();
            const auto start = std::chrono::steady_clock::now();
            page.parseReviewXML(answer);
            page.tabButtonPressed(page.tabReviews());
            ok = waitFor([&] { return page.loaded; });
            const double elapsed = seconds(start);
            state.SetIterationTime(elapsed);
            total += elapsed;
        }
        if (!ok) {
            state.SkipWithError("the page never loaded");
        }
    }
    report(state, "ReviewShown", total, baseline);
}

void registerAll() {
    registerTimed(
        "Open100k_Baseline_BareWidget", [](benchmark::State& s) { open(s, true); },
        benchmark::kMillisecond, 200);
    registerTimed(
        "Open100k", [](benchmark::State& s) { open(s, false); }, benchmark::kMillisecond, 200);
    registerTimed(
        "DragStep_Baseline_BareWidget", [](benchmark::State& s) { dragStep(s, true); },
        benchmark::kMillisecond, 500);
    registerTimed(
        "DragStep", [](benchmark::State& s) { dragStep(s, false); }, benchmark::kMillisecond, 500);
    registerTimed(
        "ReviewShown_Baseline_QWebEngineView", [](benchmark::State& s) { reviewShown(s, true); },
        benchmark::kMillisecond, 20);
    registerTimed(
        "ReviewShown", [](benchmark::State& s) { reviewShown(s, false); }, benchmark::kMillisecond,
        20);
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("QUESTLOG_HOME", home.path().toUtf8());
    WebView::prepareApplication();
    QApplication app(argc, argv);
    Clock::pin(benchNow());
    // Animations end at once: the benchmarks time work, not the screen's pace.
    Animator::setImmediate(true);
    listed();
    {
        // Start the engine before anything is timed, for both sides.
        QWebEngineView warmUp;
        bool loaded = false;
        QObject::connect(&warmUp, &QWebEngineView::loadFinished, [&] { loaded = true; });
        warmUp.setHtml(u"<p>warm</p>"_s);
        waitFor([&] { return loaded; });
    }
    runBenchmarks(argc, argv, registerAll);
    return 0;
}
