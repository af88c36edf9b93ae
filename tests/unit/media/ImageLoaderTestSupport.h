#pragma once

#include <QBuffer>
#include <QImage>

// A picture of one colour, encoded.
inline QByteArray imageBytes(int width, int height, QColor colour, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format, 90);  // opens the buffer itself
    return bytes;
}
inline QByteArray jpegBytes(int width, int height, QColor colour = QColor(200, 40, 40)) {
    return imageBytes(width, height, colour, "JPG");
}
