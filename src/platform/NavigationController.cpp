#include "NavigationController.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "MyLog.h"

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
    for (QPropertyAnimation* animation :
         {slideAnimation_.data(), barAnimation_.data(), modalAnimation_.data()}) {
        if (animation) {
            animation->disconnect(this);
            delete animation;
        }
    }
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
    auto* animation = new QPropertyAnimation(screen, "pos", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    slideAnimation_ = animation;
    slideDone_ = std::move(done);
    connect(animation, &QAbstractAnimation::finished, this, [this] {
        slideAnimation_ = nullptr;
        if (auto settle = std::exchange(slideDone_, nullptr)) {
            settle();
        }
    });
    screen->move(from);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// Jumps a slide under way to its end, so a new push or pop starts from a settled stack.
void NavigationController::finishSlide() {
    if (QPropertyAnimation* animation = slideAnimation_) {
        slideAnimation_ = nullptr;
        animation->disconnect(this);
        animation->setCurrentTime(animation->totalDuration());
        animation->stop();
    }
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
    auto* animation = new QPropertyAnimation(navigationBar_, "maximumHeight", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    navigationBar_->setMinimumHeight(0);
    if (hidden) {
        animation->setStartValue(navigationBar_->height());
        animation->setEndValue(0);
    } else {
        navigationBar_->setMaximumHeight(0);
        navigationBar_->show();
        animation->setStartValue(0);
        animation->setEndValue(kNavigationBarHeight);
    }
    barAnimation_ = animation;
    connect(animation, &QAbstractAnimation::finished, this,
            &NavigationController::finishBarAnimation);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void NavigationController::finishBarAnimation() {
    if (QPropertyAnimation* animation = barAnimation_) {
        barAnimation_ = nullptr;
        animation->disconnect(this);
        animation->stop();
    }
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
        QGraphicsOpacityEffect* effect = opacityEffectOf(modalViewController);
        effect->setOpacity(0.0);
        auto* animation = new QPropertyAnimation(effect, "opacity", this);
        animation->setDuration(kAnimationMilliseconds);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        modalAnimation_ = animation;
        connect(animation, &QAbstractAnimation::finished, this,
                [this] { modalAnimation_ = nullptr; });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
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
    // A fade-in under way is cut short; the fade-out starts from where it stands.
    stopModalAnimation();
    QGraphicsOpacityEffect* effect = opacityEffectOf(modal_);
    auto* animation = new QPropertyAnimation(effect, "opacity", this);
    animation->setDuration(kAnimationMilliseconds);
    animation->setStartValue(effect->opacity());
    animation->setEndValue(0.0);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    modalAnimation_ = animation;
    connect(animation, &QAbstractAnimation::finished, this, [this] {
        modalAnimation_ = nullptr;
        finishModalDismissal();
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QWidget* NavigationController::modalViewController() const {
    return modal_.data();
}

void NavigationController::stopModalAnimation() {
    if (QPropertyAnimation* animation = modalAnimation_) {
        modalAnimation_ = nullptr;
        animation->disconnect(this);
        animation->stop();
    }
}

void NavigationController::finishModalDismissal() {
    stopModalAnimation();
    QWidget* screen = modal_.data();
    modal_ = nullptr;
    modalDismissing_ = false;
    if (screen) {
        // Later, not now: the dismissal may come from inside the screen's own handler.
        screen->hide();
        screen->deleteLater();
    }
}

QGraphicsOpacityEffect* NavigationController::opacityEffectOf(QWidget* screen) {
    if (auto* effect = qobject_cast<QGraphicsOpacityEffect*>(screen->graphicsEffect())) {
        return effect;
    }
    auto* effect = new QGraphicsOpacityEffect(screen);
    screen->setGraphicsEffect(effect);
    return effect;
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
