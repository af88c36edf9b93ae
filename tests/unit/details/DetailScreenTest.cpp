#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <future>

#include "../media/ImageLoaderTestSupport.h"
#include "ActionSheet.h"
#include "AnimationClock.h"
#include "Animator.h"
#include "Button.h"
#include "DetailPage.h"
#include "EventWait.h"
#include "ImageLoader.h"
#include "ImageView.h"
#include "MetricRecorder.h"
#include "NavigationController.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "QlBoxImage.h"
#include "StarBarGeometry.h"
#include "StarBarView.h"
#include "TableView.h"
#include "TestStore.h"
#include "ViewAlpha.h"
#include "WebView.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kMarkNotifications = {u"NOTIF_GAME_WISH_CHANGED"_s,
                                        u"NOTIF_GAME_PLAYED_CHANGED"_s, u"NOTIF_SAVE_GAME_DATA"_s,
                                        u"NOTIF_GAME_RATING_CHANGED"_s};

// The page of one game, drawn from the catalogue only (no product query), with every
// animation and delay under the test's control and every mark notification written down.
class DetailScreen : public testing::Test {
protected:
    void SetUp() override {
        Animator::setImmediate(true);
        game = store.add(u"Sky Racer"_s);
        for (const QString& name : kMarkNotifications) {
            NotificationCenter::defaultCenter()->addObserver(
                this, name, [this](const Notification& n) {
                    posted.append(
                        n.name().split(u'_')[n.name().contains(u"SAVE"_s) ? 1 : 2].toLower());
                });
        }
        NotificationCenter::defaultCenter()->addObserver(
            this, u"NOTIF_SEND_GAME_DETAILS_EMAIL"_s,
            [this](const Notification& n) { mails.append(n.object().toMap()); });
        DetailPage::setLinkOpener([this](DetailPage*, const QString& address, Game* forGame) {
            opened.append(address + (forGame ? u" +game"_s : u""_s));
        });
    }
    void TearDown() override {
        page.reset();
        NotificationCenter::defaultCenter()->removeObserver(this);
        DetailPage::setLinkOpener({});
        Animator::setImmediate(false);
    }
    void open() {
        page = std::make_unique<DetailPage>();
        page->setGame(game);
        page->redrawCore();
        metrics.take();
    }
    QString take() { return std::exchange(posted, {}).join(u','); }

    MetricRecorder metrics;
    TestStore store;
    Game* game = nullptr;
    std::unique_ptr<DetailPage> page;
    QStringList posted;
    QList<QVariantMap> mails;
    QStringList opened;
};

}  // namespace

TEST_F(DetailScreen, CatalogueFieldsShowDimmedWhenMissing) {
    const std::tuple<std::optional<float>, QString, QString> cases[] = {
        {std::nullopt, u"Fast."_s, u"n/a 0.3 | Fast. 1"_s},
        {8.26f, u""_s, u"8.3 1 | no description available 0.3"_s},
    };
    for (const auto& [critic, description, expected] : cases) {
        game->setScoreCritic(critic);
        game->setGameDescription(description);
        open();
        EXPECT_EQ(u"%1 %2 | %3 %4"_s.arg(page->scoreDisplay()->text())
                      .arg(ViewAlpha::alpha(page->scoreDisplay()))
                      .arg(page->gameDescription()->toPlainText())
                      .arg(ViewAlpha::alpha(page->gameDescription())),
                  expected);
    }
}

// Wish, played and a first score, by the buttons and by the star bar, with the notifications in
// the order the list and the store rely on. The game goes from row to row: "key 0" removes the
// score "key 4" gave.
TEST_F(DetailScreen, MarksChangeTogetherWithTheirNotificationsInOrder) {
    const std::tuple<int, int, QString, QString> cases[] = {
        {1, 0, u"played"_s, u"wish,played,save | 0 1 | Played pressed@Details"_s},
        {0, 1, u"space"_s, u"wish,save | 1 1 | Wish pressed@Details"_s},
        {0, 1, u"played"_s, u"played,save | 0 0 | Played pressed@Details"_s},
        {1, 0, u"key 4"_s,
         u"wish,played,save,rating | 0 1 | Starbar: pressed@Details; Starbar: dragged@Details"_s},
        {1, 1, u"key 0"_s, u"save,rating | 1 1 | Starbar: dragged@Details"_s},
    };
    for (const auto& [wishedBefore, playedBefore, action, expected] : cases) {
        SCOPED_TRACE(action.toStdString());
        game->setMyIsWished(wishedBefore);
        game->setMyIsPlayed(playedBefore);
        open();
        if (action == u"played"_s) {
            QTest::mouseClick(page->btnPlayed(), Qt::LeftButton);
        } else if (action == u"space"_s) {
            QTest::keyClick(page->btnWish(), Qt::Key_Space);
        } else {
            QTest::keyClick(page->starBarView(), action.back().toLatin1());
            Animator::runPendingDelays();
        }
        const int wished = game->myIsWished().value_or(0);
        const int played = game->myIsPlayed().value_or(0);
        EXPECT_EQ(u"%1 | %2 %3 | %4"_s.arg(take()).arg(wished).arg(played).arg(metrics.take()),
                  expected);
        EXPECT_EQ(page->btnWish()->isSelected(), wished == 1);
        EXPECT_EQ(page->btnPlayed()->isSelected(), played == 1);
    }
}

TEST_F(DetailScreen, TabsShowTheirPanelsAndTellSomeoneSendsThePictureOfTheSummary) {
    open();
    page->setReviewLink(u"http://r.example.org/1"_s);
    page->setScreenshots(QList<Screenshot>(1));
    page->setRelatedContentArray({std::make_shared<RelatedContent>()});
    page->redrawDetails();
    const int summaryY = page->travelView()->y();
    const QList<std::pair<Button*, QWidget*>> tabs = {
        {page->tabReviews(), page->reviewWebView()},
        {page->tabScreens(), page->screensWebView()},
        {page->tabOther(), page->otherTable()},
        {page->tabSummary(), page->gameDescription()}};
    for (const auto& [tab, panel] : tabs) {
        QTest::mouseClick(tab, Qt::LeftButton);
        for (const auto& [other, otherPanel] : tabs) {
            EXPECT_EQ(other->isSelected(), other == tab);
            EXPECT_EQ(otherPanel->isVisibleTo(page.get()), other == tab);
        }
        EXPECT_EQ(page->travelView()->y() == summaryY, tab == page->tabSummary());
    }
    // Without their pages the web views never started the engine.
    EXPECT_FALSE(page->reviewWebView()->hasEngine() || page->screensWebView()->hasEngine());

    // "Tell someone" sends a picture of the summary, and nothing once the page is gone.
    const auto tellFrom = [this](Button* tab) {
        QTest::mouseClick(tab, Qt::LeftButton);
        QTest::mouseClick(page->optionsButton(), Qt::LeftButton);
        ASSERT_EQ(ActionSheet::visibleSheets().size(), 1);
        ActionSheet* sheet = ActionSheet::visibleSheets().first();
        sheet->dismissWithClickedButtonIndex(sheet->destructiveButtonIndex(), false);
    };
    // From another tab the page turns to the summary first and sends its picture later.
    tellFrom(page->tabReviews());
    EXPECT_TRUE(page->tabSummary()->isSelected());
    EXPECT_TRUE(mails.isEmpty());
    Animator::runPendingDelays();
    ASSERT_EQ(mails.size(), 1);
    EXPECT_EQ(mails[0][u"game"_s].value<Game*>(), game);
    EXPECT_EQ(mails[0][u"screenshot"_s].value<QImage>().size(), page->size());
    // From the summary it goes at once; from a page left within the delay, never.
    tellFrom(page->tabSummary());
    EXPECT_EQ(mails.size(), 2);
    tellFrom(page->tabReviews());
    page.reset();
    Animator::runPendingDelays();
    EXPECT_EQ(mails.size(), 2);
}

TEST_F(DetailScreen, LinksAndArticlesOpenThroughTheLinkOpenerAndRowsFitTheirTitles) {
    open();
    auto shortOne = std::make_shared<RelatedContent>();
    shortOne->setTitle(u"News"_s);
    shortOne->setUrlService(u"http://svc.example.org/a/1"_s);
    auto longOne = std::make_shared<RelatedContent>();
    longOne->setTitle(
        u"A preview whose headline runs on and on over three whole lines of "
        u"the list, as some do"_s);
    page->setRelatedContentArray({shortOne, longOne});
    page->otherTable()->reloadData();
    // A three-line title makes its row taller than a one-line one.
    EXPECT_GT(*page->heightForRowAtIndexPath(page->otherTable(), IndexPath(0, 1)),
              *page->heightForRowAtIndexPath(page->otherTable(), IndexPath(0, 0)) + 20);

    page->didSelectRowAtIndexPath(page->otherTable(), IndexPath(0, 0));
    using Type = WebViewDelegate::NavigationType;
    const QUrl link(u"http://site.example.org/game/7"_s);
    EXPECT_FALSE(page->shouldStartLoadWithRequest(page->reviewWebView(), link, Type::LinkClicked));
    EXPECT_TRUE(page->shouldStartLoadWithRequest(page->reviewWebView(), link, Type::Other));
    EXPECT_EQ(opened, QStringList({u"http://svc.example.org/a/1 +game"_s,
                                   u"http://site.example.org/game/7"_s}));
}

// Box art: a cached picture shows at once without waiting; an uncached one shows the waiting
// picture until its download is announced, and an announcement after the page has gone reaches
// nothing.
TEST_F(DetailScreen, BoxArtComesFromTheCacheOrLaterAndNeverReachesAClosedPage) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ImageLoader::resetInstance();
    ImageLoader::setDownloader([released](const QString&) {
        released.wait();
        return jpegBytes(40, 56, Qt::darkGreen);
    });
    game->setUrlBoxArt(u"http://art.example.org/late.jpg"_s);
    open();
    EXPECT_TRUE(page->isWaitingForBoxArt());
    const QlBoxImage* box = page->boxImage();
    EXPECT_EQ(box->image(),
              box->imageWithBorderFromImage(ImageLoader::instanceOf()->loadingImage()));
    page.reset();

    EventWait announced;
    NotificationCenter::defaultCenter()->addObserver(
        this, ImageLoader::kImagePulledPrefix + game->urlBoxArt(),
        [&](const Notification&) { announced.done(); });
    release.set_value();
    ASSERT_TRUE(announced.wait());
    QCoreApplication::processEvents();

    // Now cached: the next page shows it at once and does not wait.
    open();
    EXPECT_FALSE(page->isWaitingForBoxArt());
    const QColor shown = page->boxImage()->image().pixelColor(20, 28);
    EXPECT_TRUE(shown.green() > 100 && shown.red() < 40) << shown.name().toStdString();
    ImageLoader::setDownloader({});
    ImageLoader::resetInstance();
}

// A drag that starts while the star bar's markers are still flying in: the markers end where the
// finger put them, and the score overlay is fully shown within its fade's time even though every
// step of the drag asks for it again.
TEST_F(DetailScreen, ADragDuringTheIntroEndsWhereDraggedWithTheOverlayFullyShown) {
    Animator::setImmediate(false);
    game->setScoreCritic(3.0f);
    open();
    StarBarView* bar = page->starBarView();
    ASSERT_GT(advanceAnimations(bar->flyoutView(), 0.25), 0);
    const QPoint grab = bar->flyoutView()->geometry().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, grab);
    // Each step comes 60 ms after the last; four of them outlast the fade in.
    const int steps[] = {4, 8, 12, 16};
    for (int dy : steps) {
        QTest::mouseMove(bar, grab + QPoint(0, dy));
        for (auto* fade : page->findChildren<QAbstractAnimation*>(Qt::FindDirectChildrenOnly)) {
            fade->setCurrentTime(fade->currentTime() + 60);
        }
    }
    EXPECT_EQ(ViewAlpha::alpha(page->myScoreOverlay()), 1.0f);
    EXPECT_EQ(page->myScoreOverlayLabel()->text(), bar->scoreDisplay()->text());
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grab + QPoint(0, steps[3]));
    for (QObject* part : std::initializer_list<QObject*>{bar->flyoutView(), bar->slider(),
                                                         bar->flyoutCriticView(), page.get()}) {
        advanceAnimations(part, 1.0);
    }
    const double score = game->myScore().value_or(0);
    EXPECT_EQ(bar->flyoutView()->y(), StarBarGeometry::flyoutY(score));
    EXPECT_EQ(bar->slider()->y(), StarBarGeometry::sliderY(score));
    EXPECT_EQ(ViewAlpha::alpha(page->myScoreOverlay()), 0.0f);
}

// Every control is named for a screen reader, the marks and the score read as they stand, and
// without a pointer the buttons are walked with Tab in reading order (tabs without data left
// out), pressed with Space; Escape goes back.
TEST_F(DetailScreen, ScreenReadersAndTheKeyboardReachEveryControl) {
    auto* list = new QLineEdit();  // the list screen, which has the keyboard
    NavigationController navigation(list);
    navigation.setNavigationBarHidden(true, false);
    navigation.resize(320, 480);
    navigation.show();
    QApplication::setActiveWindow(&navigation);  // at once, as the keys need it
    list->setFocus();
    auto* shown = new DetailPage();
    shown->setGame(game);
    shown->redrawCore();
    shown->setRelatedContentArray({std::make_shared<RelatedContent>()});
    shown->redrawDetails();
    shown->tabButtonPressed(shown->tabSummary());
    navigation.pushViewController(shown, false);
    ASSERT_TRUE(shown->isAncestorOf(QApplication::focusWidget()));

    const auto reader = [](QObject* control) {
        return QAccessible::queryAccessibleInterface(control);
    };
    QList<QWidget*> controls = {shown->starBarView(), shown->otherTable()};
    for (QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
        controls.append(button);
    }
    for (QWidget* control : controls) {
        EXPECT_FALSE(reader(control)->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
    }

    shown->backButton()->setFocus(Qt::TabFocusReason);
    QList<QWidget*> walked;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget());
    }
    EXPECT_EQ(walked, (QList<QWidget*>{shown->optionsButton(), shown->btnWish(), shown->btnPlayed(),
                                       shown->tabSummary(), shown->tabOther()}));
    // A tab without data is not in the walk; the one with data is pressed with Space.
    QTest::keyClick(shown->tabOther(), Qt::Key_Space);
    EXPECT_TRUE(shown->tabOther()->isSelected() && shown->otherTable()->isVisible());
    EXPECT_TRUE(reader(shown->tabOther())->state().checked);

    // Played and the score by key: the game, the buttons' states and the star bar's value.
    QTest::keyClick(shown->btnPlayed(), Qt::Key_Space);
    EXPECT_EQ(game->myIsPlayed(), 1);
    EXPECT_TRUE(reader(shown->btnPlayed())->state().checked);
    QAccessibleInterface* stars = reader(shown->starBarView());
    stars->valueInterface()->setCurrentValue(2.6);  // a whole star, as a reader sets it
    EXPECT_EQ(game->myScore(), 3.0f);
    EXPECT_EQ(stars->text(QAccessible::Value), u"3.0 of 5"_s);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(navigation.topViewController(), list);
}
