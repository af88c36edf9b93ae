#pragma once

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QSet>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <mutex>

#include "FakeHttpServer.h"
#include "ImageLoader.h"
#include "NotificationCenter.h"

// A JPEG of one colour.
inline QByteArray jpegBytes(int width, int height, QColor colour = QColor(200, 40, 40)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// Holds server answers until the test lets them go, one at a time or all at once.
class Gate {
public:
    ~Gate() { openAll(); }
    // Blocks the caller (a server thread) until a pass is free.
    void pass() {
        std::unique_lock lock(mu_);
        changed_.wait(lock, [this] { return open_ || passes_ > 0; });
        if (!open_) {
            --passes_;
        }
    }
    void release(int count = 1) {
        {
            std::lock_guard lock(mu_);
            passes_ += count;
        }
        changed_.notify_all();
    }
    void openAll() {
        {
            std::lock_guard lock(mu_);
            open_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mu_;
    std::condition_variable changed_;
    int passes_ = 0;
    bool open_ = false;
};

// What the completion notifications of one address brought, posted from whichever thread.
class PulledRecorder {
public:
    struct Pulled {
        QImage image;
        QString imageURL;
        QVariant object;
        bool onMainThread = false;
    };

    PulledRecorder() = default;
    PulledRecorder(const PulledRecorder&) = delete;
    PulledRecorder& operator=(const PulledRecorder&) = delete;
    ~PulledRecorder() { NotificationCenter::defaultCenter()->removeObserver(this); }

    // Once per address: a second registration would count every notification twice.
    void listen(const QString& imageURL) {
        {
            std::lock_guard lock(mu_);
            if (listened_.contains(imageURL)) {
                return;
            }
            listened_.insert(imageURL);
        }
        NotificationCenter::defaultCenter()->addObserver(
            static_cast<const void*>(this), ImageLoader::kImagePulledPrefix + imageURL,
            [this](const Notification& note) {
                Pulled pulled{note.userInfo().value(QStringLiteral("image")).value<QImage>(),
                              note.userInfo().value(QStringLiteral("imageURL")).toString(),
                              note.object(),
                              QThread::currentThread() == QCoreApplication::instance()->thread()};
                std::lock_guard lock(mu_);
                pulled_.append(pulled);
            });
    }
    QList<Pulled> pulled() const {
        std::lock_guard lock(mu_);
        return pulled_;
    }
    int count() const {
        std::lock_guard lock(mu_);
        return int(pulled_.size());
    }
    // Spins the main loop (which starts the next workers) until count notifications came.
    bool waitFor(int count, int msecs = 10000) const {
        return QTest::qWaitFor([&] { return this->count() >= count; }, msecs);
    }

private:
    mutable std::mutex mu_;
    QList<Pulled> pulled_;
    QSet<QString> listened_;
};

// A fresh shared loader per test, over the test's own data home, and a fake art server.
class ImageLoaderFixture : public testing::Test {
protected:
    void SetUp() override {
        ImageLoader::resetInstance();
        loader = ImageLoader::instanceOf();
    }
    void TearDown() override {
        gate.openAll();
        // Workers still running finish before the loader and the server go.
        waitUntilIdle();
        ImageLoader::resetInstance();
        ImageLoader::setDownloader({});
        ImageLoader::setDownloadTimeout(0);
    }
    // Asks for the address and waits until its download is announced and the loader is idle;
    // the announced image, or null when none came.
    QImage pull(const QString& address) {
        recorder.listen(address);
        const int before = recorder.count();
        loader->getImageForImageURL(address);
        const bool announced = recorder.waitFor(before + 1) && waitUntilIdle();
        EXPECT_TRUE(announced) << address.toStdString();
        return announced ? recorder.pulled().last().image : QImage();
    }
    QString diskCopyPath(const QString& address) const {
        return loader->imagePath() + ImageLoader::fileKey(address) + QStringLiteral(".jpg");
    }
    // Spins the main loop, which starts the waiting requests, until all are done.
    bool waitUntilIdle(int msecs = 10000) {
        return QTest::qWaitFor([this] { return loader->isIdle(); }, msecs);
    }
    // Restarts the loader, as the next run of the program would.
    void restart() {
        ImageLoader::resetInstance();
        loader = ImageLoader::instanceOf();
    }
    QString art(int index) const { return server.url(QStringLiteral("/art/%1.jpg").arg(index)); }
    // Every /art/ address answers a 300 x 420 JPEG once the gate lets it through.
    void serveGatedArt(int count) {
        for (int i = 0; i < count; ++i) {
            server.on(QStringLiteral("/art/%1.jpg").arg(i), [this](const FakeHttpServer::Request&) {
                gate.pass();
                return FakeHttpServer::Response{200, jpegBytes(300, 420), "image/jpeg"};
            });
        }
    }
    QStringList requestedPaths() const {
        QStringList paths;
        for (const auto& request : server.requests()) {
            paths.append(request.path);
        }
        return paths;
    }

    ImageLoader* loader = nullptr;
    PulledRecorder recorder;
    Gate gate;
    FakeHttpServer server;  // after the gate: stops (and joins its handlers) before it goes
};
