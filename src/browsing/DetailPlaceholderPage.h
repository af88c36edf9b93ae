#pragma once

#include <QWidget>

class Game;
class QLabel;
class QPushButton;

// What selecting a game opens until the full detail screen is in place: the game's title, its
// platform and release, and a button back to the list (the navigation bar is hidden, so the
// page carries its own). Main thread only; the game belongs to the store context.
class DetailPlaceholderPage : public QWidget {
    Q_OBJECT
public:
    explicit DetailPlaceholderPage(QWidget* parent = nullptr);
    ~DetailPlaceholderPage() override;

    void setGame(Game* game);
    Game* game() const { return game_; }

    QLabel* titleLabel() const { return title_; }
    QPushButton* backButton() const { return back_; }

private:
    Game* game_ = nullptr;
    QLabel* title_;
    QLabel* facts_;
    QPushButton* back_;
};
