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

TEST_F(ImageLoaderNetwork, ArtIsFetchedAndErrorStatusOrAnAnswerCutOffIsAFailure) {
    const QList<FakeHttpServer::Response> answers{
        {200, jpegBytes(30, 42), "image/jpeg"},
        {404, jpegBytes(30, 42), "image/jpeg"},
        {200, jpegBytes(300, 420), "image/jpeg", 0, true}};
    for (int i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(i);
        server.answer(u"/art/%1.jpg"_s.arg(i), answers[i]);
        const bool fetched = i == 0;
        EXPECT_EQ(pull(art(i)),
                  fetched ? QImage::fromData(answers[i].body) : loader->notFoundImage());
        EXPECT_EQ(loader->isFailed(art(i)), !fetched);
        EXPECT_EQ(loader->getCachedOrDiskImageForImageURL(art(i)).isNull(), !fetched);
    }
    EXPECT_EQ(server.requests().first().method, u"GET"_s);
}

TEST_F(ImageLoaderNetwork, StalledServerTimesOutAndFreesEveryWorker) {
    ImageLoader::setDownloadTimeout(400);
    // Six silent addresses fill every worker; the seventh waits for one of them to give up.
    for (int i = 0; i < 7; ++i) {
        server.answer(u"/art/%1.jpg"_s.arg(i),
                      {200, jpegBytes(8, 8), "image/jpeg", i < 6 ? 60000 : 0});
        listen(art(i));
        loader->getImageForImageURL(art(i));
    }
    ASSERT_TRUE(waitForPulled(7));
    for (const auto& [address, image] : pulled()) {
        const bool stalled = address != art(6);
        EXPECT_EQ(image == loader->notFoundImage(), stalled) << address.toStdString();
        EXPECT_EQ(loader->isFailed(address), stalled);
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
}
