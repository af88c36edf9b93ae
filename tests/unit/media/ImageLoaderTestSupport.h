#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QThread>
#include <mutex>
#include <semaphore>

#include "FakeHttpServer.h"
#include "ImageLoader.h"
#include "NotificationCenter.h"

// A picture of one colour, encoded.
inline QByteArray imageBytes(int width, int height, QColor colour, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 90);
    return bytes;
}
inline QByteArray jpegBytes(int width, int height, QColor colour = QColor(200, 40, 40)) {
    return imageBytes(width, height, colour, "JPG");
}

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
        ImageLoader::setDownloadTimeout(0);
    }
    void listen(const QString& imageURL) {
        const QString name = ImageLoader::kImagePulledPrefix + imageURL;
        // Registered once, however often asked: each registration records every notification.
        NotificationCenter::defaultCenter()->removeObserver(this, name);
        NotificationCenter::defaultCenter()->addObserver(
            this, name, [this](const Notification& note) {
                EXPECT_NE(QThread::currentThread(), qApp->thread());
                EXPECT_EQ(note.object().value<ImageLoader*>(), loader);
                std::lock_guard lock(mu);
                pulled_.append({note.userInfo().value(QStringLiteral("imageURL")).toString(),
                                note.userInfo().value(QStringLiteral("image")).value<QImage>()});
            });
    }
    QList<std::pair<QString, QImage>> pulled() {
        std::lock_guard lock(mu);
        return pulled_;
    }
    // Spins the main loop, which starts the next workers, until that many were announced and
    // nothing is left to do.
    bool waitForPulled(int count) {
        return QTest::qWaitFor([&] { return pulled().size() >= count && loader->isIdle(); }, 10000);
    }
    // The image announced for the address once it is asked for.
    QImage pull(const QString& address) {
        listen(address);
        const int before = int(pulled().size());
        loader->getImageForImageURL(address);
        EXPECT_TRUE(waitForPulled(before + 1)) << address.toStdString();
        return pulled().size() > before ? pulled().last().second : QImage();
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
    QList<std::pair<QString, QImage>> pulled_;
    std::counting_semaphore<1 << 20> gate{0};
    FakeHttpServer server;  // after the gate: stops (and joins its handlers) before it goes
};
