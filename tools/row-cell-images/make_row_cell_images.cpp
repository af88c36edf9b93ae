// Draws the pictures of a game row, resources/images/cell_*.png: the two score blocks (the
// user's own score on blue, the critics' on silver) and the played and wish-list marks, each
// on and off. Every picture is drawn at twice its size in points, so the row loads it with a
// device pixel ratio of 2 and it stays sharp on a high-density screen.
//
//   g++ -std=c++20 -fPIC make_row_cell_images.cpp $(pkg-config --cflags --libs Qt6Gui) \
//       -o /tmp/make_row_cell_images
//   QT_QPA_PLATFORM=offscreen /tmp/make_row_cell_images <repository root>

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kScale = 2;
// Sizes in points; the row's interface file gives the views the same sizes.
constexpr int kBlockWidth = 48;
constexpr int kBlockHeight = 30;
constexpr int kIconSize = 22;

// A transparent picture of the size in points, drawn by the painter function in points.
QImage draw(int width, int height, const std::function<void(QPainter&)>& paint) {
    QImage image(width * kScale, height * kScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(kScale, kScale);
    paint(painter);
    return image;
}

QImage scoreBlock(const QColor& top, const QColor& bottom, const QColor& edge) {
    return draw(kBlockWidth, kBlockHeight, [&](QPainter& painter) {
        const QRectF body(1, 1, kBlockWidth - 2, kBlockHeight - 2);
        QLinearGradient fill(body.topLeft(), body.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        painter.setPen(QPen(edge, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(body, 6, 6);
        // A soft gloss on the upper half, as handheld buttons of the time had.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 60));
        painter.drawRoundedRect(QRectF(2.5, 2.5, kBlockWidth - 5, kBlockHeight / 2.0 - 2), 4, 4);
    });
}

// A round badge holding a tick: the game has been played.
QImage playedIcon(const QColor& colour) {
    return draw(kIconSize, kIconSize, [&](QPainter& painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(1, 1, kIconSize - 2, kIconSize - 2));
        QPainterPath tick;
        tick.moveTo(6, 11.5);
        tick.lineTo(9.5, 15);
        tick.lineTo(16, 7.5);
        painter.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(tick);
    });
}

// A heart: the game is on the wish list.
QImage wishIcon(const QColor& colour) {
    return draw(kIconSize, kIconSize, [&](QPainter& painter) {
        QPainterPath heart;
        heart.moveTo(11, 19);
        heart.cubicTo(4, 14, 1.5, 10.5, 1.5, 7);
        heart.cubicTo(1.5, 4, 4, 2, 6.5, 2);
        heart.cubicTo(8.5, 2, 10, 3.2, 11, 5);
        heart.cubicTo(12, 3.2, 13.5, 2, 15.5, 2);
        heart.cubicTo(18, 2, 20.5, 4, 20.5, 7);
        heart.cubicTo(20.5, 10.5, 18, 14, 11, 19);
        heart.closeSubpath();
        painter.setPen(QPen(colour.darker(130), 1));
        painter.setBrush(colour);
        painter.drawPath(heart);
    });
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString dir = root + u"/resources/images/"_s;
    // "Off" marks are drawn grey; the row dims them further.
    const QColor grey(0x8a, 0x8a, 0x8a);
    const std::pair<QString, QImage> images[] = {
        {u"cell_score_block_user.png"_s,
         scoreBlock(QColor(0x4a, 0x90, 0xe2), QColor(0x1c, 0x5c, 0xb0), QColor(0x14, 0x44, 0x88))},
        {u"cell_score_block_critic.png"_s,
         scoreBlock(QColor(0xf6, 0xf6, 0xf6), QColor(0xc8, 0xcc, 0xd2), QColor(0x96, 0x9a, 0xa0))},
        {u"cell_icon_played_on.png"_s, playedIcon(QColor(0x2e, 0x9e, 0x44))},
        {u"cell_icon_played_off.png"_s, playedIcon(grey)},
        {u"cell_icon_wish_on.png"_s, wishIcon(QColor(0xe0, 0x3a, 0x4e))},
        {u"cell_icon_wish_off.png"_s, wishIcon(grey)},
    };
    int failures = 0;
    for (const auto& [name, image] : images) {
        if (!image.save(dir + name, "PNG", 9)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir + name));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
