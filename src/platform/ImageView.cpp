#include "ImageView.h"

#include <QPainter>

#include "BundleImage.h"

ImageView::ImageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

ImageView::~ImageView() = default;

void ImageView::setImageName(const QString& imageName) {
    imageName_ = imageName;
    setImage(BundleImage::imageNamed(imageName));
}

void ImageView::setImage(const QPixmap& image) {
    image_ = image;
    update();
}

QSize ImageView::sizeHint() const {
    return image_.isNull() ? QWidget::sizeHint() : image_.deviceIndependentSize().toSize();
}

void ImageView::paintEvent(QPaintEvent*) {
    if (image_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), image_);
}
