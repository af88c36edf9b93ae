#include "GameRowCell.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "../media/ImageLoaderTestSupport.h"
#include "Animator.h"
#include "CommaDecimalLocale.h"
#include "EventWait.h"
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

// The art downloads the loader's workers ask for, each answered in its colour once the test
// lets it go (all go unless held). The colours and holds are set before the cell asks.
struct FakeArtServer {
    QByteArray fetch(const QString& url) {
        std::unique_lock lock(mu);
        asked.append(url);
        changed.notify_all();
        changed.wait(lock, [&] { return !held.contains(url); });
        return jpegBytes(60, 84, colours.value(url));
    }
    void release(const QString& url = {}) {
        {
            std::lock_guard lock(mu);
            url.isNull() ? held.clear() : void(held.remove(url));
        }
        changed.notify_all();
    }
    QStringList requests() {
        std::lock_guard lock(mu);
        return asked;
    }
    // Plays out the row's art delay, then waits until a worker has asked for the address.
    bool waitForRequest(const QString& url) {
        Animator::runPendingDelays();
        std::unique_lock lock(mu);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return asked.contains(url); });
    }

    std::mutex mu;
    std::condition_variable changed;
    QHash<QString, QColor> colours;
    QSet<QString> held;
    QStringList asked;
};

class GameRowCellTest : public testing::Test {
protected:
    // The art's delay runs at the next turn of the event loop.
    void SetUp() override {
        Animator::setImmediate(true);
        ImageLoader::resetInstance();
        ImageLoader::setDownloader([this](const QString& url) { return server.fetch(url); });
        loader = ImageLoader::instanceOf();
        cell = std::make_unique<GameRowCell>();
    }
    void TearDown() override {
        cell.reset();
        server.release();
        EXPECT_TRUE(QTest::qWaitFor([this] { return loader->isIdle(); }, 5000));
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
        Animator::setImmediate(false);
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
        file.write(jpegBytes(60, 84, colour));
    }
    // Whether the box shows a picture of about that colour.
    bool showsColour(const QColor& colour) const {
        const QImage image = cell->boxImage()->image();
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        return qAbs(centre.red() - colour.red()) < 24 &&
               qAbs(centre.green() - colour.green()) < 24 &&
               qAbs(centre.blue() - colour.blue()) < 24;
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

// The user's score over the critics', "n/a" dimmed without either; the played and wish marks
// on at full alpha, off dimmed; a screen reader reads it all as one line.
TEST_F(GameRowCellTest, ScoreBlockAndMarksShowWhatTheGameHolds) {
    const CommaDecimalLocale german;  // scores read "3.5" in every language
    ASSERT_TRUE(german.active());
    struct Case {
        std::optional<float> myScore, critic;
        QString text;
        bool userBlock;
        float textAlpha, blockAlpha;
        bool played, wished;
        QString read;  // %1: the release as the row shows it
    };
    // In this order, so that a score after "n/a" must bring the alphas back, and each mark goes
    // from on to off and back.
    // clang-format off
    const Case cases[] = {
        {3.5f, 4.2f, u"3.5"_s, true, 1.0f, 1.0f, true, false, u"Scored, my score 3.5, %1, played"_s},
        {0.0f, 0.0f, u"n/a"_s, false, 0.2f, 0.4f, false, true, u"Scored, score n/a, %1, wished"_s},
        {0.0f, 4.2f, u"4.2"_s, false, 1.0f, 1.0f, true, true,
         u"Scored, score 4.2, %1, wished, played"_s},
        {{}, {}, u"n/a"_s, false, 0.2f, 0.4f, false, false, u"Scored, score n/a, %1"_s},
        {3.5f, 4.2f, u"3.5"_s, true, 1.0f, 1.0f, true, false, u"Scored, my score 3.5, %1, played"_s},
    };
    // clang-format on
    const auto shows = [](QLabel* icon, const QString& image, bool on) {
        return icon->pixmap().toImage() == GameRowCell::cellImage(image).toImage() &&
               ViewAlpha::alpha(icon) == (on ? 1.0f : 0.4f);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Game* game = store.add(u"Scored"_s);
        game->setMyScore(c.myScore);
        game->setScoreCritic(c.critic);
        game->setMyIsPlayed(c.played);
        game->setMyIsWished(c.wished);
        cell->setGame(game);
        EXPECT_EQ(cell->scoreDisplay()->text(), c.text);
        const QColor text = cell->scoreDisplay()->palette().color(QPalette::WindowText);
        EXPECT_EQ(text == Qt::white, c.userBlock);
        const QString block = c.userBlock ? GameRowCell::kUserBlock : GameRowCell::kCriticBlock;
        EXPECT_EQ(cell->scoreBackgroundImage()->pixmap().toImage(),
                  GameRowCell::cellImage(block).toImage());
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreDisplay()), c.textAlpha);
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->scoreBackgroundImage()), c.blockAlpha);
        EXPECT_TRUE(shows(cell->playedIcon(),
                          c.played ? GameRowCell::kPlayedOn : GameRowCell::kPlayedOff, c.played));
        EXPECT_TRUE(shows(cell->wishIcon(), c.wished ? GameRowCell::kWishOn : GameRowCell::kWishOff,
                          c.wished));
        EXPECT_EQ(QAccessible::queryAccessibleInterface(cell.get())->text(QAccessible::Name),
                  c.read.arg(cell->daysAwayString()->text()));
    }
}

TEST_F(GameRowCellTest, ShowsTheGameTextsAndAPlaceholderForWhatIsMissing) {
    ScopedZone zone("America/New_York");
    ScopedClock clock(QDateTime(QDate(2026, 6, 17), QTime(15, 0)));
    const auto texts = [&] {
        return QStringList{cell->title()->text(), cell->gameDescription()->text(),
                           cell->genreDescription()->text(), cell->esrbLabel()->text(),
                           cell->daysAwayString()->text()}
            .join(u'|');
    };
    Game* game = store.add(u"Zelda"_s, QDateTime(QDate(2026, 6, 12), QTime(0, 0)));
    game->setGameDescription(u"A sword."_s);
    game->setGenreDescription(u"Adventure"_s);
    game->setEsrbDescription(u"Teen"_s);
    cell->setGame(game);
    EXPECT_EQ(texts(), u"Zelda|A sword.|Adventure|Teen|Released 5 days ago"_s);
    EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->gameDescription()), 1.0f);
    // Regression: a missing date was formatted as now and read "Released Today".
    for (const QString& description : {u""_s, QString()}) {
        Game* placeholder = store.add(u"Undated"_s);
        placeholder->setGameDescription(description);
        cell->setGame(placeholder);
        EXPECT_EQ(texts(), u"Undated|no description available|||Not available"_s);
        EXPECT_FLOAT_EQ(ViewAlpha::alpha(cell->gameDescription()), 0.3f);
    }
    // No game leaves nothing of the last one behind.
    cell->setGame(nullptr);
    EXPECT_EQ(texts() + cell->scoreDisplay()->text(), u"||||"_s);
    EXPECT_TRUE(cell->boxImage()->pixmap().isNull());
}

TEST_F(GameRowCellTest, ArtShowsAtOnceWithoutARequestOrWaitsThenDownloadsTheLastGamesArt) {
    // Without an http address, or on disk, at once and without a request.
    const QString onDisk = u"http://127.0.0.1:1/art/disk.jpg"_s;
    putOnDisk(onDisk, QColor(30, 160, 40));
    for (const QString& url : {QString(), u""_s, u"ftp://art.example/a.jpg"_s}) {
        cell->setGame(gameWithArt(u"No art"_s, url));
        EXPECT_TRUE(showsFramed(loader->notFoundImage())) << url.toStdString();
        EXPECT_FLOAT_EQ(boxAlpha(), 0.4f);
        EXPECT_FALSE(cell->imageRequestWaiting());
    }
    cell->setGame(gameWithArt(u"On disk"_s, onDisk));
    EXPECT_TRUE(showsColour(QColor(30, 160, 40)));
    EXPECT_FLOAT_EQ(boxAlpha(), 1.0f);
    EXPECT_FALSE(cell->imageRequestWaiting());
    // The cell stops the shared loader from keeping images in memory.
    EXPECT_FALSE(loader->cacheImages());

    // Not on disk: the loading picture, and nothing asked before the delay; a new game within
    // the delay cancels the earlier request.
    const QString second = u"http://127.0.0.1:1/art/second.jpg"_s;
    server.colours[second] = QColor(40, 40, 200);
    cell->setGame(gameWithArt(u"First"_s, u"http://127.0.0.1:1/art/first.jpg"_s));
    cell->setGame(gameWithArt(u"Second"_s, second));
    EXPECT_TRUE(showsFramed(loader->loadingImage()));
    EXPECT_FLOAT_EQ(boxAlpha(), 0.4f);
    EXPECT_TRUE(cell->imageRequestWaiting());
    EXPECT_FALSE(loader->isPending(second));
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxAlpha() == 1.0f; }, 5000));
    EXPECT_TRUE(showsColour(QColor(40, 40, 200)));
    EXPECT_EQ(NotificationCenter::defaultCenter()->observerCountForName(
                  ImageLoader::kImagePulledPrefix + second),
              0);

    // Reuse for a game without art, and a plain prepareForReuse, drop the delay too.
    cell->setGame(gameWithArt(u"Third"_s, u"http://127.0.0.1:1/art/third.jpg"_s));
    cell->setGame(store.add(u"No art"_s));
    cell->setGame(gameWithArt(u"Fourth"_s, u"http://127.0.0.1:1/art/fourth.jpg"_s));
    cell->prepareForReuse();
    EXPECT_FALSE(cell->imageRequestWaiting());
    ASSERT_TRUE(Animator::runPendingDelays());
    EXPECT_TRUE(loader->isIdle());
    EXPECT_EQ(server.requests(), QStringList{second});
}

TEST_F(GameRowCellTest, ReusedCellNeverShowsTheEarlierGamesArt) {
    const QString first = u"http://127.0.0.1:1/art/first.jpg"_s;
    const QString second = u"http://127.0.0.1:1/art/second.jpg"_s;
    server.colours = {{first, QColor(200, 40, 40)}, {second, QColor(40, 40, 200)}};
    server.held = {first, second};
    EventWait firstAnnounced;
    NotificationCenter::defaultCenter()->addObserver(
        this, ImageLoader::kImagePulledPrefix + first,
        [&](const Notification&) { firstAnnounced.done(); });

    cell->setGame(gameWithArt(u"First"_s, first));
    ASSERT_TRUE(server.waitForRequest(first));
    cell->prepareForReuse();
    cell->setGame(gameWithArt(u"Second"_s, second));
    ASSERT_TRUE(server.waitForRequest(second));

    // The first game's download finishes while the second's is still on its way; whatever it
    // handed to the main thread has arrived once the queue is worked off.
    server.release(first);
    ASSERT_TRUE(firstAnnounced.wait());
    NotificationCenter::defaultCenter()->removeObserver(this);
    QCoreApplication::processEvents();
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
    EXPECT_TRUE(showsColour(QColor(40, 40, 200)));
}

}  // namespace
