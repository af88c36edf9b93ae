#pragma once

#include <QImage>
#include <QLabel>

// An image view for box art: shows the image it is given with a grey frame drawn over its edge.
// Lives on the main thread like every widget; setImage may be called from any thread and
// returns once the main thread has shown the image.
class QlBoxImage : public QLabel {
    Q_OBJECT

public:
    explicit QlBoxImage(QWidget* parent = nullptr);

    // Width of the frame's stroke, centred on the image's edge, so half of it shows; 0 (the
    // start value) draws no frame.
    int borderWidth() const { return borderWidth_; }
    void setBorderWidth(int borderWidth);

    // Shows the framed copy of the image. Off the main thread this waits for the main thread.
    // REQUIRES: the main thread is not itself waiting for the calling thread.
    void setImage(const QImage& image);
    // Main thread only.
    virtual void setImageOnMainThread(const QImage& image);
    // A copy of the image, same size, with the frame stroked over its edge.
    QImage imageWithBorderFromImage(const QImage& image) const;

    // The framed image now shown; null before the first setImage.
    QImage image() const { return image_; }

private:
    int borderWidth_ = 0;
    QImage image_;
};
