#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "ImageLoaderTestSupport.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// Six download at once and the rest wait, oldest first; an address asked for again is queued
// once, and dehydrate drops the waiting ones but not those under way.
TEST_F(ImageLoaderTest, TenRequestsStartSixDownloadsAndTheRestOneByOneOldestFirst) {
    serveGatedArt(10);
    EXPECT_EQ(loader->getImageForImageURL(QString()), loader->notFoundImage());
    EXPECT_TRUE(loader->isIdle());
    for (int i = 0; i < 10; ++i) {
        listen(art(i));
        EXPECT_EQ(loader->getImageForImageURL(art(i)), loader->loadingImage());
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
    EXPECT_EQ(pulled().size(), 8);
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

TEST_F(ImageLoaderTest, ArtIsKeptAsAJpegUnderTheFileKeyReplacingADamagedCopy) {
    const QByteArray png = imageBytes(30, 42, QColor(20, 120, 220), "PNG");
    server.answer(u"/box/a_b.png"_s, {200, png, "image/png"});
    const QString address = server.url(u"/box/a_b.png"_s);
    writeDiskCopy(address, png.left(20));
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
    loader->dehydrate();
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
}

TEST_F(ImageLoaderTest, ConcurrentCallersNeverGetMoreThanSixWorkersNorOneAddressTwice) {
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
    std::atomic<int> callersDone{0};
    std::vector<std::jthread> callers;
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
    for (int i = 0; i < 24; ++i) {
        EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(i)).isNull()) << i;
    }
    std::lock_guard lock(mu);
    EXPECT_LE(mostRunning, ImageLoader::kMaxWorkers);
    EXPECT_FALSE(overlap);
}

// Qt's own download: an error status, an answer cut off or a stalled server (past the time-out,
// freeing its worker) is a failure; stopping the loader gives up a download under way at once.
TEST_F(ImageLoaderTest, QtDownloadFailsOnErrorsAndStallsAndStopsAtOnce) {
    SKIP_QT_NETWORK_UNDER_TSAN();
    ImageLoader::setDownloader({});
    ImageLoader::setDownloadTimeout(400);
    // Art 3 to 8 are silent and fill every worker; art 9 waits until one of them gives up.
    const QList<FakeHttpServer::Response> answers{
        {200, jpegBytes(30, 42), "image/jpeg"},
        {404, jpegBytes(30, 42), "image/jpeg"},
        {200, jpegBytes(300, 420), "image/jpeg", 0, true}};
    for (int i = 0; i < 10; ++i) {
        server.answer(u"/art/%1.jpg"_s.arg(i),
                      i < 3 ? answers[i]
                            : FakeHttpServer::Response{200, jpegBytes(8, 8), "image/jpeg",
                                                       i < 9 ? 60000 : 0});
        listen(art(i));
        loader->getImageForImageURL(art(i));
    }
    ASSERT_TRUE(waitForPulled(10));
    for (const auto& [address, image] : pulled()) {
        const bool fetched = address == art(0) || address == art(9);
        EXPECT_EQ(image == loader->notFoundImage(), !fetched) << address.toStdString();
        EXPECT_EQ(loader->isFailed(address), !fetched);
        EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(address).isNull(), !fetched);
    }
    // With the default time-out (30 s), which would hold the end of the program for that long.
    ImageLoader::setDownloadTimeout(0);
    server.answer(u"/art/10.jpg"_s, {200, jpegBytes(8, 8), "image/jpeg", 60000});
    loader->getImageForImageURL(art(10));
    ASSERT_TRUE(server.waitForRequests(11, 5000));
    QElapsedTimer clock;
    clock.start();
    restart();
    EXPECT_LT(clock.elapsed(), 2000);
}
