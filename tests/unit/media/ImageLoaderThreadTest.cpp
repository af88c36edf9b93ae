#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSet>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "FileFunctions.h"
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
        recorder.listen(art(i));
        EXPECT_EQ(loader->getImageForImageURL(art(i)), loader->loadingImage());
    }
    ASSERT_TRUE(server.waitForRequests(6, 5000));
    QTest::qWait(200);  // room for a seventh worker, should one start
    EXPECT_EQ(server.requests().size(), 6);
    EXPECT_EQ(loader->currentlyWorkingThreads(), 6);
    QStringList firstSix = requestedPaths();
    firstSix.sort();
    EXPECT_EQ(firstSix, (QStringList{u"/art/0.jpg"_s, u"/art/1.jpg"_s, u"/art/2.jpg"_s,
                                     u"/art/3.jpg"_s, u"/art/4.jpg"_s, u"/art/5.jpg"_s}));

    for (int next = 6; next < 10; ++next) {
        gate.release();
        ASSERT_TRUE(recorder.waitFor(next - 5));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == next + 1; }, 5000));
        QTest::qWait(50);
        EXPECT_EQ(server.requests().size(), next + 1) << "one finished worker starts one more";
        EXPECT_EQ(requestedPaths().last(), u"/art/%1.jpg"_s.arg(next));
        EXPECT_LE(loader->currentlyWorkingThreads(), ImageLoader::kMaxWorkers);
    }
    gate.openAll();
    ASSERT_TRUE(recorder.waitFor(10));
    EXPECT_TRUE(waitUntilIdle());
    EXPECT_EQ(server.requests().size(), 10);
}

TEST_F(ImageLoaderThread, TwoRequestsForOneAddressMakeOneDownloadAndOneNotification) {
    serveGatedArt(1);
    recorder.listen(art(0));
    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->loadingImage());
    ASSERT_TRUE(server.waitForRequests(1, 5000));
    EXPECT_TRUE(loader->isPending(art(0)));
    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->loadingImage());
    gate.openAll();
    ASSERT_TRUE(recorder.waitFor(1));
    QTest::qWait(200);
    EXPECT_EQ(recorder.count(), 1);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_FALSE(loader->isPending(art(0)));

    // Kept in memory now: the next request is answered without a download.
    const QImage again = loader->getImageForImageURL(art(0));
    EXPECT_EQ(again.size(), QSize(300, 420));
    QTest::qWait(100);
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(ImageLoaderThread, NotificationComesFromTheWorkerWithLoaderImageAndAddress) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(30, 42), "image/jpeg"});
    pull(art(0));
    ASSERT_EQ(recorder.count(), 1);
    const PulledRecorder::Pulled pulled = recorder.pulled().first();
    EXPECT_FALSE(pulled.onMainThread);
    EXPECT_EQ(pulled.object.value<ImageLoader*>(), loader);
    EXPECT_EQ(pulled.imageURL, art(0));
    EXPECT_EQ(pulled.image.size(), QSize(30, 42));
}

TEST_F(ImageLoaderThread, GarbageBytesGiveTheNotFoundImageOnceAndNoRetry) {
    server.answer(u"/art/0.jpg"_s, {200, "<html>no such art</html>", "image/jpeg"});
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_TRUE(loader->isFailed(art(0)));

    EXPECT_EQ(loader->getImageForImageURL(art(0)), loader->notFoundImage());
    QTest::qWait(200);
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(recorder.count(), 1);
    EXPECT_FALSE(QFile::exists(diskCopyPath(art(0))));
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
}

TEST_F(ImageLoaderThread, ExceptionInTheDownloadAnnouncesNotFoundButAllowsARetry) {
    std::atomic<int> calls{0};
    ImageLoader::setDownloader([&calls](const QString&) -> QByteArray {
        if (calls++ == 0) {
            throw std::runtime_error("connection reset");
        }
        return jpegBytes(10, 14);
    });
    const QString address = u"http://127.0.0.1:1/flaky.jpg"_s;
    EXPECT_EQ(pull(address), loader->notFoundImage());
    EXPECT_FALSE(loader->isFailed(address));
    EXPECT_EQ(loader->imageCacheCount(), 0) << "the stand-in is not kept as the address's art";

    EXPECT_EQ(pull(address).size(), QSize(10, 14));
    EXPECT_EQ(calls.load(), 2);
}

TEST_F(ImageLoaderThread, DiskCopyUnderTheFileKeyIsFoundAfterARestart) {
    server.answer(u"/box/a_b.jpg"_s, {200, jpegBytes(300, 420), "image/jpeg"});
    const QString address = server.url(u"/box/a_b.jpg"_s);
    ASSERT_EQ(pull(address).size(), QSize(300, 420));

    const QString folder = FileFunctions::getDocumentDirectoryPath() + u"/box-art/"_s;
    EXPECT_EQ(loader->imagePath(), folder);
    const QString key = u"http127001%1boxabjpg"_s.arg(server.port());
    EXPECT_EQ(ImageLoader::fileKey(address), key);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{key + u".jpg"_s})
        << "one finished JPEG, no temporary file left behind";

    restart();
    loader->setCacheImages(false);
    const QImage found = loader->getCachedOrDiskImageForImageURL(address);
    EXPECT_EQ(found.size(), QSize(300, 420));
    EXPECT_EQ(loader->imageCacheCount(), 0);
    // A disk copy is shown at once while the address is fetched again behind it.
    EXPECT_EQ(loader->getImageForImageURL(address).size(), QSize(300, 420));
    EXPECT_TRUE(server.waitForRequests(2, 5000));
}

TEST_F(ImageLoaderThread, DamagedDiskCopyIsNotShownAndTheDownloadReplacesIt) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(30, 42), "image/jpeg"});
    QFile damaged(diskCopyPath(art(0)));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(jpegBytes(30, 42).left(20));
    damaged.close();
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
    EXPECT_EQ(loader->imageCacheCount(), 0);

    EXPECT_EQ(pull(art(0)).size(), QSize(30, 42));
    loader->dehydrate();
    EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(art(0)).size(), QSize(30, 42));
}

TEST_F(ImageLoaderThread, ArtOfAnyFormatIsKeptOnDiskAsAJpegOfThePicture) {
    const QColor colour(20, 120, 220);
    QImage picture(30, 42, QImage::Format_RGB32);
    picture.fill(colour);
    for (const char* format : {"JPG", "PNG"}) {
        QByteArray served;
        QBuffer buffer(&served);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(picture.save(&buffer, format));
        const QString path = u"/art/%1"_s.arg(QLatin1StringView(format));
        server.answer(path, {200, served, "application/octet-stream"});
        ASSERT_EQ(pull(server.url(path)).size(), picture.size()) << format;

        QFile copy(diskCopyPath(server.url(path)));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << format;
        const QByteArray stored = copy.readAll();
        const QImage reread = QImage::fromData(stored, "JPG");
        ASSERT_EQ(reread.size(), picture.size()) << format;
        const QColor shown = reread.pixelColor(reread.rect().center());
        EXPECT_LE(qAbs(shown.blue() - colour.blue()) + qAbs(shown.red() - colour.red()), 12)
            << format;
    }
    EXPECT_EQ(QDir(loader->imagePath()).entryList(QDir::Files).size(), 2)
        << "no partly written copy left behind";
}

TEST_F(ImageLoaderThread, CachingOffStoresNothingInMemory) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(30, 42), "image/jpeg"});
    loader->setCacheImages(false);
    ASSERT_EQ(pull(art(0)).size(), QSize(30, 42));
    EXPECT_EQ(loader->imageCacheCount(), 0);
    EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(art(0)).size(), QSize(30, 42));
    EXPECT_EQ(loader->imageCacheCount(), 0);
}

TEST_F(ImageLoaderThread, CachingOnKeepsOneCopyFoundByBothLookups) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(30, 42), "image/jpeg"});
    ASSERT_EQ(pull(art(0)).size(), QSize(30, 42));
    EXPECT_EQ(loader->imageCacheCount(), 1);
    // With the disk copy gone, only the memory copy can answer.
    ASSERT_TRUE(QFile::remove(diskCopyPath(art(0))));
    EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(art(0)).size(), QSize(30, 42));
    EXPECT_EQ(loader->imageCacheCount(), 1);

    loader->dehydrate();
    EXPECT_EQ(loader->imageCacheCount(), 0);
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
}

// Pictures kept in memory are bounded by their bytes: a long scroll cannot grow the cache
// without end, and the least recently used go first.
TEST_F(ImageLoaderThread, MemoryCacheKeepsTheMostRecentlyUsedWithinItsBytes) {
    const QByteArray large = jpegBytes(2048, 2048);  // 16 MB once decoded
    const int fit = ImageLoader::kMemoryCacheKilobytes / (2048 * 2048 * 4 / 1024);
    QDir().mkpath(loader->imagePath());
    for (int i = 0; i <= fit; ++i) {
        QFile file(diskCopyPath(art(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(large);
    }
    for (int i = 0; i < fit; ++i) {
        ASSERT_FALSE(loader->getCachedOrDiskImageForImageURL(art(i)).isNull());
    }
    ASSERT_FALSE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());  // used again
    ASSERT_FALSE(loader->getCachedOrDiskImageForImageURL(art(fit)).isNull());
    EXPECT_EQ(loader->imageCacheCount(), fit);
    // With the disk copies gone, only what memory kept can answer: all but the least recent.
    for (int i = 0; i <= fit; ++i) {
        ASSERT_TRUE(QFile::remove(diskCopyPath(art(i))));
    }
    EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(1)).isNull());
    EXPECT_FALSE(loader->getCachedOrDiskImageForImageURL(art(fit)).isNull());
}

TEST_F(ImageLoaderThread, MissingOrEmptyAddressGivesNotFoundAndQueuesNothing) {
    EXPECT_EQ(loader->getImageForImageURL(QString()), loader->notFoundImage());
    EXPECT_EQ(loader->getImageForImageURL(u""_s), loader->notFoundImage());
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(u""_s).isNull());
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(u"://"_s).isNull());
    QTest::qWait(100);
    EXPECT_EQ(loader->currentlyWorkingThreads(), 0);
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ImageLoaderThread, TheTwoStandInsAreDistinctPicturesFromTheBundle) {
    const QImage loading = loader->loadingImage();
    const QImage notFound = loader->notFoundImage();
    ASSERT_FALSE(loading.isNull());
    ASSERT_FALSE(notFound.isNull());
    EXPECT_NE(loading, notFound);
    EXPECT_EQ(loader->loadingImage(), loading);
}

TEST_F(ImageLoaderThread, DehydrateDropsWaitingRequestsButKeepsDownloadsUnderWay) {
    serveGatedArt(8);
    for (int i = 0; i < 8; ++i) {
        recorder.listen(art(i));
        loader->getImageForImageURL(art(i));
    }
    ASSERT_TRUE(server.waitForRequests(6, 5000));
    loader->dehydrate();
    EXPECT_FALSE(loader->isPending(art(6)));
    EXPECT_FALSE(loader->isPending(art(7)));
    EXPECT_TRUE(loader->isPending(art(0)));
    // Still downloading: asking again must not start a second download of it.
    loader->getImageForImageURL(art(0));
    gate.openAll();
    ASSERT_TRUE(recorder.waitFor(6));
    QTest::qWait(200);
    EXPECT_EQ(recorder.count(), 6);
    EXPECT_EQ(server.requests().size(), 6);
    EXPECT_EQ(requestedPaths().count(u"/art/0.jpg"_s), 1);
}

TEST_F(ImageLoaderThread, DehydrateLetsAFailedAddressBeTriedAgain) {
    server.answer(u"/art/0.jpg"_s, {200, "garbage", "image/jpeg"});
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    ASSERT_TRUE(loader->isFailed(art(0)));
    loader->dehydrate();
    EXPECT_FALSE(loader->isFailed(art(0)));
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(8, 8), "image/jpeg"});
    EXPECT_EQ(pull(art(0)).size(), QSize(8, 8));
}

TEST_F(ImageLoaderThread, ConcurrentRequestsNeverExceedSixWorkersNorOverlapOneAddress) {
    constexpr int kAddresses = 24;
    std::mutex mu;
    QSet<QString> inFlight;
    int overlaps = 0;
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    ImageLoader::setDownloader([&](const QString& url) {
        {
            std::lock_guard lock(mu);
            overlaps += inFlight.contains(url) ? 1 : 0;
            inFlight.insert(url);
        }
        const int now = ++running;
        int seen = mostRunning.load();
        while (now > seen && !mostRunning.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        --running;
        std::lock_guard lock(mu);
        inFlight.remove(url);
        return jpegBytes(4, 4);
    });
    QStringList addresses;
    for (int i = 0; i < kAddresses; ++i) {
        addresses.append(u"http://127.0.0.1:1/c/%1.jpg"_s.arg(i));
        recorder.listen(addresses.last());
    }
    std::atomic<int> callersDone{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                for (int i = 0; i < kAddresses; ++i) {
                    loader->getImageForImageURL(addresses[(i * (t + 1) + round) % kAddresses]);
                    loader->getCachedOrDiskImageForImageURL(addresses[i]);
                }
            }
            ++callersDone;
        });
    }
    // The main loop keeps starting workers as others finish, meanwhile.
    EXPECT_TRUE(QTest::qWaitFor([&] { return callersDone == 4; }, 20000));
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_TRUE(waitUntilIdle(20000));
    QSet<QString> announced;
    for (const auto& pulled : recorder.pulled()) {
        announced.insert(pulled.imageURL);
    }
    EXPECT_EQ(announced.size(), kAddresses);
    EXPECT_LE(mostRunning.load(), ImageLoader::kMaxWorkers);
    std::lock_guard lock(mu);
    EXPECT_EQ(overlaps, 0);
}
