#include "NavigationController.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSignalSpy>

#include "AnimationClock.h"
#include "QStringPrinter.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QWidget* screen(const QString& title) {
    auto* widget = new QWidget;
    widget->setWindowTitle(title);
    return widget;
}

bool deletedSoon(const QPointer<QWidget>& widget) {
    QSignalSpy destroyed(widget.data(), &QObject::destroyed);
    return widget.isNull() || destroyed.wait(5000);
}

// A shown controller of the handset's size holding one root screen; animations run on the
// real clock.
class NavigationControllerTest : public testing::Test {
protected:
    NavigationControllerTest() {
        root_ = screen(u"Games"_s);
        nav_ = std::make_unique<NavigationController>(root_);
        nav_->resize(320, 480);
        nav_->show();
    }

    QWidget* root_ = nullptr;
    std::unique_ptr<NavigationController> nav_;
};

}  // namespace

// The stack changes at once; popped screens are deleted after their slide; a push or pop
// during a slide settles it first; the root is never popped and a null screen or one already
// on the stack is not pushed.
TEST_F(NavigationControllerTest, StackChangesAtOnceAndPoppedScreensAreDeletedAfterTheirSlide) {
    QWidget* a = screen(u"A"_s);
    ASSERT_TRUE(nav_->pushViewController(a, true));
    EXPECT_EQ(nav_->viewControllers(), (QList<QWidget*>{root_, a}));
    nav_->pushViewController(screen(u"B"_s), true);
    EXPECT_EQ(a->pos(), QPoint(0, 0));
    EXPECT_FALSE(root_->isVisible());
    QPointer<QWidget> popped = nav_->popViewControllerAnimated(false);
    ASSERT_FALSE(popped.isNull());  // the caller may still look at it
    EXPECT_FALSE(popped->isVisible());
    EXPECT_TRUE(deletedSoon(popped));
    popped = nav_->popViewControllerAnimated(true);
    EXPECT_EQ(popped, a);
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});
    EXPECT_FALSE(popped.isNull());  // still sliding out
    EXPECT_TRUE(deletedSoon(popped));
    EXPECT_TRUE(root_->isVisible());
    nav_->pushViewController(screen(u"C"_s), true);
    popped = nav_->popViewControllerAnimated(true);
    nav_->pushViewController(screen(u"D"_s), false);  // while C still slides out
    EXPECT_FALSE(popped->isVisible());
    EXPECT_TRUE(deletedSoon(popped));
    EXPECT_EQ(nav_->topViewController()->windowTitle(), u"D"_s);
    nav_->popViewControllerAnimated(false);
    QWidget* deleted = screen(u"E"_s);  // deleted by others while on the stack
    nav_->pushViewController(deleted, false);
    delete deleted;
    EXPECT_EQ(nav_->popViewControllerAnimated(true), nullptr);
    EXPECT_FALSE(nav_->pushViewController(nullptr, false));
    EXPECT_FALSE(nav_->pushViewController(root_, true));
    EXPECT_EQ(nav_->viewControllers(), QList<QWidget*>{root_});
}

// A modal (shown at once, as the program does) covers the whole controller and a second is
// refused. Dismissed with animation it stays until its fade has ended; a dismissal without
// animation, or a new modal, ends a fade-out at once.
TEST_F(NavigationControllerTest, ModalCoversAllAndStaysUntilItsFadeOutEnds) {
    QPointer<QWidget> first = screen(u"first"_s);
    auto second = std::make_unique<QWidget>();
    ASSERT_TRUE(nav_->presentModalViewController(first, false));
    EXPECT_EQ(ViewAlpha::alpha(first), 1.0f);
    EXPECT_EQ(nav_->childAt(160, 10), first);  // over the bar too
    nav_->resize(480, 320);
    EXPECT_EQ(first->geometry(), nav_->rect());
    EXPECT_EQ(NavigationController::navigationControllerOf(first), nav_.get());
    EXPECT_FALSE(nav_->presentModalViewController(second.get(), false));
    EXPECT_EQ(second->parentWidget(), nullptr);  // stays with the caller
    nav_->dismissModalViewControllerAnimated(true);
    nav_->dismissModalViewControllerAnimated(true);  // a second request changes nothing
    ASSERT_EQ(advanceAnimations(nav_.get(), 0.5), 1);
    EXPECT_LT(ViewAlpha::alpha(first), 1.0f);
    EXPECT_EQ(nav_->modalViewController(), first);
    nav_->dismissModalViewControllerAnimated(false);
    EXPECT_EQ(nav_->modalViewController(), nullptr);
    EXPECT_TRUE(deletedSoon(first));

    QPointer<QWidget> old = screen(u"old"_s);
    nav_->presentModalViewController(old, false);
    nav_->dismissModalViewControllerAnimated(true);
    QWidget* fresh = screen(u"fresh"_s);
    ASSERT_TRUE(nav_->presentModalViewController(fresh, false));
    EXPECT_TRUE(deletedSoon(old));
    EXPECT_EQ(nav_->modalViewController(), fresh);
    nav_->dismissModalViewControllerAnimated(true);
    EXPECT_TRUE(deletedSoon(fresh));  // the cut-short fade acted on nothing later
    EXPECT_EQ(nav_->modalViewController(), nullptr);
}

TEST_F(NavigationControllerTest, DestroyedMidAnimationTakesItsScreensAlong) {
    QPointer<QWidget> detail = screen(u"A"_s);
    QPointer<QWidget> modal = screen(u"M"_s);
    nav_->pushViewController(detail, false);
    nav_->popViewControllerAnimated(true);
    nav_->presentModalViewController(modal, true);
    nav_->dismissModalViewControllerAnimated(true);
    nav_->setNavigationBarHidden(true, true);
    nav_.reset();
    EXPECT_TRUE(detail.isNull() && modal.isNull());
}
