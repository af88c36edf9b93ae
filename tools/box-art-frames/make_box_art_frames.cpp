// Draws the two stand-ins of the box-art loader, resources/images/frame_loading_xbox360.png
// (shown while art downloads) and frame_unavailable_xbox360.png (shown when there is none):
// an empty game case, 100 x 140 like a box cover, with three dots or a crossed-out square.
//
//   g++ -std=c++20 -fPIC make_box_art_frames.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make_box_art_frames
//   QT_QPA_PLATFORM=offscreen /tmp/make_box_art_frames <repository root>

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kWidth = 100;
constexpr int kHeight = 140;

// The empty case both pictures share: a rounded cover with a darker spine on the left.
QImage emptyCase(const QColor& cover) {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    image.fill(QColor(0x30, 0x30, 0x30));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cover);
    painter.drawRoundedRect(QRectF(6, 6, kWidth - 12, kHeight - 12), 4, 4);
    painter.setBrush(cover.darker(140));
    painter.drawRect(QRectF(6, 10, 8, kHeight - 20));
    return image;
}

bool save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG", 9)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString folder = root + u"/resources/images/"_s;

    QImage loading = emptyCase(QColor(0x5a, 0x6e, 0x5a));
    {
        QPainter painter(&loading);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            painter.setBrush(QColor(0xe8, 0xe8, 0xe8, 120 + 60 * i));
            painter.drawEllipse(QPointF(38 + 14 * i, kHeight / 2.0), 5, 5);
        }
    }

    QImage unavailable = emptyCase(QColor(0x60, 0x60, 0x60));
    {
        QPainter painter(&unavailable);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(0xd0, 0xd0, 0xd0), 4);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const QRectF square(34, 50, 40, 40);
        painter.drawRect(square);
        painter.drawLine(square.topLeft(), square.bottomRight());
    }

    const bool ok = save(loading, folder + u"frame_loading_xbox360.png"_s) &&
                    save(unavailable, folder + u"frame_unavailable_xbox360.png"_s);
    return ok ? 0 : 1;
}
