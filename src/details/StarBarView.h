#pragma once

#include <QLabel>
#include <QPointF>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>

#include "StarBarViewDelegate.h"

class Game;
class ImageView;

// The rating control of the detail screen: a vertical bar of five stars (1 at the bottom) with
// two markers beside it, the critic's and the user's. A tap on the bar gives a whole star;
// pressing the user's flyout and dragging it gives a score with a fraction; dragging it far left
// or down removes the user's score. The result goes into the game and the delegate is told, which
// saves and lets the others know.
//
// Touches are the left mouse button's press, move and release (and touch events where the
// platform sends them), in the control's own coordinates; a lost grab is a cancel. With the
// control focused, Up/Down and 1-5 set a whole-star score and 0 or Delete removes it, through the
// same paths as a tap and a removal. Main thread only; the game belongs to the store context and
// must outlive the control.
class StarBarView : public QWidget {
    Q_OBJECT

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

    StarBarViewDelegate* detailPageDelegate() const { return detailPageDelegate_; }
    void setDetailPageDelegate(StarBarViewDelegate* delegate) { detailPageDelegate_ = delegate; }

    // The touch handlers, in the control's coordinates (the first touch's location).
    void touchesBegan(QPointF point);
    void touchesMoved(QPointF point);
    void touchesEnded(QPointF point);
    void touchesCancelled();

    bool isDraggingFlyout() const { return draggingFlyout_; }

    QWidget* flyoutView() const;
    ImageView* flyoutImage() const;
    ImageView* slider() const;
    QWidget* flyoutCriticView() const;
    ImageView* sliderCritic() const;
    ImageView* starBarImage() const;
    QWidget* dragLines() const;
    QLabel* scoreDisplay() const;
    QLabel* scoreCritic() const;

private:
    Game* game_ = nullptr;
    float myScore_ = 0.0f;
    StarBarViewDelegate* detailPageDelegate_ = nullptr;
    bool draggingFlyout_ = false;
    int touchOffset_ = 0;
};
