// Draws the program's icon: a list card with two ticked rows on a rounded violet square, and a
// gold star over its corner. Writes resources/icons/hicolor/<n>x<n>/apps/questlog.png for each
// size the desktop asks for; each size is drawn afresh, not scaled from another, so the small
// ones stay crisp. The output is the same byte for byte on every run.
//
//   questlog-app-icon [<repository root>]          write the icons
//   questlog-app-icon --check [<repository root>]  exit 1 when the committed ones are out of date

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

// Drawn on a 512 unit canvas, scaled to each size.
constexpr qreal kCanvas = 512;
constexpr int kSizes[] = {48, 64, 128, 256, 512};

QPainterPath star(QPointF centre, qreal outer, qreal inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = i % 2 == 0 ? outer : inner;
        const qreal angle = qDegreesToRadians(-90.0 + 36.0 * i);
        const QPointF point = centre + QPointF(radius * qCos(angle), radius * qSin(angle));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

void drawIcon(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    // The tile, with a soft drop below it.
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(QRectF(36, 44, 440, 440), 96, 96);
    QLinearGradient tile(0, 32, 0, 472);
    tile.setColorAt(0, QColor(0x4c, 0x6e, 0xf5));
    tile.setColorAt(1, QColor(0x67, 0x41, 0xd9));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(36, 32, 440, 440), 96, 96);

    // The list card.
    painter.setBrush(QColor(0xf8, 0xf9, 0xfa));
    painter.drawRoundedRect(QRectF(112, 100, 260, 312), 32, 32);
    for (int row = 0; row < 3; ++row) {
        const qreal y = 158 + row * 84;
        QPen box(QColor(0x67, 0x41, 0xd9), 12);
        box.setJoinStyle(Qt::RoundJoin);
        painter.setPen(box);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(146, y - 22, 44, 44), 10, 10);
        if (row < 2) {
            QPen tick(QColor(0x2f, 0x9e, 0x44), 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            painter.setPen(tick);
            painter.drawPolyline(QPolygonF{{154, y}, {166, y + 12}, {190, y - 16}});
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xad, 0xb5, 0xbd));
        painter.drawRoundedRect(QRectF(214, y - 11, row == 1 ? 96 : 126, 22), 11, 11);
    }

    // The star, over the card's lower right corner.
    QPen rim(QColor(0xe6, 0x77, 0x00), 12);
    rim.setJoinStyle(Qt::RoundJoin);
    painter.setPen(rim);
    painter.setBrush(QColor(0xfc, 0xc4, 0x19));
    painter.drawPath(star(QPointF(364, 372), 100, 42));
}

QImage render(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(size / kCanvas, size / kCanvas);
    drawIcon(painter);
    painter.end();
    return image;
}

// Antialiasing may round differently on another processor; a real change moves far more.
bool closeEnough(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column) {
            if (std::abs(qRed(p[column]) - qRed(q[column])) > 2 ||
                std::abs(qGreen(p[column]) - qGreen(q[column])) > 2 ||
                std::abs(qBlue(p[column]) - qBlue(q[column])) > 2 ||
                std::abs(qAlpha(p[column]) - qAlpha(q[column])) > 2) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int next = 1;
    const bool check = argc > next && QByteArray(argv[next]) == "--check";
    if (check) {
        ++next;
    }
    const QString root = argc > next ? QString::fromLocal8Bit(argv[next]) : QDir::currentPath();
    int failures = 0;
    for (const int size : kSizes) {
        const QString folder = u"%1/resources/icons/hicolor/%2x%2/apps"_s.arg(root).arg(size);
        const QString file = folder + u"/questlog.png"_s;
        const QImage image = render(size);
        if (check) {
            if (!closeEnough(image, QImage(file))) {
                std::fprintf(stderr, "%s is out of date: run questlog-app-icon\n",
                             qPrintable(file));
                ++failures;
            }
        } else if (!QDir().mkpath(folder) || !image.save(file, "PNG", 9)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
