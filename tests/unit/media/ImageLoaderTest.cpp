#include "ImageLoader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>
#include <atomic>
#include <chrono>
#include <mutex>
#include <semaphore>
#include <stdexcept>
#include <thread>

#include "CapturedConsole.h"
#include "ImageLoaderTestSupport.h"
#include "NetworkTestSupport.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// A fresh shared loader per test, over the test's own data home; a fake art server whose gated
// answers wait until the test lets them go; and the completion notifications, each checked to
// come from a worker with the loader as its object. The loader downloads through cpp-httplib's
// client instead of Qt's network manager, so ThreadSanitizer sees every hand-over between the
// main thread, the workers and the server; the tests of Qt's own download put it back.
class ImageLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        restart();
        ImageLoader::setDownloader(
            [](const QString& url) { return FakeHttpServer::get(url, 5000); });
    }
    void TearDown() override {
        gate.release(1 << 16);
        // Workers still running finish before the loader and the server go.
        EXPECT_TRUE(!loader || waitForPulled(0));
        NotificationCenter::defaultCenter()->removeObserver(this);
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
    }
    void listen(const QString& imageURL) {
        const QString name = ImageLoader::kImagePulledPrefix + imageURL;
        // Registered once, however often asked: each registration records every notification.
        NotificationCenter::defaultCenter()->removeObserver(this, name);
        NotificationCenter::defaultCenter()->addObserver(
            this, name, [this, imageURL](const Notification& note) {
                EXPECT_NE(QThread::currentThread(), qApp->thread());
                EXPECT_EQ(note.object().value<ImageLoader*>(), loader);
                EXPECT_EQ(note.userInfo().value(u"imageURL"_s).toString(), imageURL);
                std::lock_guard lock(mu);
                pulled_.append(note.userInfo().value(u"image"_s).value<QImage>());
            });
    }
    QList<QImage> pulled() {
        std::lock_guard lock(mu);
        return pulled_;
    }
    // Spins the main loop, which starts the next workers, until that many were announced and
    // nothing is left to do.
    bool waitForPulled(int count) {
        return QTest::qWaitFor([&] { return pulled().size() >= count && loader->isIdle(); }, 10000);
    }
    // Asks for the address, listening for its announcement.
    QImage ask(const QString& address) {
        listen(address);
        return loader->getImageForImageURL(address);
    }
    // The image announced for the address once it is asked for.
    QImage pull(const QString& address) {
        const int before = int(pulled().size());
        ask(address);
        EXPECT_TRUE(waitForPulled(before + 1)) << address.toStdString();
        return pulled().size() > before ? pulled().last() : QImage();
    }
    QString diskCopyPath(const QString& address) const {
        return loader->imagePath() + ImageLoader::fileKey(address) + QStringLiteral(".jpg");
    }
    void writeDiskCopy(const QString& address, const QByteArray& bytes) const {
        QDir().mkpath(loader->imagePath());
        QFile file(diskCopyPath(address));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // As the next run of the program would.
    void restart() {
        ImageLoader::resetInstance();
        loader = ImageLoader::instanceOf();
    }
    QString art(int index) const { return server.url(QStringLiteral("/art/%1.jpg").arg(index)); }
    void serveGatedArt(int count) {
        for (int i = 0; i < count; ++i) {
            server.on(QStringLiteral("/art/%1.jpg").arg(i), [this](const FakeHttpServer::Request&) {
                gate.acquire();
                return FakeHttpServer::Response{200, jpegBytes(30, 42), "image/jpeg"};
            });
        }
    }

    ImageLoader* loader = nullptr;
    std::mutex mu;
    QList<QImage> pulled_;
    std::counting_semaphore<1 << 20> gate{0};
    FakeHttpServer server;  // after the gate: stops (and joins its handlers) before it goes
};

// Six download at once and the rest wait, oldest first; an address asked for again is queued
// once, and dehydrate drops the waiting ones but not those under way.
TEST_F(ImageLoaderTest, TenRequestsStartSixDownloadsAndTheRestOneByOneOldestFirst) {
    serveGatedArt(10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(ask(art(i)), loader->loadingImage());
    }
    ASSERT_TRUE(server.waitForRequests(6, 5000));
    for (int next = 6; next < 8; ++next) {
        EXPECT_EQ(loader->getImageForImageURL(art(next)), loader->loadingImage());
        gate.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == next + 1; }, 5000));
        EXPECT_EQ(server.requests().last().path, u"/art/%1.jpg"_s.arg(next));
        EXPECT_EQ(loader->currentlyWorkingThreads(), ImageLoader::kMaxWorkers);
    }
    loader->dehydrate();
    EXPECT_FALSE(loader->isPending(art(9)));
    EXPECT_EQ(loader->getImageForImageURL(art(7)), loader->loadingImage());
    gate.release(6);
    ASSERT_TRUE(waitForPulled(8));
    EXPECT_EQ(server.requests().size(), 8);
    // Kept in memory now: answered at once, nothing queued.
    EXPECT_EQ(loader->getImageForImageURL(art(7)).size(), QSize(30, 42));
    EXPECT_TRUE(loader->isIdle());
}

TEST_F(ImageLoaderTest, ExceptionAllowsARetryButGarbageIsAFailureUntilDehydrated) {
    std::atomic<int> calls{0};
    ImageLoader::setDownloader([&calls](const QString&) -> QByteArray {
        if (++calls == 1) {
            throw std::runtime_error("connection reset");
        }
        // The smallest picture is still a picture.
        return calls == 2 ? QByteArray("<html>no such art</html>") : jpegBytes(1, 1);
    });
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_FALSE(loader->isFailed(art(0)));
    EXPECT_EQ(loader->imageCacheCount(), 0) << "the stand-in is not kept as the address's art";
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->notFoundImage());
    EXPECT_TRUE(loader->isFailed(art(0)) && !loader->isPending(art(0)));
    EXPECT_FALSE(QFile::exists(diskCopyPath(art(0))));
    loader->dehydrate();
    EXPECT_EQ(pull(art(0)).size(), QSize(1, 1));
    EXPECT_EQ(calls.load(), 3);
}

// Art is kept as a whole JPEG under its file key, whatever the server sent. A disk copy that is
// not one (cut short by a crash, or another kind of file) is never shown: it is dropped with a
// line naming it, and the art is fetched again in its place.
TEST_F(ImageLoaderTest, ArtIsKeptAsAJpegUnderTheFileKeyAndDamagedCopiesAreFetchedAgain) {
    const QByteArray png = imageBytes(30, 42, QColor(20, 120, 220), "PNG");
    const QByteArray jpeg = jpegBytes(30, 42);
    server.answer(u"/box/a_b.png"_s, {200, png, "image/png"});
    const QString address = server.url(u"/box/a_b.png"_s);
    const QByteArray damaged[] = {jpeg.left(jpeg.size() * 7 / 10), jpeg.left(jpeg.size() - 2), png};
    for (const QByteArray& bytes : damaged) {
        restart();
        writeDiskCopy(address, bytes);
        CapturedConsole console;
        EXPECT_EQ(ask(address), loader->loadingImage());
        EXPECT_TRUE(console.text().contains(diskCopyPath(address)));
        ASSERT_TRUE(waitForPulled(int(&bytes - damaged) + 1));
        EXPECT_EQ(QDir(loader->imagePath()).entryList(QDir::Files),
                  QStringList{u"http127001%1boxabpng.jpg"_s.arg(server.port())})
            << "one finished copy under the file key, no partly written file";
        restart();
        loader->setCacheImages(false);
        const QImage kept = loader->getCachedOrDiskImageForImageURL(address);
        EXPECT_LE(qAbs(kept.pixelColor(15, 21).blue() - 220), 6);
    }
    // With caching off (as the list rows set it), a disk copy is shown at once while the address
    // is fetched again behind it.
    EXPECT_EQ(loader->getImageForImageURL(address).size(), QSize(30, 42));
    EXPECT_TRUE(waitForPulled(4) && server.requests().size() == 4);
}

// A long scroll cannot grow the memory cache without end: the least recently used go first.
TEST_F(ImageLoaderTest, MemoryCacheKeepsTheMostRecentlyUsedWithinItsBytes) {
    const QByteArray large = jpegBytes(2048, 2048);  // 16 MB once decoded
    const int fit = ImageLoader::kMemoryCacheKilobytes / (2048 * 2048 * 4 / 1024);
    QList<int> uses;  // each once, the first again, then one more than fits
    for (int i = 0; i <= fit; ++i) {
        writeDiskCopy(art(i), large);
        uses << (i < fit ? i : 0);
    }
    for (int i : uses << fit) {
        ASSERT_FALSE(loader->getCachedOrDiskImageForImageURL(art(i)).isNull());
        QFile::remove(diskCopyPath(art(i)));
    }
    EXPECT_EQ(loader->imageCacheCount(), fit);
    EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(1)).isNull());
    EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(fit)).isNull());
}

// Callers on several threads ask for the same addresses while the downloads they started are
// under way (each call lets one of them end): no address is ever downloaded twice at once.
TEST_F(ImageLoaderTest, ConcurrentCallersNeverGetOneAddressDownloadedTwice) {
    std::mutex flights;
    QStringList inFlight;
    bool overlap = false;
    ImageLoader::setDownloader([&](const QString& url) {
        {
            std::lock_guard lock(flights);
            overlap = overlap || inFlight.contains(url);
            inFlight << url;
        }
        gate.acquire();
        std::lock_guard lock(flights);
        inFlight.removeOne(url);
        return jpegBytes(4, 4);
    });
    {
        std::vector<std::jthread> callers;
        for (int t = 1; t <= 4; ++t) {
            callers.emplace_back([&, t] {
                for (int i = 0; i < 24 * 3; ++i) {
                    loader->getImageForImageURL(art(i * t % 24));
                    loader->getCachedOrDiskImageForImageURL(art(i % 24));
                    gate.release();
                }
            });
        }
    }
    gate.release(1 << 10);
    // The main loop starts the waiting workers as others finish.
    EXPECT_TRUE(QTest::qWaitFor([&] { return loader->isIdle(); }, 20000));
    EXPECT_EQ(loader->imageCacheCount(), 24);
    std::lock_guard lock(flights);
    EXPECT_FALSE(overlap);
}

// Qt's own download; stopping the loader (at the program's end) gives up one under way at once
// instead of waiting out its 30 s time-out. Its network faults: the network fault suite.
TEST_F(ImageLoaderTest, QtDownloadFetchesArtAndStopsAtOnce) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    ImageLoader::setDownloader({});
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(30, 42), "image/jpeg"});
    server.answer(u"/art/1.jpg"_s, {200, jpegBytes(8, 8), "image/jpeg", 60000});
    EXPECT_EQ(pull(art(0)).size(), QSize(30, 42));
    loader->getImageForImageURL(art(1));
    ASSERT_TRUE(server.waitForRequests(2, 5000));
    const auto started = std::chrono::steady_clock::now();
    restart();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}
