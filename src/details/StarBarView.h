#pragma once

#include <QLabel>
#include <QPointF>
#include <QPointer>
#include <QPropertyAnimation>

#include "StarBarViewDelegate.h"
#include "TouchView.h"

class Game;
class ImageView;
class QKeyEvent;

// The rating control of the detail screen: a vertical bar of five stars (1 at the bottom) with
// two markers beside it, the critic's and the user's. A tap on the bar gives a whole star;
// pressing the user's flyout and dragging it gives a score with a fraction; dragging it far left
// or down removes the user's score. The result goes into the game and the delegate is told, which
// saves and lets the others know.
//
// Touches are the left mouse button's press, move and release and touch events, read as
// TouchView reads them; a cancelled touch (a lost grab) keeps the score it reached. With the
// control focused, Up/Down and 1-5 set a whole-star score and 0 or Delete removes it, through the
// same paths as a tap and a removal. Main thread only; the game belongs to the store context and
// must outlive the control.
class StarBarView : public TouchView {
    Q_OBJECT
    // What screen readers read as the control's value (see ValueControlAccessible).
    Q_PROPERTY(QString accessibleValueText READ accessibleValueText)
    Q_PROPERTY(double accessibleValue READ accessibleValue WRITE setAccessibleValue)
    Q_PROPERTY(double accessibleMinimum READ accessibleMinimum CONSTANT)
    Q_PROPERTY(double accessibleMaximum READ accessibleMaximum CONSTANT)

public:
    // The control's x while the user has a score (wide) and while not (thin).
    static constexpr int kWideX = 179;
    static constexpr int kThinX = 224;

    explicit StarBarView(QWidget* parent = nullptr);
    ~StarBarView() override;

    Game* game() const { return game_; }
    // Takes the game's myScore and redraws, markers animated in.
    void setGame(Game* game);
    // The score shown or being dragged; 0 means none.
    float myScore() const { return myScore_; }
    void setMyScore(float myScore) { myScore_ = myScore; }

    // "3.5 of 5", or "none" with the critic's score when there is one.
    QString accessibleValueText() const { return accessibleValueText_; }
    double accessibleValue() const { return double(myScore_); }
    // From a screen reader: a whole-star score (rounded, at most five) or, at 0 or below, no
    // score, as the keys give them.
    void setAccessibleValue(double score);
    static double accessibleMinimum() { return 0.0; }
    static double accessibleMaximum() { return 5.0; }

    StarBarViewDelegate* detailPageDelegate() const { return detailPageDelegate_; }
    void setDetailPageDelegate(StarBarViewDelegate* delegate) { detailPageDelegate_ = delegate; }

    // The touch handlers, in the control's coordinates (the first touch's location).
    void touchesBegan(QPointF point) override;
    void touchesMoved(QPointF point) override;
    void touchesEnded(QPointF point) override;
    void touchesCancelled() override;

    bool isDraggingFlyout() const { return draggingFlyout_; }

    QWidget* flyoutView() const { return flyoutView_; }
    ImageView* flyoutImage() const { return flyoutImage_; }
    ImageView* slider() const { return slider_; }
    QWidget* flyoutCriticView() const { return flyoutCriticView_; }
    ImageView* sliderCritic() const { return sliderCritic_; }
    ImageView* starBarImage() const { return starBarImage_; }
    QWidget* dragLines() const { return dragLines_; }
    QLabel* scoreDisplay() const { return scoreDisplay_; }
    QLabel* scoreCritic() const { return scoreCritic_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void redraw();
    void redrawScore();
    void redrawFlyout();
    float getDisplayScore() const;
    bool didTouchStarBar(QPointF point) const;
    bool didTouchFlyout(QPointF point) const;
    void startDragging(QPointF point, bool snapToPoint);
    void slideFlyoutToPoint(QPointF point);
    void snapFlyoutToPoint(QPointF point);
    void setNewScoreValue(float score);
    void endDragging(bool keep);
    void finishRemoveScoreAnimations();
    void animateFlyover(bool animated);
    void animateSlider(ImageView* slider, float withScore, bool animated);
    void showWideStarBar();
    void showThinStarBar();
    void showMyScoreOveraly();
    void hideMyScoreOveraly();
    void saveGameData();

    // A whole-star score from the keyboard, as a tap on that star.
    void tapScore(int score);
    void updateAccessibleText();

    Game* game_ = nullptr;
    float myScore_ = 0.0f;
    QString accessibleValueText_;
    StarBarViewDelegate* detailPageDelegate_ = nullptr;
    bool draggingFlyout_ = false;
    int touchOffset_ = 0;

    QWidget* flyoutView_ = nullptr;
    ImageView* flyoutImage_ = nullptr;
    QLabel* scoreDisplay_ = nullptr;
    QWidget* dragLines_ = nullptr;
    ImageView* slider_ = nullptr;
    ImageView* starBarImage_ = nullptr;
    ImageView* sliderCritic_ = nullptr;
    QWidget* flyoutCriticView_ = nullptr;
    QLabel* scoreCritic_ = nullptr;
};
