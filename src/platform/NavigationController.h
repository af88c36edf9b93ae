#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QPropertyAnimation;
class QStackedWidget;
class QToolButton;

// A stack of screens shown one at a time under a simple navigation bar (the top screen's
// windowTitle and, with more than one screen, a back button that pops), plus at most one modal
// screen laid over the whole controller.
//
// Ownership: the controller owns every screen pushed or presented (they become its
// descendants); popped and dismissed screens are deleted once their animation ends (or at the
// next return to the event loop). Animations only move pixels: the stack, the top screen and
// the modal screen change at once when a call returns. GUI thread only.
class NavigationController : public QWidget {
    Q_OBJECT

public:
    static constexpr int kAnimationMilliseconds = 300;
    static constexpr int kNavigationBarHeight = 44;

    explicit NavigationController(QWidget* rootViewController = nullptr, QWidget* parent = nullptr);
    ~NavigationController() override;

    // False (and a log line) for a null screen or one already on the stack.
    bool pushViewController(QWidget* viewController, bool animated);
    // Answers the removed screen, which is scheduled for deletion: do not keep the pointer.
    // The root screen is never popped; then the answer is nullptr.
    QWidget* popViewControllerAnimated(bool animated);
    QWidget* topViewController() const;
    // Bottom (root) first.
    QList<QWidget*> viewControllers() const;

    void setNavigationBarHidden(bool hidden, bool animated);
    bool isNavigationBarHidden() const { return navigationBarHidden_; }
    QWidget* navigationBar() const;

    // Lays the screen over the whole controller, raised above the stack, fading in when
    // animated. Presenting during an animated dismissal finishes that dismissal first. False
    // (and a log line; the caller keeps the screen) for a null screen or while another modal
    // screen is shown.
    bool presentModalViewController(QWidget* modalViewController, bool animated);
    // Animated: fades the modal screen out, then deletes it; modalViewController() answers it
    // until the fade has ended. Not animated: removes it at once, also cutting short a fade
    // under way. Nothing happens without a modal screen.
    void dismissModalViewControllerAnimated(bool animated);
    QWidget* modalViewController() const;

    // The controller whose stack or modal layer holds the widget (or one of its ancestors).
    static NavigationController* navigationControllerOf(const QWidget* widget);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateNavigationBar();
    void startSlide(QWidget* screen, const QPoint& from, const QPoint& to,
                    std::function<void()> done);
    void finishSlide();
    void finishBarAnimation();
    void finishModalDismissal();

    QWidget* navigationBar_ = nullptr;
    QToolButton* backButton_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    bool navigationBarHidden_ = false;

    QPointer<QPropertyAnimation> slideAnimation_;
    std::function<void()> slideDone_;
    QPointer<QPropertyAnimation> barAnimation_;

    QPointer<QWidget> modal_;
    QPointer<QPropertyAnimation> modalAnimation_;
    bool modalDismissing_ = false;
};
