#include "QlBoxImage.h"

#include <QCache>
#include <QPixmap>
#include <QThread>

#include "AnimationFunctions.h"

QlBoxImage::QlBoxImage(QWidget* parent) : QLabel(parent) {
    // Box art fills its view, whatever the picture's own size.
    setScaledContents(true);
}

void QlBoxImage::setBorderWidth(int borderWidth) {
    borderWidth_ = borderWidth;
}

void QlBoxImage::setImage(const QImage& image) {
    if (QThread::currentThread() == thread()) {
        setImageOnMainThread(image);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, image] { setImageOnMainThread(image); }, Qt::BlockingQueuedConnection);
}

void QlBoxImage::setImageOnMainThread(const QImage& image) {
    // A list shows the same few pictures (waiting, not found) in row after row as it scrolls;
    // framing one again on every row cost a frame's drawing through Qt's painting threads.
    // Keyed by the picture's identity, which any change to its pixels renews.
    struct Framed {
        QImage image;
        QPixmap pixmap;
    };
    static QCache<QPair<qint64, int>, Framed> recent(8);
    const QPair<qint64, int> key(image.cacheKey(), borderWidth_);
    if (image.isNull()) {
        image_ = QImage();
        setPixmap(QPixmap());
        return;
    }
    if (const Framed* framed = recent.object(key)) {
        image_ = framed->image;
        setPixmap(framed->pixmap);
        return;
    }
    image_ = imageWithBorderFromImage(image);
    const QPixmap pixmap = QPixmap::fromImage(image_);
    recent.insert(key, new Framed{image_, pixmap});
    setPixmap(pixmap);
}

QImage QlBoxImage::imageWithBorderFromImage(const QImage& image) const {
    if (image.isNull()) {
        return QImage();
    }
    return AnimationFunctions::borderImage(image, QColor(), borderWidth_);
}
