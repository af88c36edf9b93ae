#pragma once

// What the art tools share: a picture drawn in points, and writing every picture into
// <root>/resources/images/ twice, <name>.png at its size in points and <name>@2x.png at twice
// that, so it stays sharp at a device pixel ratio of 2.

#include <QDir>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QSize>
#include <QString>
#include <cstdio>
#include <functional>

using Draw = std::function<void(QPainter&, QRectF)>;

struct Picture {
    QString name;
    QSize points;
    Draw draw;
};

// The repository root is the first argument (else the current folder). Answers the program's
// exit status: 0 when every file was written.
inline int writePictures(int argc, char** argv, const QList<Picture>& pictures) {
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    int failures = 0;
    for (const Picture& picture : pictures) {
        for (const int scale : {1, 2}) {
            QImage image(picture.points * scale, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.scale(scale, scale);
            picture.draw(painter, QRectF(QPointF(0, 0), QSizeF(picture.points)));
            painter.end();
            const QString out = root + QStringLiteral("/resources/images/") + picture.name +
                                (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
            if (!image.save(out, "PNG", 9)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
