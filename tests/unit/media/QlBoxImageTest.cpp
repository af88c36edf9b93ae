#include "QlBoxImage.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

namespace {

const QColor kRed(200, 40, 40);

QImage filled(int width, int height, QColor colour = kRed,
              QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

bool isFrameGrey(QRgb pixel) {
    // 0.53 of full scale.
    return qRed(pixel) == 135 && qGreen(pixel) == 135 && qBlue(pixel) == 135 &&
           qAlpha(pixel) == 255;
}

// Records on which thread the image was set, and how many times.
class RecordingBoxImage : public QlBoxImage {
public:
    void setImageOnMainThread(const QImage& image) override {
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        QlBoxImage::setImageOnMainThread(image);
        ++sets;
    }
    std::atomic<bool> onMainThread{false};
    std::atomic<int> sets{0};
};

}  // namespace

TEST(QlBoxImage, BorderWidthFourShowsAGreyFrameTwoPixelsInsideTheEdge) {
    QlBoxImage box;
    box.setBorderWidth(4);
    box.setImage(filled(100, 140));
    const QImage shown = box.image();
    ASSERT_EQ(shown.size(), QSize(100, 140));
    EXPECT_EQ(box.pixmap().size(), QSize(100, 140));
    for (int y : {0, 1, 70, 138, 139}) {
        for (int x : {0, 1, 98, 99}) {
            EXPECT_TRUE(isFrameGrey(shown.pixel(x, y))) << x << "," << y;
        }
    }
    for (int x : {0, 1, 50, 98, 99}) {
        for (int y : {0, 1, 138, 139}) {
            EXPECT_TRUE(isFrameGrey(shown.pixel(x, y))) << x << "," << y;
        }
    }
    // Just inside the frame, and the middle, keep the picture.
    for (const QPoint p : {QPoint(2, 70), QPoint(97, 70), QPoint(50, 2), QPoint(50, 137),
                           QPoint(2, 2), QPoint(50, 70)}) {
        EXPECT_EQ(QColor(shown.pixel(p)), kRed) << p.x() << "," << p.y();
    }
}

TEST(QlBoxImage, NoBorderWidthLeavesThePictureAsItWas) {
    QlBoxImage box;
    EXPECT_EQ(box.borderWidth(), 0);
    const QImage picture = filled(20, 28);
    box.setImage(picture);
    EXPECT_EQ(box.image().convertToFormat(QImage::Format_RGB32), picture);
}

TEST(QlBoxImage, TransparentPictureKeepsItsTransparencyInsideTheFrame) {
    QlBoxImage box;
    box.setBorderWidth(2);
    box.setImage(filled(10, 10, Qt::transparent, QImage::Format_ARGB32));
    EXPECT_EQ(qAlpha(box.image().pixel(5, 5)), 0);
    EXPECT_TRUE(isFrameGrey(box.image().pixel(0, 5)));
}

TEST(QlBoxImage, NullImageClearsTheView) {
    QlBoxImage box;
    box.setImage(filled(10, 10));
    box.setImage(QImage());
    EXPECT_TRUE(box.image().isNull());
    EXPECT_TRUE(box.pixmap().isNull());
}

TEST(QlBoxImage, SetImageFromAWorkerIsAppliedByTheMainEventLoopBeforeItReturns) {
    RecordingBoxImage box;
    box.setBorderWidth(4);
    std::atomic<int> setsSeenOnReturn{-1};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        box.setImage(filled(100, 140));
        setsSeenOnReturn = box.sets.load();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(setsSeenOnReturn.load(), 1) << "setImage waits for the main thread";
    EXPECT_TRUE(box.onMainThread);
    EXPECT_EQ(box.image().size(), QSize(100, 140));
}

TEST(QlBoxImage, SetImageFromTheMainEventLoopAppliesAtOnce) {
    RecordingBoxImage box;
    box.setImage(filled(10, 10));
    EXPECT_EQ(box.sets.load(), 1);
    EXPECT_TRUE(box.onMainThread);
}

TEST(QlBoxImage, ThePictureShownAgainIsFramedAsBeforeAndChangesAreSeen) {
    QlBoxImage first;
    first.setBorderWidth(4);
    QImage picture = filled(40, 56);
    first.setImage(picture);
    const QImage framedOnce = first.image();

    // Another view with another frame width, then the first picture again elsewhere.
    QlBoxImage other;
    other.setBorderWidth(0);
    other.setImage(picture);
    EXPECT_EQ(other.image().convertToFormat(QImage::Format_RGB32), picture);
    QlBoxImage second;
    second.setBorderWidth(4);
    second.setImage(picture);
    EXPECT_EQ(second.image(), framedOnce);
    EXPECT_FALSE(second.pixmap().isNull());

    // Painting on the picture makes it another picture: it is framed anew.
    picture.setPixel(20, 28, qRgb(0, 0, 255));
    second.setImage(picture);
    EXPECT_EQ(QColor(second.image().pixel(20, 28)), QColor(0, 0, 255));
    EXPECT_TRUE(isFrameGrey(second.image().pixel(0, 28)));
}
