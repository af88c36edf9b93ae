#include "NavigationController.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* screen(const QString& title) {
    auto* widget = new QWidget;
    widget->setWindowTitle(title);
    return widget;
}

bool deletedSoon(const QPointer<QWidget>& widget, int timeoutMs = 3000) {
    return QTest::qWaitFor([&] { return widget.isNull(); }, timeoutMs);
}

// A shown controller of the handset's size holding one root screen.
class NavigationControllerTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = screen(u"Games"_s);
        nav_ = std::make_unique<NavigationController>(root_);
        nav_->resize(320, 480);
        nav_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(nav_.get()));
    }
    QString barTitle() const {
        return nav_->navigationBar()->findChild<QLabel*>(u"titleLabel"_s)->text();
    }
    QToolButton* backButton() const {
        return nav_->navigationBar()->findChild<QToolButton*>(u"backButton"_s);
    }

    QWidget* root_ = nullptr;
    std::unique_ptr<NavigationController> nav_;
};

}  // namespace

TEST_F(NavigationControllerTest, AnimatedPushAndPopChangeTheStackAtOnce) {
    QWidget* detail = screen(u"Halo 3"_s);
    ASSERT_TRUE(nav_->pushViewController(detail, true));
    EXPECT_EQ(nav_->topViewController(), detail);
    EXPECT_EQ(nav_->viewControllers(), (QList<QWidget*>{root_, detail}));
    EXPECT_TRUE(nav_->isAncestorOf(detail));

    QPointer<QWidget> popped = nav_->popViewControllerAnimated(true);
    EXPECT_EQ(popped, detail);
    EXPECT_EQ(nav_->topViewController(), root_);
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});
    // Still sliding out, then gone.
    EXPECT_FALSE(popped.isNull());
    EXPECT_TRUE(deletedSoon(popped));
    EXPECT_TRUE(root_->isVisible());
    EXPECT_EQ(root_->pos(), QPoint(0, 0));
}

TEST_F(NavigationControllerTest, PushedScreenEndsFillingTheStackArea) {
    QWidget* detail = screen(u"Halo 3"_s);
    nav_->pushViewController(detail, true);
    QTest::qWait(NavigationController::kAnimationMilliseconds + 200);
    EXPECT_EQ(detail->pos(), QPoint(0, 0));
    EXPECT_EQ(detail->width(), 320);
    EXPECT_TRUE(detail->isVisible());
    EXPECT_FALSE(root_->isVisible());
}

TEST_F(NavigationControllerTest, OperationsDuringASlideSettleItFirst) {
    QWidget* a = screen(u"A"_s);
    QWidget* b = screen(u"B"_s);
    nav_->pushViewController(a, true);
    nav_->pushViewController(b, true);
    QPointer<QWidget> poppedB = nav_->popViewControllerAnimated(false);
    EXPECT_EQ(nav_->viewControllers(), (QList<QWidget*>{root_, a}));
    EXPECT_TRUE(deletedSoon(poppedB));
    EXPECT_EQ(a->pos(), QPoint(0, 0));
    QPointer<QWidget> poppedA = nav_->popViewControllerAnimated(true);
    nav_->pushViewController(screen(u"C"_s), false);  // while A still slides out
    EXPECT_TRUE(deletedSoon(poppedA));
    EXPECT_EQ(nav_->viewControllers().size(), 2);
    EXPECT_EQ(nav_->topViewController()->windowTitle(), u"C"_s);
}

TEST_F(NavigationControllerTest, NonAnimatedPopDeletesOnReturnToTheEventLoop) {
    nav_->pushViewController(screen(u"A"_s), false);
    QPointer<QWidget> popped = nav_->popViewControllerAnimated(false);
    ASSERT_FALSE(popped.isNull());  // the caller may still look at it
    EXPECT_FALSE(popped->isVisible());
    EXPECT_TRUE(deletedSoon(popped, 500));
}

TEST_F(NavigationControllerTest, RootIsNeverPoppedAndBadPushesAreRefused) {
    EXPECT_EQ(nav_->popViewControllerAnimated(true), nullptr);
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});
    EXPECT_FALSE(nav_->pushViewController(nullptr, false));
    EXPECT_FALSE(nav_->pushViewController(root_, true));
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});

    NavigationController empty;
    EXPECT_EQ(empty.topViewController(), nullptr);
    EXPECT_EQ(empty.popViewControllerAnimated(false), nullptr);
}

TEST_F(NavigationControllerTest, ScreenDeletedByOthersLeavesTheStack) {
    QWidget* a = screen(u"A"_s);
    nav_->pushViewController(a, false);
    delete a;
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});
    EXPECT_EQ(barTitle(), u"Games"_s);
    EXPECT_FALSE(backButton()->isVisible());
}

TEST_F(NavigationControllerTest, BarShowsTopTitleAndABackButtonThatPops) {
    EXPECT_EQ(barTitle(), u"Games"_s);
    EXPECT_FALSE(backButton()->isVisible());
    QWidget* detail = screen(u"Halo 3"_s);
    nav_->pushViewController(detail, false);
    EXPECT_EQ(barTitle(), u"Halo 3"_s);
    EXPECT_TRUE(backButton()->isVisible());
    EXPECT_EQ(backButton()->text(), u"Games"_s);
    detail->setWindowTitle(u"Halo 3: ODST"_s);
    EXPECT_EQ(barTitle(), u"Halo 3: ODST"_s);

    QTest::mouseClick(backButton(), Qt::LeftButton);
    EXPECT_EQ(nav_->topViewController(), root_);
    EXPECT_EQ(barTitle(), u"Games"_s);
}

TEST_F(NavigationControllerTest, HiddenBarIsNotShownAndComesBackWhenAsked) {
    NavigationController hiddenFirst(screen(u"Games"_s));
    hiddenFirst.setNavigationBarHidden(true, false);  // before the first show, as at launch
    hiddenFirst.show();
    EXPECT_TRUE(hiddenFirst.isNavigationBarHidden());
    EXPECT_FALSE(hiddenFirst.navigationBar()->isVisible());

    nav_->setNavigationBarHidden(true, true);
    EXPECT_TRUE(nav_->isNavigationBarHidden());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !nav_->navigationBar()->isVisible(); }, 2000));
    nav_->setNavigationBarHidden(false, true);
    EXPECT_FALSE(nav_->isNavigationBarHidden());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return nav_->navigationBar()->isVisible() &&
                   nav_->navigationBar()->height() == NavigationController::kNavigationBarHeight;
        },
        2000));
    // A reversal mid-animation ends in the last state asked for.
    nav_->setNavigationBarHidden(true, true);
    nav_->setNavigationBarHidden(false, false);
    QTest::qWait(NavigationController::kAnimationMilliseconds + 100);
    EXPECT_TRUE(nav_->navigationBar()->isVisible());
}

TEST_F(NavigationControllerTest, ModalCoversTheWholeControllerAboveTheStack) {
    nav_->pushViewController(screen(u"A"_s), false);
    QWidget* install = screen(u"Installing"_s);
    ASSERT_TRUE(nav_->presentModalViewController(install, false));
    EXPECT_EQ(nav_->modalViewController(), install);
    EXPECT_EQ(install->parentWidget(), nav_.get());
    EXPECT_EQ(install->geometry(), nav_->rect());
    EXPECT_TRUE(install->isVisible());
    EXPECT_EQ(nav_->childAt(160, 240), install);
    EXPECT_EQ(nav_->childAt(160, 10), install);  // over the bar too
    nav_->resize(480, 320);
    EXPECT_EQ(install->geometry(), nav_->rect());
    // The stack is untouched underneath.
    EXPECT_EQ(nav_->viewControllers().size(), 2);
}

TEST_F(NavigationControllerTest, SecondModalIsRefusedAndStaysWithTheCaller) {
    QWidget* first = screen(u"first"_s);
    nav_->presentModalViewController(first, true);
    auto second = std::make_unique<QWidget>();
    EXPECT_FALSE(nav_->presentModalViewController(second.get(), false));
    EXPECT_EQ(nav_->modalViewController(), first);
    EXPECT_EQ(second->parentWidget(), nullptr);
    EXPECT_FALSE(nav_->presentModalViewController(nullptr, false));
}

TEST_F(NavigationControllerTest, DismissWithoutAnimationIsImmediate) {
    QPointer<QWidget> install = screen(u"Installing"_s);
    nav_->presentModalViewController(install, true);
    nav_->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(nav_->modalViewController(), nullptr);
    EXPECT_TRUE(deletedSoon(install, 500));
    nav_->dismissModalViewControllerAnimated(false);  // nothing left: harmless
    nav_->dismissModalViewControllerAnimated(true);
}

TEST_F(NavigationControllerTest, AnimatedDismissKeepsTheModalUntilTheFadeEnds) {
    QPointer<QWidget> install = screen(u"Installing"_s);
    nav_->presentModalViewController(install, false);
    QElapsedTimer clock;
    clock.start();
    nav_->dismissModalViewControllerAnimated(true);
    EXPECT_EQ(nav_->modalViewController(), install);
    nav_->dismissModalViewControllerAnimated(true);  // a second request changes nothing
    ASSERT_TRUE(QTest::qWaitFor([&] { return nav_->modalViewController() == nullptr; }, 3000));
    EXPECT_GE(clock.elapsed(), NavigationController::kAnimationMilliseconds - 50);
    EXPECT_TRUE(deletedSoon(install));
}

TEST_F(NavigationControllerTest, ForcedDismissDuringAnAnimatedOneFinishesItAtOnce) {
    QPointer<QWidget> install = screen(u"Installing"_s);
    nav_->presentModalViewController(install, true);
    nav_->dismissModalViewControllerAnimated(true);
    QTest::qWait(50);
    ASSERT_EQ(nav_->modalViewController(), install);
    nav_->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(nav_->modalViewController(), nullptr);
    EXPECT_TRUE(deletedSoon(install, 500));
    // The cut-short fade must not act on anything later.
    QWidget* next = screen(u"next"_s);
    nav_->presentModalViewController(next, false);
    QTest::qWait(NavigationController::kAnimationMilliseconds + 100);
    EXPECT_EQ(nav_->modalViewController(), next);
}

TEST_F(NavigationControllerTest, PresentingDuringAnAnimatedDismissReplacesTheOldModal) {
    QPointer<QWidget> old = screen(u"old"_s);
    nav_->presentModalViewController(old, false);
    nav_->dismissModalViewControllerAnimated(true);
    QWidget* fresh = screen(u"fresh"_s);
    ASSERT_TRUE(nav_->presentModalViewController(fresh, true));
    EXPECT_EQ(nav_->modalViewController(), fresh);
    EXPECT_TRUE(deletedSoon(old));
    QTest::qWait(NavigationController::kAnimationMilliseconds + 100);
    EXPECT_EQ(nav_->modalViewController(), fresh);
    EXPECT_TRUE(fresh->isVisible());
}

// The install overlay's timing: shown animated, dismissed animated 0.5 s after the install
// ends, then forced away 1.2 s later only if still there.
TEST_F(NavigationControllerTest, InstallOverlaySequenceLeavesNoModal) {
    QPointer<QWidget> install = screen(u"Installing"_s);
    nav_->presentModalViewController(install, true);
    bool killRan = false;
    QTimer::singleShot(500, nav_.get(), [&] {
        nav_->dismissModalViewControllerAnimated(true);
        QTimer::singleShot(1200, nav_.get(), [&] {
            if (nav_->modalViewController()) {
                nav_->dismissModalViewControllerAnimated(false);
            }
            killRan = true;
        });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return killRan; }, 5000));
    EXPECT_EQ(nav_->modalViewController(), nullptr);
    EXPECT_TRUE(install.isNull());
}

TEST_F(NavigationControllerTest, ScreensFindTheirController) {
    QWidget* detail = screen(u"A"_s);
    auto* inner = new QWidget(detail);
    nav_->pushViewController(detail, false);
    EXPECT_EQ(NavigationController::navigationControllerOf(inner), nav_.get());
    QWidget* modal = screen(u"M"_s);
    nav_->presentModalViewController(modal, false);
    EXPECT_EQ(NavigationController::navigationControllerOf(modal), nav_.get());
    QWidget loose;
    EXPECT_EQ(NavigationController::navigationControllerOf(&loose), nullptr);
    EXPECT_EQ(NavigationController::navigationControllerOf(nullptr), nullptr);
}

TEST_F(NavigationControllerTest, DestroyedMidAnimationIsSafe) {
    QPointer<QWidget> detail = screen(u"A"_s);
    nav_->pushViewController(detail, false);
    nav_->popViewControllerAnimated(true);
    nav_->presentModalViewController(screen(u"M"_s), true);
    nav_->dismissModalViewControllerAnimated(true);
    nav_->setNavigationBarHidden(true, true);
    nav_.reset();
    EXPECT_TRUE(detail.isNull());
    QTest::qWait(NavigationController::kAnimationMilliseconds + 100);
}
