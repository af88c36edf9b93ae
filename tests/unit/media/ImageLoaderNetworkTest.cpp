#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "ImageLoaderTestSupport.h"
#include "NetworkTestSupport.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

// The loader's own download: Qt's network manager on the worker thread, with a time-out.
namespace {

class ImageLoaderNetwork : public ImageLoaderFixture {
protected:
    void SetUp() override {
        SKIP_QT_NETWORK_UNDER_TSAN();
        ImageLoaderFixture::SetUp();
    }
};

}  // namespace

TEST_F(ImageLoaderNetwork, DownloadsDecodesAndKeepsTheArt) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(300, 420), "image/jpeg"});
    EXPECT_EQ(pull(art(0)).size(), QSize(300, 420));
    EXPECT_FALSE(loader->isFailed(art(0)));
    EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(art(0)).size(), QSize(300, 420));
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().first().method, u"GET"_s);
}

TEST_F(ImageLoaderNetwork, ErrorStatusIsAFailureEvenWithPictureBytes) {
    server.answer(u"/art/0.jpg"_s, {404, jpegBytes(30, 42), "image/jpeg"});
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_TRUE(loader->isFailed(art(0)));
    EXPECT_TRUE(loader->getCachedOrDiskImageForImageURL(art(0)).isNull());
}

TEST_F(ImageLoaderNetwork, AnswerCutOffMidBodyIsAFailure) {
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(300, 420), "image/jpeg", 0, true});
    EXPECT_EQ(pull(art(0)), loader->notFoundImage());
    EXPECT_TRUE(loader->isFailed(art(0)));
}

TEST_F(ImageLoaderNetwork, StalledServerTimesOutAndFreesEveryWorker) {
    ImageLoader::setDownloadTimeout(400);
    // Six silent addresses fill every worker; the seventh waits for one of them to give up.
    for (int i = 0; i < 6; ++i) {
        server.answer(u"/art/%1.jpg"_s.arg(i), {200, jpegBytes(8, 8), "image/jpeg", 60000});
    }
    server.answer(u"/art/6.jpg"_s, {200, jpegBytes(8, 8), "image/jpeg"});
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 7; ++i) {
        recorder.listen(art(i));
        loader->getImageForImageURL(art(i));
    }
    ASSERT_TRUE(recorder.waitFor(7, 10000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(waitUntilIdle());
    for (const auto& pulled : recorder.pulled()) {
        const bool stalled = pulled.imageURL != art(6);
        EXPECT_EQ(pulled.image == loader->notFoundImage(), stalled)
            << pulled.imageURL.toStdString();
        EXPECT_EQ(loader->isFailed(pulled.imageURL), stalled);
    }
}

TEST_F(ImageLoaderNetwork, StoppingTheLoaderGivesUpDownloadsUnderWayAtOnce) {
    // The default time-out (30 s) would hold the end of the program for that long.
    server.answer(u"/art/0.jpg"_s, {200, jpegBytes(8, 8), "image/jpeg", 60000});
    loader->getImageForImageURL(art(0));
    ASSERT_TRUE(server.waitForRequests(1, 5000));
    QElapsedTimer clock;
    clock.start();
    restart();
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(loader->isIdle());
}
