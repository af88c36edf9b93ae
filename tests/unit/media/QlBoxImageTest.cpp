#include "QlBoxImage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include "EventWait.h"

namespace {

const QColor kRed(200, 40, 40);
const QRgb kFrameGrey = qRgb(135, 135, 135);  // 0.53 of full scale

QImage filled(int width, int height, QColor colour = kRed) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Records whether the image was set on the main thread.
class RecordingBoxImage : public QlBoxImage {
public:
    void setImageOnMainThread(const QImage& image) override {
        onMainThread = QThread::currentThread() == qApp->thread();
        QlBoxImage::setImageOnMainThread(image);
    }
    std::atomic<bool> onMainThread{false};
};

}  // namespace

// Set from a worker, the picture reaches the main thread before setImage returns. The frame is
// grey, half its width inside the edge, and a changed picture is framed anew.
TEST(QlBoxImage, FramedPictureFromAWorkerIsSetOnTheMainThreadBeforeSetImageReturns) {
    RecordingBoxImage box;
    box.setBorderWidth(4);
    QImage picture = filled(100, 140);
    EventWait returned;
    QSize seenOnReturn;
    std::thread worker([&] {
        box.setImage(picture);
        seenOnReturn = box.image().size();
        returned.done();
    });
    EXPECT_TRUE(returned.wait());
    worker.join();
    EXPECT_EQ(seenOnReturn, QSize(100, 140));
    EXPECT_TRUE(box.onMainThread);
    for (const auto& [x, y, frame] :
         {std::tuple{1, 70, true}, {99, 139, true}, {2, 70, false}, {97, 70, false}}) {
        EXPECT_EQ(box.image().pixel(x, y), frame ? kFrameGrey : kRed.rgb()) << x << "," << y;
    }
    picture.setPixel(20, 28, qRgb(0, 0, 255));
    box.setImage(picture);
    EXPECT_EQ(box.image().pixel(20, 28), qRgb(0, 0, 255));
}
