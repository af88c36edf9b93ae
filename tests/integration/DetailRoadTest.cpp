// The main road of the program, in the wii build against questlog-services: open a game from the
// list, read its review, screenshots and an article, rate it, see the list follow, and find the
// rating again after a restart.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <functional>

#include "../unit/browsing/BrowsingTestSupport.h"
#include "ActionSheet.h"
#include "Button.h"
#include "DetailPage.h"
#include "GameListModel.h"
#include "IndexPath.h"
#include "IntegrationSupport.h"
#include "LaunchSupport.h"
#include "MobiWebViewController.h"
#include "Model.h"
#include "NavigationController.h"
#include "QStringPrinter.h"
#include "Questlog3AppDelegate.h"
#include "RootViewController.h"
#include "ScopedEnv.h"
#include "StarBarView.h"
#include "WebView.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Waits on the sender's signal until `done` holds; false when the time runs out first.
template <typename Sender, typename Signal>
bool until(Sender* sender, Signal signal, const std::function<bool()>& done, int msecs = 20000) {
    QSignalSpy spy(sender, signal);
    QDeadlineTimer deadline(msecs);
    while (!done()) {
        if (!spy.wait(int(deadline.remainingTime()))) {
            return done();
        }
    }
    return true;
}

// Waits until a web view has finished a page (the page title is known then).
bool waitForPage(WebView* view) {
    return until(
        view, &WebView::loadEnded,
        [view] { return !view->isLoading() && !view->pageTitle().isNull(); }, 30000);
}

// How much of the picture is dark enough to be text.
int darkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            dark += qGray(image.pixel(x, y)) < 110;
        }
    }
    return dark;
}

}  // namespace

TEST(DetailRoad, OpenReadRateAndFindTheRatingAgainAfterARestart) {
    Services services({u"--port"_s, u"0"_s});
    ASSERT_FALSE(services.url.isEmpty());
    const QString home = qEnvironmentVariable("QUESTLOG_HOME");
    const QByteArray url = services.url.toUtf8();
    ScopedEnv catalogue("QUESTLOG_CATALOGUE_SERVICE", url), review("QUESTLOG_REVIEW_SERVICE", url),
        metrics("QUESTLOG_METRICS_SERVICE", url), site("QUESTLOG_REVIEW_SITE", url + "/site/");
    Model::resetInstance();
    // What the services have answered since the last clear, as their request lines.
    QByteArray served;
    const auto forgetServed = [&] {
        services.process.readAllStandardOutput();
        served.clear();
    };
    const auto servedSince = [&](const QByteArray& path) {
        return until(&services.process, &QProcess::readyReadStandardOutput, [&] {
            served += services.process.readAllStandardOutput();
            return served.contains(path);
        });
    };
    QString idCriticon;
    {
        Questlog3AppDelegate delegate;
        ASSERT_TRUE(launchUntilInstalled(delegate));
        RootViewController* list = delegate.rootViewController();
        list->sortByScore(list->findChild<QObject*>(u"scoreFilter"_s));
        ASSERT_TRUE(until(list, &RootViewController::fetched,
                          [list] { return list->pendingFetches() == 0; }));
        const QList<Game*> before = list->model()->fetchedResultsController()->fetchedObjects();
        ASSERT_GT(before.size(), 100);
        // A reviewed game (the review site has scored it) far down the score order, so a 4
        // moves it up.
        int row = int(before.size()) - 1;
        while (row > 0 && before.at(row)->scoreCritic().value_or(0) <= 0) {
            --row;
        }
        Game* game = before.at(row);
        ASSERT_LT(game->scoreDisplay().value_or(0), 4.0f);
        idCriticon = game->idCriticon();

        list->showDetailsWithGame(game);
        auto* page =
            qobject_cast<DetailPage*>(delegate.navigationController()->topViewController());
        ASSERT_TRUE(page && page->game() == game);
        ASSERT_TRUE(until(page, &DetailPage::detailsRedrawn, [page] {
            return page->tabReviews()->isEnabled() && page->tabScreens()->isEnabled() &&
                   !page->reviewHTML().isNull();
        }));

        // The review page, drawn by the engine: text on white.
        QTest::mouseClick(page->tabReviews(), Qt::LeftButton);
        ASSERT_TRUE(waitForPage(page->reviewWebView()));
        EXPECT_TRUE(QTest::qWaitFor(
            [page] { return darkPixels(page->reviewWebView()->grab().toImage()) > 200; }, 10000));
        // The screenshot page: the engine fetches every shot from the service.
        forgetServed();
        QTest::mouseClick(page->tabScreens(), Qt::LeftButton);
        ASSERT_TRUE(waitForPage(page->screensWebView()));
        EXPECT_TRUE(servedSince("/shots/"));

        // A related article opens in the program's own viewer, from the review service.
        ASSERT_FALSE(page->relatedContentArray().isEmpty());
        QTest::mouseClick(page->tabOther(), Qt::LeftButton);
        page->didSelectRowAtIndexPath(page->otherTable(), IndexPath::indexPathForRow(0, 0));
        auto* viewer = qobject_cast<MobiWebViewController*>(
            delegate.navigationController()->topViewController());
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(waitForPage(viewer->webView()));
        EXPECT_EQ(viewer->titleLabel()->text(),
                  MobiWebViewController::cutTitle(page->relatedContentArray().first()->title()));
        QTest::mouseClick(viewer->closeBrowserButton(), Qt::LeftButton);
        EXPECT_EQ(delegate.navigationController()->topViewController(), page);

        // A 4 with the keyboard; the list, sorted by score, moves the game up.
        QTest::mouseClick(page->tabSummary(), Qt::LeftButton);
        page->starBarView()->setFocus();
        QTest::keyClick(page->starBarView(), Qt::Key_4);
        EXPECT_EQ(game->myScore(), 4.0f);
        QTest::mouseClick(page->backButton(), Qt::LeftButton);
        ASSERT_TRUE(until(list, &RootViewController::fetched,
                          [list] { return list->pendingFetches() == 0; }));
        EXPECT_LT(list->model()->fetchedResultsController()->fetchedObjects().indexOf(game), row);
        delegate.applicationWillTerminate();
    }
    Model::resetInstance();

    // The program itself starts on the same home, opens the game's page on its own (its
    // product document is asked of the service) and leaves the rating where it was.
    forgetServed();
    QProcess wii;
    startBuild(wii, wiiEnvironment(home, services.url, services.url), u"wii"_s,
               {u"--show-game"_s, idCriticon, u"--quit-after"_s, u"3"_s});
    ASSERT_TRUE(wii.waitForFinished(60000));
    EXPECT_EQ(wii.exitCode(), 0);
    EXPECT_TRUE(servedSince("/svc/product/get_single/"));
    EXPECT_EQ(
        queryNumber(home, u"SELECT COUNT(*) FROM Game WHERE myScore = 4 AND idCriticon = '"_s +
                              idCriticon + u"'"_s),
        1);
}

// A second start of the build on the same data home hands its link to the running program and
// ends at once; the running program offers the game for the wish list, and once chosen the
// mark is in the store file, whatever happens to the program next.
TEST(DetailRoad, ASecondStartHandsItsLinkToTheRunningProgram) {
    // Nothing answers here: the catalogue's daily update stays silent.
    ScopedEnv catalogue("QUESTLOG_CATALOGUE_SERVICE", "http://127.0.0.1:1");
    Model::resetInstance();
    Questlog3AppDelegate delegate;
    ASSERT_TRUE(delegate.listenForLaterStarts());
    delegate.applicationDidFinishLaunching();
    QProcess second;
    QSignalSpy ended(&second, &QProcess::finished);
    QElapsedTimer clock;
    clock.start();
    startBuild(second, wiiEnvironment(qEnvironmentVariable("QUESTLOG_HOME")), u"wii"_s,
               {u"questlog-wii://h?action=WISH&id=20500000&title=Space%20Race"_s});
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAll().toStdString();
#if !defined(QUESTLOG_UNDER_ASAN) && !defined(QUESTLOG_UNDER_TSAN)
    EXPECT_LT(clock.elapsed(), 1000);
#endif
    // Once start-up (and a first install) is over, the link offers its game.
    ASSERT_TRUE(QTest::qWaitFor([] { return !ActionSheet::visibleSheets().isEmpty(); }, 60000));
    EXPECT_EQ(ActionSheet::visibleSheets().first()->title(), u"Space Race"_s);
    delete ActionSheet::visibleSheets().first();
}
