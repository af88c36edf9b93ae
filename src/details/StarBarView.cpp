#include "StarBarView.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

#include "AnimationFunctions.h"
#include "Animator.h"
#include "Format.h"
#include "Game.h"
#include "ImageView.h"
#include "QlMetricWriter.h"
#include "StarBarGeometry.h"
#include "ViewAlpha.h"

using namespace Qt::StringLiterals;
using Geometry = StarBarGeometry;

namespace {

const QString kFeature = u"Details"_s;
const QString kSliderOrange = u"starbar_wide_slider_orange.png"_s;
const QString kSliderBlue = u"starbar_wide_slider_blue.png"_s;
const QString kFlyoutYourTop = u"starbar_flyout_tall_your_top.png"_s;
const QString kFlyoutYourBottom = u"starbar_flyout_tall_your_bottom.png"_s;
const QString kFlyoutTheir = u"starbar_flyout_tall_their.png"_s;

const QColor kWhite(255, 255, 255);
const QColor kGrey(103, 103, 103);

// Above this the user's flyout turns its tip down, so it stays readable at the top of the bar.
constexpr float kBottomFlyoutAbove = 4.7f;
constexpr float kDimmedAlpha = 0.3f;

// The parts' layout in the control.
constexpr QSize kSize(141, 205);
constexpr QRect kFlyout(0, 0, 52, 40);
constexpr QRect kScoreDisplay(2, 2, 44, 22);
constexpr QRect kDragLines(40, 26, 10, 12);
constexpr QRect kSlider(48, 0, 44, 6);
constexpr QRect kStarBar(56, 0, 34, 142);
constexpr QRect kSliderCritic(56, 0, 40, 4);
constexpr QRect kFlyoutCritic(96, 0, 44, 30);
constexpr QRect kScoreCritic(2, 2, 40, 22);

constexpr int kFlyoverMs = 800;
constexpr int kSliderMs = 1500;
constexpr int kFinishRemoveMs = 600;
constexpr float kWideSeconds = 0.6f;
constexpr float kThinSeconds = 0.4f;

// Drag steps set the colour and the pictures again and again; only a change is worth a repaint.
void setTextColor(QLabel* label, const QColor& color) {
    if (label->palette().color(QPalette::WindowText) == color) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QLabel* makeLabel(QWidget* parent, const QRect& frame, int pixelSize, const QColor& color) {
    auto* label = new QLabel(parent);
    label->setGeometry(frame);
    label->setAlignment(Qt::AlignCenter);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(pixelSize);
    font.setBold(true);
    label->setFont(font);
    setTextColor(label, color);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

void showImage(ImageView* view, const QString& name) {
    if (view->imageName() != name) {
        view->setImageName(name);
    }
}

ImageView* makeImage(QWidget* parent, const QRect& frame, const QString& name) {
    auto* image = new ImageView(parent);
    image->setGeometry(frame);
    image->setImageName(name);
    return image;
}

// Where a marker's flyout stands for a score. A score above five (bad data) stands at the top;
// no score at all stands below the bar, beside its "n/a": on the bar it would read as one star.
int flyoutTopFor(float score) {
    return score > 0.0f ? Geometry::flyoutY(std::min(score, 5.0f))
                        : Geometry::getSnapYForScoreValue(0.0);
}

// 0 for none.
float criticScore(const Game* game) {
    return game ? game->scoreCritic().value_or(0.0f) : 0.0f;
}

// Sets the alpha at once, ending any fade under way, which would otherwise overwrite it.
void setAlphaNow(QWidget* view, float alpha) {
    AnimationFunctions::fadeView(view, alpha, alpha, 0.0f);
}

}  // namespace

StarBarView::StarBarView(QWidget* parent) : TouchView(parent) {
    setFixedSize(kSize);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(u"My score"_s);

    const int noneY = Geometry::getSnapYForScoreValue(0.0);
    // Created bottom up: the user's slider passes under the stars, the flyouts over everything.
    slider_ = makeImage(this, kSlider.translated(0, Geometry::sliderY(0.0)), kSliderBlue);
    starBarImage_ = makeImage(this, kStarBar, u"starbar_stars.png"_s);
    sliderCritic_ = makeImage(this, kSliderCritic.translated(0, Geometry::sliderY(0.0)),
                              u"starbar_slider_critic.png"_s);

    flyoutView_ = new QWidget(this);
    flyoutView_->setGeometry(kFlyout.translated(0, noneY));
    flyoutView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    flyoutImage_ = makeImage(flyoutView_, QRect(QPoint(), kFlyout.size()), kFlyoutTheir);
    scoreDisplay_ = makeLabel(flyoutView_, kScoreDisplay, 15, kGrey);
    dragLines_ = makeImage(flyoutView_, kDragLines, u"starbar_drag_lines.png"_s);
    dragLines_->hide();

    flyoutCriticView_ = new QWidget(this);
    flyoutCriticView_->setGeometry(kFlyoutCritic.translated(0, noneY));
    flyoutCriticView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    makeImage(flyoutCriticView_, QRect(QPoint(), kFlyoutCritic.size()),
              u"starbar_flyout_critic.png"_s);
    scoreCritic_ = makeLabel(flyoutCriticView_, kScoreCritic, 13, kGrey);

    redrawScore();
}

StarBarView::~StarBarView() = default;

void StarBarView::setGame(Game* game) {
    game_ = game;
    myScore_ = game_ ? game_->myScore().value_or(0.0f) : 0.0f;
    redraw();
}

// --- Drawing

void StarBarView::redraw() {
    redrawScore();
    if (myScore_ > 0.0f) {
        showImage(slider_, kSliderOrange);
        showWideStarBar();
    } else {
        // A control shown for a game whose score has gone stands thin, whatever it showed.
        showThinStarBar();
    }
    animateSlider(slider_, getDisplayScore(), true);
    animateSlider(sliderCritic_, criticScore(game_), true);
    animateFlyover(true);
}

void StarBarView::redrawScore() {
    const auto show = [](QLabel* label, float score) {
        const bool known = score > 0.0f;
        label->setText(known ? Format::format(u"%.1f"_s, double(score)) : u"n/a"_s);
        ViewAlpha::setAlpha(label, known ? 1.0f : kDimmedAlpha);
    };
    show(scoreDisplay_, getDisplayScore());
    show(scoreCritic_, criticScore(game_));
    updateAccessibleText();
}

void StarBarView::redrawFlyout() {
    if (myScore_ > 0.0f) {
        showImage(slider_, kSliderOrange);
        showImage(flyoutImage_, myScore_ > kBottomFlyoutAbove ? kFlyoutYourBottom : kFlyoutYourTop);
        setTextColor(scoreDisplay_, kWhite);
    } else {
        showImage(slider_, kSliderBlue);
        showImage(flyoutImage_, kFlyoutTheir);
        setTextColor(scoreDisplay_, kGrey);
    }
}

float StarBarView::getDisplayScore() const {
    return Geometry::displayScore(myScore_, game_ ? game_->scoreCritic() : std::nullopt);
}

void StarBarView::animateFlyover(bool animated) {
    redrawFlyout();
    const auto place = [animated](QWidget* flyout, float score) {
        const QPointF to(flyout->x(), flyoutTopFor(score));
        if (animated) {
            AnimationFunctions::moveView(flyout, QPointF(flyout->x(), flyoutTopFor(0.0f)), to,
                                         kFlyoverMs / 1000.0f);
        } else {
            AnimationFunctions::moveView(flyout, to, 0.0f);
        }
    };
    place(flyoutView_, getDisplayScore());
    place(flyoutCriticView_, criticScore(game_));
}

void StarBarView::animateSlider(ImageView* slider, float withScore, bool animated) {
    const QPointF to(slider->x(), Geometry::sliderY(std::min(withScore, 5.0f)));
    if (animated) {
        AnimationFunctions::moveView(slider, QPointF(slider->x(), slider->height()), to,
                                     kSliderMs / 1000.0f);
    } else {
        AnimationFunctions::moveView(slider, to, 0.0f);
    }
}

void StarBarView::showWideStarBar() {
    AnimationFunctions::moveView(this, QPointF(kWideX, y()), kWideSeconds);
}

void StarBarView::showThinStarBar() {
    AnimationFunctions::moveView(this, QPointF(kThinX, y()), kThinSeconds);
}

void StarBarView::updateAccessibleText() {
    const float critic = criticScore(game_);
    QString text;
    if (myScore_ > 0.0f) {
        text = Format::format(u"%.1f of 5"_s, double(myScore_));
    } else if (critic > 0.0f) {
        text = Format::format(u"none; critic %.1f of 5"_s, double(critic));
    } else {
        text = u"none"_s;
    }
    if (text == accessibleValueText_) {
        return;
    }
    accessibleValueText_ = text;
    QAccessibleValueChangeEvent changed(this, double(myScore_));
    QAccessible::updateAccessibility(&changed);
}

// --- Touches

bool StarBarView::didTouchStarBar(QPointF point) const {
    return AnimationFunctions::isPoint(point, QRectF(starBarImage_->geometry())) && point.x() > 50;
}

bool StarBarView::didTouchFlyout(QPointF point) const {
    return AnimationFunctions::isPoint(point, QRectF(flyoutView_->geometry()));
}

void StarBarView::touchesBegan(QPointF point) {
    if (!game_ || !didTouchFlyout(point)) {
        return;
    }
    touchOffset_ = int(std::trunc(point.y() - flyoutView_->y()));
    startDragging(point, false);
}

void StarBarView::touchesMoved(QPointF point) {
    if (!draggingFlyout_) {
        return;
    }
    if (Geometry::removesScore(point)) {
        endDragging(false);
    } else {
        slideFlyoutToPoint(point);
    }
}

void StarBarView::touchesEnded(QPointF point) {
    if (!game_) {
        return;
    }
    if (draggingFlyout_) {
        endDragging(true);
        return;
    }
    QlMetricWriter::writeMetric(u"Starbar: pressed"_s, kFeature);
    if (didTouchStarBar(point)) {
        touchOffset_ = Geometry::kTapTouchOffset;
        startDragging(point, true);
        endDragging(true);
    }
}

void StarBarView::touchesCancelled() {
    if (draggingFlyout_) {
        endDragging(true);
    }
}

void StarBarView::startDragging(QPointF point, bool snapToPoint) {
    draggingFlyout_ = true;
    dragLines_->show();
    showImage(slider_, kSliderOrange);
    showImage(flyoutImage_, kFlyoutYourTop);
    setTextColor(scoreDisplay_, kWhite);
    if (snapToPoint) {
        snapFlyoutToPoint(point);
    } else {
        slideFlyoutToPoint(point);
    }
}

void StarBarView::slideFlyoutToPoint(QPointF point) {
    const int d = int(std::trunc(point.y() - touchOffset_));
    ViewAlpha::setAlpha(scoreDisplay_, 1.0f);
    setNewScoreValue(float(Geometry::scoreForDrag(d)));
    animateSlider(slider_, myScore_, false);
    animateFlyover(false);
    showMyScoreOveraly();
}

void StarBarView::snapFlyoutToPoint(QPointF point) {
    const int d = int(std::trunc(point.y() - touchOffset_));
    ViewAlpha::setAlpha(scoreDisplay_, 1.0f);
    const int score = Geometry::scoreForTap(d);
    setNewScoreValue(float(score));
    AnimationFunctions::moveView(
        flyoutView_, QPointF(flyoutView_->x(), Geometry::getSnapYForScoreValue(score)), 0.0f);
    AnimationFunctions::moveView(slider_, QPointF(slider_->x(), Geometry::snappedSliderY(score)),
                                 0.0f);
}

void StarBarView::setNewScoreValue(float score) {
    myScore_ = score;
    scoreDisplay_->setText(Format::format(u"%.1f"_s, double(myScore_)));
    updateAccessibleText();
}

void StarBarView::endDragging(bool keep) {
    hideMyScoreOveraly();
    draggingFlyout_ = false;
    dragLines_->hide();
    QlMetricWriter::writeMetric(u"Starbar: dragged"_s, kFeature);
    if (keep) {
        game_->setMyScore(myScore_);
        game_->setScoreDisplay(myScore_);
        showWideStarBar();
        if (int(myScore_) == 5) {
            showImage(flyoutImage_, kFlyoutYourBottom);
        }
    } else {
        myScore_ = 0.0f;
        game_->setMyScore(0.0f);
        game_->setScoreDisplay(game_->scoreCritic());
        setAlphaNow(flyoutView_, kDimmedAlpha);
        showThinStarBar();
        updateAccessibleText();
        // Timed with the control as its context, so it goes when the control goes.
        Animator::after(kFinishRemoveMs, this, [this] { finishRemoveScoreAnimations(); });
    }
    saveGameData();
}

void StarBarView::finishRemoveScoreAnimations() {
    // A score given again since the removal (or a drag under way) already stands where it
    // should; flying the markers in again would pull them from under it and grey its text.
    if (myScore_ <= 0.0f && !draggingFlyout_) {
        showImage(flyoutImage_, kFlyoutTheir);
        showImage(slider_, kSliderBlue);
        redrawScore();
        animateSlider(slider_, getDisplayScore(), true);
        animateFlyover(true);
        setTextColor(scoreDisplay_, kGrey);
    }
    setAlphaNow(flyoutView_, 1.0f);
}

void StarBarView::showMyScoreOveraly() {
    if (detailPageDelegate_) {
        detailPageDelegate_->showMyScoreOveraly(myScore_);
    }
}

void StarBarView::hideMyScoreOveraly() {
    if (detailPageDelegate_) {
        detailPageDelegate_->hideMyScoreOveraly();
    }
}

void StarBarView::saveGameData() {
    if (detailPageDelegate_) {
        detailPageDelegate_->myScoreChanged();
    }
}

void StarBarView::tapScore(int score) {
    // The finger on the bar where a tap gives that star: at its flyout's top plus the offset
    // a tap reads with.
    touchesEnded(QPointF(starBarImage_->geometry().center().x(),
                         Geometry::getSnapYForScoreValue(score) + Geometry::kTapTouchOffset));
}

void StarBarView::setAccessibleValue(double score) {
    if (!game_ || isTouchInProgress() || draggingFlyout_ || std::isnan(score)) {
        return;
    }
    if (score > 0.0) {
        tapScore(std::clamp(int(std::lround(score)), 1, 5));
    } else if (myScore_ > 0.0f) {
        endDragging(false);
    }
}

void StarBarView::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
    if (!game_ || !plain || isTouchInProgress() || draggingFlyout_) {
        QWidget::keyPressEvent(event);
        return;
    }
    const float shown = getDisplayScore();
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        // To the next whole star above or below what shows, within one to five stars; at an
        // end nothing changes.
        const int step = key == Qt::Key_Up ? int(std::floor(shown)) + 1 : int(std::ceil(shown)) - 1;
        const int score = std::clamp(step, 1, 5);
        if (myScore_ != float(score)) {
            tapScore(score);
        }
    } else if (key >= Qt::Key_1 && key <= Qt::Key_5) {
        tapScore(key - Qt::Key_0);
    } else if (key == Qt::Key_0 || key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        if (myScore_ > 0.0f) {
            endDragging(false);
        }
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void StarBarView::paintEvent(QPaintEvent*) {
    if (!hasFocus()) {
        return;
    }
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(QPalette::Window);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
