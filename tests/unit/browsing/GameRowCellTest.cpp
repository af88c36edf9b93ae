#include "GameRowCell.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "../media/ImageLoaderTestSupport.h"
#include "CommaDecimalLocale.h"
#include "ImageLoader.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "QlBoxImage.h"
#include "ScopedClock.h"
#include "ScopedZone.h"
#include "TestStore.h"
#include "ViewAlpha.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray jpeg(const QColor& colour) {
    return jpegBytes(60, 84, colour);
}

bool near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 &&
           qAbs(a.blue() - b.blue()) < 24;
}

// The downloads the loader's workers ask for, held back per address until the test opens it.
class FakeArtServer {
public:
    QByteArray fetch(const QString& url) {
        std::unique_lock lock(mu_);
        requests_.append(url);
        changed_.notify_all();
        changed_.wait(lock, [&] { return !held_.contains(url) || openAll_; });
        return answers_.value(url);
    }
    void answer(const QString& url, const QColor& colour, bool hold = false) {
        std::lock_guard lock(mu_);
        answers_.insert(url, jpeg(colour));
        if (hold) {
            held_.insert(url);
        }
    }
    void release(const QString& url) {
        {
            std::lock_guard lock(mu_);
            held_.remove(url);
        }
        changed_.notify_all();
    }
    void releaseAll() {
        {
            std::lock_guard lock(mu_);
            openAll_ = true;
        }
        changed_.notify_all();
    }
    QStringList requests() const {
        std::lock_guard lock(mu_);
        return requests_;
    }
    bool waitForRequest(const QString& url) const {
        return QTest::qWaitFor([&] { return requests().contains(url); }, 5000);
    }

private:
    mutable std::mutex mu_;
    std::condition_variable changed_;
    QHash<QString, QByteArray> answers_;
    QSet<QString> held_;
    QStringList requests_;
    bool openAll_ = false;
};

class GameRowCellTest : public testing::Test {
protected:
    void SetUp() override {
        ImageLoader::resetInstance();
        ImageLoader::setDownloader([this](const QString& url) { return server.fetch(url); });
        loader = ImageLoader::instanceOf();
        cell = std::make_unique<GameRowCell>();
    }
    void TearDown() override {
        cell.reset();
        server.releaseAll();
        EXPECT_TRUE(QTest::qWaitFor([this] { return loader->isIdle(); }, 5000));
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
    }
    Game* gameWithArt(const QString& title, const QString& url) {
        Game* game = store.add(title);
        game->setUrlBoxArt(url);
        return game;
    }
    void putOnDisk(const QString& url, const QColor& colour) {
        QDir().mkpath(loader->imagePath());
        QFile file(loader->imagePath() + ImageLoader::fileKey(url) + u".jpg"_s);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(jpeg(colour));
    }
    QColor boxCentre() const {
        const QImage image = cell->boxImage()->image();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    bool showsFramed(const QImage& image) const {
        return cell->boxImage()->image() == cell->boxImage()->imageWithBorderFromImage(image);
    }
    float boxAlpha() const {
        EXPECT_EQ(ViewAlpha::alpha(cell->boxImage()), ViewAlpha::alpha(cell->boxImageBackground()));
        return ViewAlpha::alpha(cell->boxImage());
    }

    TestStore store;
    FakeArtServer server;
    ImageLoader* loader = nullptr;
    std::unique_ptr<GameRowCell> cell;
};

TEST_F(GameRowCellTest, LoadsItsViewsAtRowSize) {
    EXPECT_EQ(cell->reuseIdentifier(), u"GameRowCell"_s);
    for (QWidget* view : std::initializer_list<QWidget*>{
             cell->title(), cell->gameDescription(), cell->genreDescription(), cell->esrbLabel(),
             cell->daysAwayString(), cell->scoreDisplay(), cell->scoreBackgroundImage(),
             cell->playedIcon(), cell->wishIcon(), cell->boxImage(), cell->boxImageBackground(),
             cell->releaseDateString(), cell->genre()}) {
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->parentWidget(), cell.get());
        EXPECT_TRUE(QRect(0, 0, 320, 95).contains(view->geometry()))
            << view->objectName().toStdString();
    }
    EXPECT_EQ(cell->height(), 95);
    // The pictures are drawn at twice their size in points.
    const QPixmap block = GameRowCell::cellImage(GameRowCell::kUserBlock);
    ASSERT_FALSE(block.isNull());
    EXPECT_EQ(block.devicePixelRatio(), 2.0);
    EXPECT_EQ(block.deviceIndependentSize().toSize(), cell->scoreBackgroundImage()->size());
}

TEST_F(GameRowCellTest, ScoreBlockShowsUserScoreOverCriticScoreAndDimsNotAvailable) {
    const CommaDecimalLocale german;  // scores read "3.5" in every language
    ASSERT_TRUE(german.active());
    const QImage userBlock = GameRowCell::cellImage(GameRowCell::kUserBlock).toImage();
    const QImage criticBlock = GameRowCell::cellImage(GameRowCell::kCriticBlock).toImage();
    ASSERT_NE(userBlock, criticBlock);
    auto textColour = [&] { return cell->scoreDisplay()->palette().color(QPalette::WindowText); };
    auto blockImage = [&] { return cell->scoreBackgroundImage()->pixmap().toImage(); };

    Game* both = store.add(u"Both"_s);
    both->setMyScore(3.5f);
    both->setScoreCritic(4.2f);
    Game* critic = store.add(u"Critic"_s);
    critic->setMyScore(0.0f);
    critic->setScoreCritic(4.2f);
    Game* neither = store.add(u"Neither"_s);
    neither->setMyScore(0.0f);
    neither->setScoreCritic(0.0f);
    Game* absent = store.add(u"Absent"_s);

    cell->setGame(both);
    EXPECT_EQ(cell->scoreDisplay()->text(), u"3.5"_s);
    EXPECT_EQ(textColour(), QColor(Qt::white));
    EXPECT_EQ(blockImage(), userBlock);

    for (Game* game : {neither, absent}) {
        cell->setGame(game);
        EXPECT_EQ(cell->scoreDisplay()->text(), u"n/a"_s) << game->title().toStdString();
        EXPECT_NE(textColour(), QColor(Qt::white));
        EXPECT_EQ(blockImage(), criticBlock);
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreDisplay()), 0.2f);
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreBackgroundImage()), 0.4f);
    }

    // A score after "n/a" must bring the alphas back.
    cell->setGame(critic);
    EXPECT_EQ(cell->scoreDisplay()->text(), u"4.2"_s);
    EXPECT_EQ(textColour(), QColor(85, 85, 85));
    EXPECT_EQ(blockImage(), criticBlock);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreDisplay()), 1.0f);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreBackgroundImage()), 1.0f);

    cell->setGame(neither);
    cell->setGame(both);
    EXPECT_EQ(textColour(), QColor(Qt::white));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreDisplay()), 1.0f);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreBackgroundImage()), 1.0f);
}

TEST_F(GameRowCellTest, PlayedAndWishMarksAreOnAtFullAlphaAndOffDimmed) {
    auto shows = [](QLabel* icon, const QString& name) {
        return icon->pixmap().toImage() == GameRowCell::cellImage(name).toImage();
    };
    Game* played = store.add(u"Played"_s);
    played->setMyIsPlayed(1);
    played->setMyIsWished(0);
    Game* wished = store.add(u"Wished"_s);
    wished->setMyIsWished(1);

    cell->setGame(played);
    EXPECT_TRUE(shows(cell->playedIcon(), GameRowCell::kPlayedOn));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->playedIcon()), 1.0f);
    EXPECT_TRUE(shows(cell->wishIcon(), GameRowCell::kWishOff));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->wishIcon()), 0.4f);

    cell->setGame(wished);
    EXPECT_TRUE(shows(cell->playedIcon(), GameRowCell::kPlayedOff));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->playedIcon()), 0.4f);
    EXPECT_TRUE(shows(cell->wishIcon(), GameRowCell::kWishOn));
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->wishIcon()), 1.0f);
}

TEST_F(GameRowCellTest, ShowsTheGameTextsAndDimsTheDescriptionPlaceholder) {
    Game* game = store.add(u"Zelda"_s);
    game->setGameDescription(u"A sword and a shield."_s);
    game->setGenreDescription(u"Adventure"_s);
    game->setEsrbDescription(u"Teen"_s);
    Game* empty = store.add(u"Empty"_s);
    empty->setGameDescription(u""_s);
    Game* absent = store.add(u"Absent"_s);

    for (Game* placeholder : {empty, absent}) {
        cell->setGame(placeholder);
        EXPECT_EQ(cell->gameDescription()->text(), u"no description available"_s);
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->gameDescription()), 0.3f);
    }
    cell->setGame(game);
    EXPECT_EQ(cell->title()->text(), u"Zelda"_s);
    EXPECT_EQ(cell->gameDescription()->text(), u"A sword and a shield."_s);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->gameDescription()), 1.0f);
    EXPECT_EQ(cell->genreDescription()->text(), u"Adventure"_s);
    EXPECT_EQ(cell->esrbLabel()->text(), u"Teen"_s);

    // No game leaves nothing of the last one behind.
    cell->setGame(nullptr);
    EXPECT_EQ(cell->game(), nullptr);
    EXPECT_TRUE(cell->title()->text().isEmpty());
    EXPECT_TRUE(cell->gameDescription()->text().isEmpty());
    EXPECT_TRUE(cell->scoreDisplay()->text().isEmpty());
    EXPECT_TRUE(cell->boxImage()->pixmap().isNull());
}

TEST_F(GameRowCellTest, ReleasePhraseCountsFromTodayAndAMissingDateIsNotAvailable) {
    ScopedZone zone("America/New_York");
    ScopedClock clock(QDateTime(QDate(2026, 6, 17), QTime(15, 0)));
    Game* recent = store.add(u"Recent"_s, QDateTime(QDate(2026, 6, 12), QTime(0, 0)));
    Game* coming = store.add(u"Coming"_s, QDateTime(QDate(2026, 9, 25), QTime(0, 0)));
    Game* undated = store.add(u"Undated"_s);

    cell->setGame(recent);
    EXPECT_EQ(cell->daysAwayString()->text(), u"Released 5 days ago"_s);
    cell->setGame(coming);
    EXPECT_EQ(cell->daysAwayString()->text(), u"Releasing in 3 months"_s);
    // Regression: a missing date was formatted as now and read "Released Today".
    cell->setGame(undated);
    EXPECT_EQ(cell->daysAwayString()->text(), u"Not available"_s);
}

TEST_F(GameRowCellTest, GameWithoutHttpArtAddressShowsNotFoundAndNeverQueues) {
    Game* none = store.add(u"None"_s);
    Game* empty = gameWithArt(u"Empty"_s, u""_s);
    Game* ftp = gameWithArt(u"Ftp"_s, u"ftp://art.example/a.jpg"_s);
    for (Game* game : {none, empty, ftp}) {
        cell->setGame(game);
        EXPECT_TRUE(showsFramed(loader->notFoundImage())) << game->title().toStdString();
        EXPECT_FLOAT_EQ(boxAlpha(), 0.4f);
        EXPECT_EQ(cell->imageTimer(), nullptr);
    }
    QTest::qWait(GameRowCell::kImageDelayMsecs * 3);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(loader->isIdle());
    // The cell stops the shared loader from keeping images in memory.
    EXPECT_FALSE(loader->cacheImages());
    EXPECT_EQ(cell->boxImage()->borderWidth(), 4);
}

TEST_F(GameRowCellTest, ArtOnDiskShowsAtOnceWithoutARequest) {
    const QString url = u"http://127.0.0.1:1/art/disk.jpg"_s;
    putOnDisk(url, QColor(30, 160, 40));
    cell->setGame(gameWithArt(u"On disk"_s, url));
    EXPECT_TRUE(near(boxCentre(), QColor(30, 160, 40)));
    EXPECT_FLOAT_EQ(boxAlpha(), 1.0f);
    EXPECT_EQ(cell->imageTimer(), nullptr);
    QTest::qWait(GameRowCell::kImageDelayMsecs * 3);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(GameRowCellTest, ArtNotOnDiskWaitsThenDownloadsAndShowsAtFullAlpha) {
    const QString url = u"http://127.0.0.1:1/art/new.jpg"_s;
    server.answer(url, QColor(200, 40, 40));
    cell->setGame(gameWithArt(u"New"_s, url));
    EXPECT_TRUE(showsFramed(loader->loadingImage()));
    EXPECT_FLOAT_EQ(boxAlpha(), 0.4f);
    ASSERT_NE(cell->imageTimer(), nullptr);
    EXPECT_TRUE(cell->imageTimer()->isSingleShot());
    EXPECT_EQ(cell->imageTimer()->interval(), 100);
    EXPECT_FALSE(loader->isPending(url));  // nothing asked before the delay

    ASSERT_TRUE(QTest::qWaitFor([&] { return boxAlpha() == 1.0f; }, 5000));
    EXPECT_TRUE(near(boxCentre(), QColor(200, 40, 40)));
    EXPECT_EQ(server.requests(), QStringList{url});
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForName(
                  ImageLoader::kImagePulledPrefix + url),
              0);
}

TEST_F(GameRowCellTest, ReusedCellNeverShowsTheEarlierGamesArt) {
    const QString first = u"http://127.0.0.1:1/art/first.jpg"_s;
    const QString second = u"http://127.0.0.1:1/art/second.jpg"_s;
    server.answer(first, QColor(200, 40, 40), true);
    server.answer(second, QColor(40, 40, 200), true);

    cell->setGame(gameWithArt(u"First"_s, first));
    ASSERT_TRUE(server.waitForRequest(first));
    cell->prepareForReuse();
    cell->setGame(gameWithArt(u"Second"_s, second));
    ASSERT_TRUE(server.waitForRequest(second));

    // The first game's download finishes while the second's is still on its way.
    server.release(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !loader->isPending(first); }, 5000));
    QTest::qWait(50);
    EXPECT_TRUE(showsFramed(loader->loadingImage()));
    EXPECT_FLOAT_EQ(boxAlpha(), 0.4f);

    // A completion for the earlier address that still reaches the cell changes nothing and
    // leaves the wait for the current art in place.
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    cell->imagePullCompleted(Notification(ImageLoader::kImagePulledPrefix + first, {},
                                          {{u"image"_s, red}, {u"imageURL"_s, first}}));
    EXPECT_TRUE(showsFramed(loader->loadingImage()));
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForName(
                  ImageLoader::kImagePulledPrefix + second),
              1);

    server.release(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxAlpha() == 1.0f; }, 5000));
    EXPECT_TRUE(near(boxCentre(), QColor(40, 40, 200)));
}

TEST_F(GameRowCellTest, NewGameWithinTheDelayCancelsTheEarlierRequest) {
    const QString first = u"http://127.0.0.1:1/art/first.jpg"_s;
    const QString second = u"http://127.0.0.1:1/art/second.jpg"_s;
    server.answer(second, QColor(40, 40, 200));

    cell->setGame(gameWithArt(u"First"_s, first));
    cell->setGame(gameWithArt(u"Second"_s, second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxAlpha() == 1.0f; }, 5000));
    EXPECT_EQ(server.requests(), QStringList{second});

    // Reuse for a game without art, and a plain prepareForReuse, drop the timer too.
    cell->setGame(gameWithArt(u"Third"_s, u"http://127.0.0.1:1/art/third.jpg"_s));
    cell->setGame(store.add(u"No art"_s));
    cell->setGame(gameWithArt(u"Fourth"_s, u"http://127.0.0.1:1/art/fourth.jpg"_s));
    cell->prepareForReuse();
    EXPECT_EQ(cell->imageTimer(), nullptr);
    QTest::qWait(GameRowCell::kImageDelayMsecs * 3);
    EXPECT_EQ(server.requests(), QStringList{second});
}

TEST_F(GameRowCellTest, CompletionAfterTheCellIsGoneIsDropped) {
    const QString url = u"http://127.0.0.1:1/art/gone.jpg"_s;
    server.answer(url, QColor(200, 40, 40), true);
    cell->setGame(gameWithArt(u"Gone"_s, url));
    ASSERT_TRUE(server.waitForRequest(url));
    // The handler hands over to the main thread; the cell goes before that runs.
    cell->imagePullCompletedHandler(
        Notification(ImageLoader::kImagePulledPrefix + url, {}, {{u"imageURL"_s, url}}));
    cell.reset();
    server.release(url);
    EXPECT_TRUE(QTest::qWaitFor([&] { return loader->isIdle(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForName(
                  ImageLoader::kImagePulledPrefix + url),
              0);
}

}  // namespace
