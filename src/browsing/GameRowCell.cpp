#include "GameRowCell.h"

#include <QPixmap>
#include <exception>

#include "Animator.h"
#include "DateFunctions.h"
#include "Format.h"
#include "Game.h"
#include "GamePeriodLabeler.h"
#include "ImageLoader.h"
#include "MyLog.h"
#include "QlBoxImage.h"
#include "StringFunctions.h"
#include "ViewAlpha.h"
#include "ui_GameRowCell.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The handset's dark grey (a third of white).
const QColor kCriticScoreColour(85, 85, 85);

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

GameRowCell::GameRowCell(QWidget* parent)
    : TableViewCell(kReuseIdentifier, parent),
      ui_(std::make_unique<Ui::GameRowCell>()),
      boxArtListener_([this](const Notification& note) { imagePullCompleted(note); }) {
    ui_->setupUi(this);
}

QLabel* GameRowCell::title() const {
    return ui_->title;
}

QLabel* GameRowCell::gameDescription() const {
    return ui_->gameDescription;
}

QLabel* GameRowCell::genreDescription() const {
    return ui_->genreDescription;
}

QLabel* GameRowCell::esrbLabel() const {
    return ui_->esrbLabel;
}

QLabel* GameRowCell::daysAwayString() const {
    return ui_->daysAwayString;
}

QLabel* GameRowCell::releaseDateString() const {
    return ui_->releaseDateString;
}

QLabel* GameRowCell::genre() const {
    return ui_->genre;
}

QLabel* GameRowCell::scoreDisplay() const {
    return ui_->scoreDisplay;
}

QLabel* GameRowCell::scoreBackgroundImage() const {
    return ui_->scoreBackgroundImage;
}

QLabel* GameRowCell::playedIcon() const {
    return ui_->playedIcon;
}

QLabel* GameRowCell::wishIcon() const {
    return ui_->wishIcon;
}

QlBoxImage* GameRowCell::boxImage() const {
    return ui_->boxImage;
}

QWidget* GameRowCell::boxImageBackground() const {
    return ui_->boxImageBackground;
}

GameRowCell::~GameRowCell() {
    cancelBoxImageLoad();
    removeImageCompleteListener();
}

void GameRowCell::prepareForReuse() {
    TableViewCell::prepareForReuse();
    cancelBoxImageLoad();
    removeImageCompleteListener();
}

QPixmap GameRowCell::cellImage(const QString& name) {
    // The pictures are drawn at twice their size in points.
    QPixmap pixmap(u":/"_s + name);
    pixmap.setDevicePixelRatio(2.0);
    return pixmap;
}

void GameRowCell::setGame(Game* game) {
    _initialize();
    game_ = game;
    if (!game_) {
        for (QLabel* label : findChildren<QLabel*>()) {
            label->clear();
        }
        setAccessibleName(QString());
        return;
    }
    ui_->title->setText(game_->title());

    const QString description = game_->gameDescription();
    if (description.isEmpty()) {
        ui_->gameDescription->setText(kNoDescription);
        ViewAlpha::setAlpha(ui_->gameDescription, 0.3f);
    } else {
        ui_->gameDescription->setText(description);
        ViewAlpha::setAlpha(ui_->gameDescription, 1.0f);
    }

    ui_->genreDescription->setText(game_->genreDescription());
    ui_->esrbLabel->setText(game_->esrbDescription());

    // A missing date goes to the labeler as no date, which reads "Not available"; formatting it
    // would turn it into today.
    const QDateTime releaseDate = game_->releaseDate();
    ui_->daysAwayString->setText(GamePeriodLabeler::instanceOf()->getLabelForYMDString(
        releaseDate.isValid() ? DateFunctions::getYMDString(releaseDate) : QString()));

    drawScore();
    drawIcons();
    setAccessibleName(spokenText());
    loadBoxImage();
}

QString GameRowCell::spokenText() const {
    QStringList parts = {game_->title()};
    const QString score = ui_->scoreDisplay->text();
    // The user's own score shows in its own colour; a reader says whose it is instead.
    parts.append((game_->myScore().value_or(0.0f) > 0 ? u"my score "_s : u"score "_s) + score);
    parts.append(ui_->daysAwayString->text());
    if (game_->myIsWished().value_or(0) != 0) {
        parts.append(u"wished"_s);
    }
    if (game_->myIsPlayed().value_or(0) != 0) {
        parts.append(u"played"_s);
    }
    return parts.join(u", "_s);
}

void GameRowCell::_initialize() {
    if (!imageLoader_) {
        imageLoader_ = ImageLoader::instanceOf();
        imageLoader_->setCacheImages(false);
        ui_->boxImage->setBorderWidth(kBoxBorderWidth);
    }
    removeImageCompleteListener();
    // The earlier game's delayed request goes too, whatever the new game's address.
    cancelBoxImageLoad();
}

void GameRowCell::drawScore() {
    const float myScore = game_->myScore().value_or(0.0f);
    const float scoreCritic = game_->scoreCritic().value_or(0.0f);
    if (myScore > 0) {
        setTextColour(ui_->scoreDisplay, Qt::white);
        ui_->scoreBackgroundImage->setPixmap(cellImage(kUserBlock));
        ui_->scoreDisplay->setText(Format::format(u"%.1f"_s, double(myScore)));
        ViewAlpha::setAlpha(ui_->scoreDisplay, 1.0f);
        ViewAlpha::setAlpha(ui_->scoreBackgroundImage, 1.0f);
        return;
    }
    setTextColour(ui_->scoreDisplay, kCriticScoreColour);
    ui_->scoreBackgroundImage->setPixmap(cellImage(kCriticBlock));
    if (scoreCritic > 0) {
        ui_->scoreDisplay->setText(Format::format(u"%.1f"_s, double(scoreCritic)));
        ViewAlpha::setAlpha(ui_->scoreDisplay, 1.0f);
        ViewAlpha::setAlpha(ui_->scoreBackgroundImage, 1.0f);
    } else {
        ui_->scoreDisplay->setText(u"n/a"_s);
        ViewAlpha::setAlpha(ui_->scoreDisplay, 0.2f);
        ViewAlpha::setAlpha(ui_->scoreBackgroundImage, 0.4f);
    }
}

void GameRowCell::drawIcons() {
    const bool played = game_->myIsPlayed().value_or(0) != 0;
    ui_->playedIcon->setPixmap(cellImage(played ? kPlayedOn : kPlayedOff));
    ViewAlpha::setAlpha(ui_->playedIcon, played ? 1.0f : 0.4f);
    const bool wished = game_->myIsWished().value_or(0) != 0;
    ui_->wishIcon->setPixmap(cellImage(wished ? kWishOn : kWishOff));
    ViewAlpha::setAlpha(ui_->wishIcon, wished ? 1.0f : 0.4f);
}

void GameRowCell::loadBoxImage() {
    const QString url = game_->urlBoxArt();
    if (url.isNull() || !StringFunctions::contains(u"http:"_s, url)) {
        ui_->boxImage->setImage(imageLoader_->notFoundImage());
        setBoxAlpha(0.4f);
        MYLOG_IF(0, u"Game does not have a valid box art URL %@"_s, game_->title());
        return;
    }
    cancelBoxImageLoad();
    const QImage cached = imageLoader_->getCachedOrDiskImageForImageURL(url);
    if (!cached.isNull()) {
        ui_->boxImage->setImage(cached);
        MYLOG_IF(0, u"Found game image in cache or disk [%@]"_s, game_->title());
        setBoxAlpha(1.0f);
        return;
    }
    ui_->boxImage->setImage(imageLoader_->loadingImage());
    _addFireTimerToMainThread();
    setBoxAlpha(0.4f);
    MYLOG_IF(0, u"Game added to image queue [%@]"_s, game_->title());
}

void GameRowCell::_addFireTimerToMainThread() {
    // The delay runs while its token lives: dropping the token cancels it.
    auto* token = new QObject(this);
    imageDelay_ = token;
    Animator::after(kImageDelayMsecs, token, [this, token] {
        if (imageDelay_ == token) {
            imageDelay_ = nullptr;
        }
        token->deleteLater();
        _firePullBoxArt();
    });
}

void GameRowCell::cancelBoxImageLoad() {
    if (QObject* token = imageDelay_) {
        imageDelay_ = nullptr;
        delete token;
    }
}

void GameRowCell::_firePullBoxArt() {
    if (!game_) {
        return;
    }
    addImageCompleteListener();
    const QImage answer = imageLoader_->getImageForImageURL(game_->urlBoxArt());
    // A disk copy or the not-found image is final; only the waiting image has a download behind.
    if (answer != imageLoader_->loadingImage()) {
        removeImageCompleteListener();
    }
    ui_->boxImage->setImage(answer);
}

QString GameRowCell::imagePulledName() const {
    return ImageLoader::kImagePulledPrefix + (game_ ? game_->urlBoxArt() : QString());
}

void GameRowCell::addImageCompleteListener() {
    boxArtListener_.listen(game_ ? game_->urlBoxArt() : QString());
}

void GameRowCell::removeImageCompleteListener() {
    boxArtListener_.stop();
}

void GameRowCell::imagePullCompleted(const Notification& notification) {
    MYLOG_IF(0, u"Caught completed notification %@"_s, imagePulledName());
    const QString title = game_ ? game_->title() : QString();
    try {
        const QVariantMap& details = notification.userInfo();
        if (game_ && details.value(u"imageURL"_s).toString() == game_->urlBoxArt()) {
            MYLOG_IF(0, u"BoxImage Set: Start: %@"_s, title);
            ui_->boxImage->setImage(details.value(u"image"_s).value<QImage>());
            setBoxAlpha(1.0f);
            MYLOG_IF(0, u"BoxImage Set: Success: %@"_s, title);
        }
    } catch (const std::exception&) {
        MYLOG_IF(0, u"BoxImage Set: FAILURE: %@"_s, title);
        MYLOG_IF(0, u"imagePullCompleted ... this broke %@"_s, notification.description());
        MYLOG(u"imagePullCompleted ... this broke %@"_s, notification.description());
    }
    // Only the observation this notification answers ends here: a late one for an earlier game
    // must not stop the wait for the current game's art.
    if (notification.name() == boxArtListener_.name()) {
        removeImageCompleteListener();
    }
}

void GameRowCell::setBoxAlpha(float alpha) {
    ViewAlpha::setAlpha(ui_->boxImage, alpha);
    ViewAlpha::setAlpha(ui_->boxImageBackground, alpha);
}
