#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <memory>

#include "BoxArtListener.h"
#include "QlBoxImage.h"
#include "TableViewCell.h"

class Game;
class ImageLoader;
class Notification;
namespace Ui {
class GameRowCell;
}

// One row of the game list, laid out by its interface file (320 x 95): title, description,
// genre, age rating, release phrase, score block, played and wish marks, and box art.
// setGame redraws everything from the game. Box art comes from the shared ImageLoader: from
// its cache or disk at once, otherwise after kImageDelayMsecs through the loader's queue; the
// completion notification arrives on a worker thread and is handed to the main thread. A cell
// given another game (or prepared for reuse) drops the earlier game's timer and observer and
// ignores a late completion for it. Main thread only; the game belongs to the store context.
class GameRowCell : public TableViewCell {
    Q_OBJECT

public:
    static inline const QString kReuseIdentifier = QStringLiteral("GameRowCell");
    static constexpr int kImageDelayMsecs = 100;
    static constexpr int kBoxBorderWidth = 4;

    explicit GameRowCell(QWidget* parent = nullptr);
    ~GameRowCell() override;

    void prepareForReuse() override;

    // Shows the game (null shows an empty row).
    void setGame(Game* game);
    Game* game() const { return game_; }

    // What a screen reader reads for the row: "Title, score 8.5, Released 3 days ago, wished,
    // played", the score and release as the row shows them, each mark only when set.
    QString spokenText() const;
    void drawScore();
    void drawIcons();
    void loadBoxImage();
    // Stops the pending delayed request, if any.
    void cancelBoxImageLoad();
    void addImageCompleteListener();
    void removeImageCompleteListener();
    // Main thread: shows the announced image when it is still the current game's.
    void imagePullCompleted(const Notification& notification);

    // The row's pictures, at device pixel ratio 2.
    static QPixmap cellImage(const QString& name);

    QLabel* title() const;
    QLabel* gameDescription() const;
    QLabel* genreDescription() const;
    QLabel* esrbLabel() const;
    QLabel* daysAwayString() const;
    QLabel* releaseDateString() const;
    QLabel* genre() const;
    QLabel* scoreDisplay() const;
    QLabel* scoreBackgroundImage() const;
    QLabel* playedIcon() const;
    QLabel* wishIcon() const;
    QlBoxImage* boxImage() const;
    QWidget* boxImageBackground() const;
    // Whether a delayed request for the current game's art waits.
    bool imageRequestWaiting() const { return !imageDelay_.isNull(); }
    ImageLoader* imageLoader() const { return imageLoader_; }
    bool pullingImage() const { return pullingImage_; }
    void setPullingImage(bool pullingImage) { pullingImage_ = pullingImage; }
    QObject* delegate() const { return delegate_; }
    void setDelegate(QObject* delegate) { delegate_ = delegate; }

    // The images named by the row, in the order the cell uses them.
    static inline const QString kUserBlock = QStringLiteral("cell_score_block_user.png");
    static inline const QString kCriticBlock = QStringLiteral("cell_score_block_critic.png");
    static inline const QString kPlayedOn = QStringLiteral("cell_icon_played_on.png");
    static inline const QString kPlayedOff = QStringLiteral("cell_icon_played_off.png");
    static inline const QString kWishOn = QStringLiteral("cell_icon_wish_on.png");
    static inline const QString kWishOff = QStringLiteral("cell_icon_wish_off.png");
    static inline const QString kNoDescription = QStringLiteral("no description available");

private:
    void _initialize();
    void _firePullBoxArt();
    void _addFireTimerToMainThread();
    void setBoxAlpha(float alpha);
    // The name observed for the current game's art.
    QString imagePulledName() const;

    std::unique_ptr<Ui::GameRowCell> ui_;
    Game* game_ = nullptr;
    // Lives while the delayed request waits.
    QPointer<QObject> imageDelay_;
    ImageLoader* imageLoader_ = nullptr;
    bool pullingImage_ = false;
    QPointer<QObject> delegate_;
    // Waits for the current game's art; its announcement reaches the cell on the main thread,
    // and never once the cell is gone or waits for another game's.
    BoxArtListener boxArtListener_;
};
