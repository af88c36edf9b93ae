#include "NavigationController.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "Animator.h"
#include "MyLog.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;

NavigationController::NavigationController(QWidget* rootViewController, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    navigationBar_ = new QWidget(this);
    navigationBar_->setObjectName(u"navigationBar"_s);
    navigationBar_->setFixedHeight(kNavigationBarHeight);
    navigationBar_->setAutoFillBackground(true);
    auto* barLayout = new QHBoxLayout(navigationBar_);
    barLayout->setContentsMargins(6, 0, 6, 0);
    backButton_ = new QToolButton(navigationBar_);
    backButton_->setObjectName(u"backButton"_s);
    backButton_->setArrowType(Qt::LeftArrow);
    backButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    backButton_->setAutoRaise(true);
    titleLabel_ = new QLabel(navigationBar_);
    titleLabel_->setObjectName(u"titleLabel"_s);
    titleLabel_->setAlignment(Qt::AlignCenter);
    QFont titleFont = titleLabel_->font();
    titleFont.setBold(true);
    titleLabel_->setFont(titleFont);
    barLayout->addWidget(backButton_);
    barLayout->addWidget(titleLabel_, 1);

    stack_ = new QStackedWidget(this);
    stack_->setObjectName(u"viewControllerStack"_s);
    layout->addWidget(navigationBar_);
    layout->addWidget(stack_, 1);

    connect(backButton_, &QToolButton::clicked, this, [this] { popViewControllerAnimated(true); });
    // Also covers screens deleted by others while on the stack.
    connect(stack_, &QStackedWidget::widgetRemoved, this,
            &NavigationController::updateNavigationBar);

    if (rootViewController) {
        pushViewController(rootViewController, false);
    }
    updateNavigationBar();
}

NavigationController::~NavigationController() {
    // Children die after this body; nothing of theirs may call back into a half-destroyed
    // controller.
    stack_->disconnect(this);
    for (int i = 0; i < stack_->count(); ++i) {
        stack_->widget(i)->removeEventFilter(this);
    }
    slideDone_ = nullptr;
    Animator::stop(slideAnimation_);
    Animator::stop(barAnimation_);
    Animator::stop(modalAnimation_);
}

bool NavigationController::pushViewController(QWidget* viewController, bool animated) {
    if (!viewController) {
        MYLOG(u"NavigationController: cannot push a null screen"_s);
        return false;
    }
    if (stack_->indexOf(viewController) >= 0) {
        MYLOG(u"NavigationController: %@ is already on the stack"_s,
              viewController->metaObject()->className());
        return false;
    }
    finishSlide();
    const bool slide = animated && stack_->count() > 0;
    stack_->addWidget(viewController);
    stack_->setCurrentWidget(viewController);
    viewController->installEventFilter(this);
    updateNavigationBar();
    if (slide) {
        startSlide(viewController, QPoint(stack_->width(), 0), QPoint(0, 0), [] {});
    }
    return true;
}

QWidget* NavigationController::popViewControllerAnimated(bool animated) {
    if (stack_->count() <= 1) {
        return nullptr;
    }
    finishSlide();
    QWidget* popped = stack_->widget(stack_->count() - 1);
    popped->removeEventFilter(this);
    // Hides it and makes the screen below current; it stays our child until deleted.
    stack_->removeWidget(popped);
    updateNavigationBar();
    if (!animated) {
        popped->hide();
        popped->deleteLater();
        return popped;
    }
    popped->setGeometry(stack_->rect());
    popped->show();
    popped->raise();
    startSlide(popped, QPoint(0, 0), QPoint(stack_->width(), 0),
               [screen = QPointer<QWidget>(popped)] {
                   if (screen) {
                       screen->hide();
                       screen->deleteLater();
                   }
               });
    return popped;
}

QWidget* NavigationController::topViewController() const {
    const int count = stack_->count();
    return count > 0 ? stack_->widget(count - 1) : nullptr;
}

QList<QWidget*> NavigationController::viewControllers() const {
    QList<QWidget*> screens;
    screens.reserve(stack_->count());
    for (int i = 0; i < stack_->count(); ++i) {
        screens.append(stack_->widget(i));
    }
    return screens;
}

void NavigationController::startSlide(QWidget* screen, const QPoint& from, const QPoint& to,
                                      std::function<void()> done) {
    slideDone_ = std::move(done);
    screen->move(from);
    Animator::animate(&slideAnimation_, this, screen, "pos", from, to, kAnimationMilliseconds,
                      [this] {
                          if (auto settle = std::exchange(slideDone_, nullptr)) {
                              settle();
                          }
                      });
}

// Jumps a slide under way to its end, so a new push or pop starts from a settled stack.
void NavigationController::finishSlide() {
    Animator::stop(slideAnimation_, true);
    if (auto done = std::exchange(slideDone_, nullptr)) {
        done();
    }
}

void NavigationController::updateNavigationBar() {
    QWidget* top = topViewController();
    titleLabel_->setText(top ? top->windowTitle() : QString());
    const int count = stack_->count();
    backButton_->setVisible(count > 1);
    if (count > 1) {
        const QString previous = stack_->widget(count - 2)->windowTitle();
        backButton_->setText(previous.isEmpty() ? u"Back"_s : previous);
    }
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
    finishBarAnimation();
    navigationBarHidden_ = hidden;
    // isVisibleTo, not isHidden: before the first show every child counts as hidden.
    const bool shown = navigationBar_->isVisibleTo(this);
    if (!animated || shown == !hidden) {
        navigationBar_->setVisible(!hidden);
        return;
    }
    navigationBar_->setMinimumHeight(0);
    const int from = hidden ? navigationBar_->height() : 0;
    if (!hidden) {
        navigationBar_->setMaximumHeight(0);
        navigationBar_->show();
    }
    Animator::animate(&barAnimation_, this, navigationBar_, "maximumHeight", from,
                      hidden ? 0 : kNavigationBarHeight, kAnimationMilliseconds,
                      [this] { finishBarAnimation(); });
}

void NavigationController::finishBarAnimation() {
    Animator::stop(barAnimation_);
    navigationBar_->setFixedHeight(kNavigationBarHeight);
    navigationBar_->setVisible(!navigationBarHidden_);
}

QWidget* NavigationController::navigationBar() const {
    return navigationBar_;
}

bool NavigationController::presentModalViewController(QWidget* modalViewController, bool animated) {
    if (!modalViewController) {
        MYLOG(u"NavigationController: cannot present a null screen"_s);
        return false;
    }
    if (modal_ && modalDismissing_) {
        finishModalDismissal();
    }
    if (modal_) {
        MYLOG(u"NavigationController: %@ is already presented; %@ was not"_s,
              modal_->metaObject()->className(), modalViewController->metaObject()->className());
        return false;
    }
    modal_ = modalViewController;
    modalDismissing_ = false;
    modalViewController->setParent(this);
    modalViewController->setGeometry(rect());
    modalViewController->show();
    modalViewController->raise();
    if (animated) {
        ViewAlpha::setAlpha(modalViewController, 0.0f);
        Animator::animate(&modalAnimation_, this, ViewAlpha::effect(modalViewController), "opacity",
                          0.0, 1.0, kAnimationMilliseconds);
    }
    return true;
}

void NavigationController::dismissModalViewControllerAnimated(bool animated) {
    if (!modal_) {
        return;
    }
    if (!animated) {
        finishModalDismissal();
        return;
    }
    if (modalDismissing_) {
        return;
    }
    modalDismissing_ = true;
    // A fade-in under way is cut short (the new animation stops it); the fade-out starts from
    // where it stands.
    Animator::animate(&modalAnimation_, this, ViewAlpha::effect(modal_), "opacity", QVariant(), 0.0,
                      kAnimationMilliseconds, [this] { finishModalDismissal(); });
}

QWidget* NavigationController::modalViewController() const {
    return modal_.data();
}

void NavigationController::finishModalDismissal() {
    Animator::stop(modalAnimation_);
    QWidget* screen = modal_.data();
    modal_ = nullptr;
    modalDismissing_ = false;
    if (screen) {
        // Later, not now: the dismissal may come from inside the screen's own handler.
        screen->hide();
        screen->deleteLater();
    }
}

NavigationController* NavigationController::navigationControllerOf(const QWidget* widget) {
    for (QWidget* w = const_cast<QWidget*>(widget); w; w = w->parentWidget()) {
        if (auto* controller = qobject_cast<NavigationController*>(w)) {
            return controller;
        }
    }
    return nullptr;
}

void NavigationController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (modal_) {
        modal_->setGeometry(rect());
    }
}

bool NavigationController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange) {
        updateNavigationBar();
    }
    return QWidget::eventFilter(watched, event);
}
