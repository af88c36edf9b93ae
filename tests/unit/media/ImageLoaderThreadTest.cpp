#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "ImageLoaderTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// The loader's queue, workers, lists and caches, downloading through cpp-httplib's client
// instead of Qt's network manager, so ThreadSanitizer sees every hand-over between the main
// thread, the workers and the server. Qt's download has its own tests (ImageLoaderNetwork).
namespace {

class ImageLoaderThread : public ImageLoaderFixture {
protected:
    void SetUp() override {
        ImageLoaderFixture::SetUp();
        ImageLoader::setDownloader(
            [](const QString& url) { return FakeHttpServer::get(url, 5000); });
    }
};

}  // namespace

TEST_F(ImageLoaderThread, TenRequestsStartSixDownloadsAndTheRestOneByOneOldestFirst) {
    serveGatedArt(10);
    for (int i = 0; i < 10; ++i) {
        listen(art(i));
        EXPECT_EQ(loader->getImageForImageURL(art(i)), loader->loadingImage());
    }
    EXPECT_EQ(loader->currentlyWorkingThreads(), ImageLoader::kMaxWorkers);
    ASSERT_TRUE(server.waitForRequests(6, 5000));
    for (int next = 6; next < 10; ++next) {
        // Asked again while waiting: still queued once.
        EXPECT_EQ(loader->getImageForImageURL(art(next)), loader->loadingImage());
        gate.release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == next + 1; }, 5000));
        EXPECT_EQ(server.requests().last().path, u"/art/%1.jpg"_s.arg(next));
        EXPECT_EQ(loader->currentlyWorkingThreads(), ImageLoader::kMaxWorkers);
    }
    gate.release(6);
    EXPECT_TRUE(waitForPulled(10));
    EXPECT_EQ(server.requests().size(), 10);
}

TEST_F(ImageLoaderThread, AddressUnderWayIsFetchedOnceEvenAfterDehydrateDropsTheWaiting) {
    serveGatedArt(7);
    for (int i = 0; i < 7; ++i) {
        listen(art(i));
        loader->getImageForImageURL(art(i));
    }
    ASSERT_TRUE(server.waitForRequests(6, 5000));
    loader->dehydrate();
    EXPECT_FALSE(loader->isPending(art(6)));
    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->loadingImage());
    gate.release(6);
    ASSERT_TRUE(waitForPulled(6));
    EXPECT_EQ(server.requests().size(), 6);
    EXPECT_EQ(pulled().size(), 6);
    EXPECT_EQ(pulled().first().second.size(), QSize(30, 42));
    // Kept in memory now: answered at once, nothing queued.
    EXPECT_EQ(loader->getImageForImageURL(pulled().first().first).size(), QSize(30, 42));
    EXPECT_TRUE(loader->isIdle());
}

TEST_F(ImageLoaderThread, ExceptionAllowsARetryButGarbageIsAFailureUntilDehydrated) {
    std::atomic<int> calls{0};
    ImageLoader::setDownloader([&calls](const QString&) -> QByteArray {
        if (++calls == 1) {
            throw std::runtime_error("connection reset");
        }
        return calls == 2 ? QByteArray("<html>no such art</html>") : jpegBytes(8, 8);
    });
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_FALSE(loader->isFailed(art(0)));
    EXPECT_EQ(loader->imageCacheCount(), 0) << "the stand-in is not kept as the address's art";
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->notFoundImage());
    EXPECT_TRUE(loader->isFailed(art(0)) && !loader->isPending(art(0)));
    EXPECT_FALSE(QFile::exists(diskCopyPath(art(0))));
    loader->dehydrate();
    EXPECT_EQ(pull(art(0)).size(), QSize(8, 8));
    EXPECT_EQ(calls.load(), 3);
}

TEST_F(ImageLoaderThread, ArtIsKeptAsAJpegUnderTheFileKeyReplacingADamagedCopy) {
    const QByteArray png = imageBytes(30, 42, QColor(20, 120, 220), "PNG");
    server.answer(u"/box/a_b.png"_s, {200, png, "image/png"});
    const QString address = server.url(u"/box/a_b.png"_s);
    QDir().mkpath(loader->imagePath());
    QFile damaged(diskCopyPath(address));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write(png.left(20)) == 20);
    damaged.close();
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(address).isNull());

    ASSERT_EQ(pull(address).size(), QSize(30, 42));
    EXPECT_EQ(loader->imageCacheCount(), 1);
    EXPECT_EQ(QDir(loader->imagePath()).entryList(QDir::Files),
              QStringList{u"http127001%1boxabpng.jpg"_s.arg(server.port())})
        << "one finished copy under the file key, no partly written file";
    restart();
    loader->setCacheImages(false);
    const QImage stored = loader->getCachedOrDiskImageForImageURL(address);
    EXPECT_LE(qAbs(stored.pixelColor(15, 21).blue() - 220), 6);
    // A disk copy is shown at once while the address is fetched again behind it; with caching
    // off (as the list rows set it) neither enters the memory cache.
    EXPECT_EQ(loader->getImageForImageURL(address).size(), QSize(30, 42));
    EXPECT_TRUE(waitForPulled(1) && server.requests().size() == 2);
    EXPECT_EQ(loader->imageCacheCount(), 0);
}

// A long scroll cannot grow the memory cache without end: the least recently used go first.
TEST_F(ImageLoaderThread, MemoryCacheKeepsTheMostRecentlyUsedWithinItsBytes) {
    const QByteArray large = jpegBytes(2048, 2048);  // 16 MB once decoded
    const int fit = ImageLoader::kMemoryCacheKilobytes / (2048 * 2048 * 4 / 1024);
    QDir().mkpath(loader->imagePath());
    QList<int> uses;  // each once, the first again, then one more than fits
    for (int i = 0; i <= fit; ++i) {
        QFile file(diskCopyPath(art(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(large) == large.size());
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
    loader->dehydrate();
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
}

TEST_F(ImageLoaderThread, MissingOrEmptyAddressGivesNotFoundAndQueuesNothing) {
    EXPECT_EQ(loader->getImageForImageURL(QString()), loader->notFoundImage());
    EXPECT_EQ(loader->getImageForImageURL(u""_s), loader->notFoundImage());
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(u"://"_s).isNull());
    EXPECT_TRUE(loader->isIdle());
    EXPECT_FALSE(loader->loadingImage().isNull());
    EXPECT_NE(loader->loadingImage(), loader->notFoundImage());
}

TEST_F(ImageLoaderThread, ConcurrentCallersNeverGetMoreThanSixWorkersNorOneAddressTwice) {
    std::mutex mu;
    QStringList inFlight;
    int mostRunning = 0;
    bool overlap = false;
    ImageLoader::setDownloader([&](const QString& url) {
        {
            std::lock_guard lock(mu);
            overlap = overlap || inFlight.contains(url);
            inFlight << url;
            mostRunning = std::max(mostRunning, int(inFlight.size()));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));  // the download's own time
        std::lock_guard lock(mu);
        inFlight.removeOne(url);
        return jpegBytes(4, 4);
    });
    std::vector<std::thread> callers;
    std::atomic<int> callersDone{0};
    for (int t = 1; t <= 4; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < 24 * 3; ++i) {
                loader->getImageForImageURL(art(i * t % 24));
                loader->getCachedOrDiskImageForImageURL(art(i % 24));
            }
            ++callersDone;
        });
    }
    // The main loop keeps starting workers as others finish, meanwhile.
    EXPECT_TRUE(QTest::qWaitFor([&] { return callersDone == 4 && loader->isIdle(); }, 20000));
    for (auto& caller : callers) {
        caller.join();
    }
    for (int i = 0; i < 24; ++i) {
        EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(i)).isNull()) << i;
    }
    std::lock_guard lock(mu);
    EXPECT_LE(mostRunning, ImageLoader::kMaxWorkers);
    EXPECT_FALSE(overlap);
}
