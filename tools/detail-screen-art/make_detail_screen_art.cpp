// Draws the detail screen's art into resources/images/: the top bar with its back and options
// buttons, the info panel, the four tabs, the wish and played toggles, the summary panel, the
// critic badge, the score overlay, and the star bar's stars, sliders, flyouts and grip lines.
// Same palette and font as the list screen's art (tools/list-screen-art). Every picture is
// written twice, <name>.png at its size in points and <name>@2x.png at twice that.
// resources/images/DETAIL_SCREEN_ART.md lists the files and their use.
//
//   g++ -std=c++20 -fPIC make_detail_screen_art.cpp -I../art-common \
//       $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_detail_screen_art
//   QT_QPA_PLATFORM=offscreen /tmp/make_detail_screen_art <repository root>

#include "ArtPictures.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The list screen's chrome colours, so both screens read as one program.
const QColor kSteelBlue(0x2f, 0x6f, 0xc4);
const QColor kLightGrey(0xe6, 0xe8, 0xec);
const QColor kGraphite(0x3a, 0x3f, 0x47);
const QColor kDarkText(0x33, 0x38, 0x40);
// The star bar's markers: orange for the user's own score, blue for the critic's.
const QColor kOrange(0xe4, 0x7a, 0x16);
const QColor kGold(0xf5, 0xb8, 0x24);
const QColor kMarkerBlue(0x4a, 0x86, 0xd4);

// Star centres in the star picture, top (5) to bottom (1). With the picture at the top of the
// control they sit 13 points below the flyout tops of the star bar's position table, within a
// point of the flyouts' points and the sliders' middles (12 below).
constexpr qreal kStarCentres[] = {10, 40, 72, 101, 128};
constexpr qreal kFlyoutPointY = 12;

QFont font(qreal pixels, bool bold = true) {
    QFont f(u"DejaVu Sans"_s);
    f.setPixelSize(qRound(pixels));
    f.setBold(bold);
    return f;
}

// Fills a shape with the handset's glossy look: a lit top half over a darker bottom, a gloss band
// clipped to the shape, and a darker rim. Sunk (pressed or selected) shapes are lit from below.
void glossyShape(QPainter& p, const QPainterPath& shape, const QColor& base, bool sunk,
                 int glossAlpha = 140) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = shape.boundingRect();
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    if (sunk) {
        body.setColorAt(0, base.darker(140));
        body.setColorAt(0.55, base);
        body.setColorAt(1, base.lighter(122));
    } else {
        body.setColorAt(0, base.lighter(120));
        body.setColorAt(0.49, base);
        body.setColorAt(0.5, base.darker(109));
        body.setColorAt(1, base.darker(120));
    }
    p.setPen(QPen(base.darker(sunk ? 175 : 150), 1));
    p.setBrush(body);
    p.drawPath(shape);
    p.save();
    p.setClipPath(shape);
    QLinearGradient gloss(box.topLeft(), QPointF(box.left(), box.center().y()));
    gloss.setColorAt(0, QColor(255, 255, 255, sunk ? glossAlpha / 4 : glossAlpha));
    gloss.setColorAt(1, QColor(255, 255, 255, sunk ? 5 : glossAlpha / 5));
    p.fillRect(QRectF(box.left() + 1.5, box.top() + 1.5, box.width() - 3, box.height() / 2 - 1),
               gloss);
    p.restore();
}

QPainterPath roundedBox(QRectF r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A page-wide strip: vertical gradient, a highlight along the top and a dark edge at the bottom.
Draw strip(const QColor& top, const QColor& bottom, const QColor& edge) {
    return [=](QPainter& p, QRectF r) {
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillRect(r, fill);
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), top.lighter(125));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), edge);
    };
}

// The top bar's buttons are a lighter graphite than the bar, so they stand out and white titles
// still read on them; pressed, they sink and darken.
const QColor kBarButton(0x55, 0x5c, 0x68);

Draw backButton(bool pressed) {
    return [=](QPainter& p, QRectF r) {
        const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
        const qreal radius = 4;
        const qreal tipInset = b.height() * 0.45;  // how far the arrow's point reaches left
        QPainterPath shape;
        shape.moveTo(b.left(), b.center().y());
        shape.lineTo(b.left() + tipInset, b.top());
        shape.lineTo(b.right() - radius, b.top());
        shape.quadTo(b.topRight(), QPointF(b.right(), b.top() + radius));
        shape.lineTo(b.right(), b.bottom() - radius);
        shape.quadTo(b.bottomRight(), QPointF(b.right() - radius, b.bottom()));
        shape.lineTo(b.left() + tipInset, b.bottom());
        shape.closeSubpath();
        glossyShape(p, shape, pressed ? kBarButton.darker(145) : kBarButton, pressed);
    };
}

// An envelope with an arrow leaving it to the upper right: "send this game to someone".
Draw optionsButton(bool pressed) {
    return [=](QPainter& p, QRectF r) {
        glossyShape(p, roundedBox(r.adjusted(0.5, 0.5, -0.5, -0.5), 4),
                    pressed ? kBarButton.darker(145) : kBarButton, pressed);
        const QRectF envelope(r.center().x() - 10, r.center().y() - 2.5, 14, 9);
        for (const auto& [offset, colour] :
             {std::pair{1.0, QColor(0, 0, 0, 110)}, std::pair{0.0, QColor(Qt::white)}}) {
            p.setPen(QPen(colour, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            const QRectF e = envelope.translated(0, offset);
            p.drawRect(e);
            p.drawPolyline(
                QPolygonF{e.topLeft(), QPointF(e.center().x(), e.center().y() + 1), e.topRight()});
            // The arrow leaves from just beyond the envelope's corner, up and to the right.
            const QPointF tail = e.topRight() + QPointF(1.5, -1.5);
            const QPointF head = tail + QPointF(5, -5);
            p.drawLine(tail, head);
            p.drawPolyline(QPolygonF{head + QPointF(-3.5, 0), head, head + QPointF(0, 3.5)});
        }
    };
}

void drawInfoBackground(QPainter& p, QRectF r) {
    strip(QColor(0xf6, 0xf7, 0xf9), QColor(0xdc, 0xdf, 0xe4), QColor(0xa8, 0xae, 0xb7))(p, r);
    p.fillRect(QRectF(r.left(), r.bottom() - 2, r.width(), 1), QColor(255, 255, 255, 150));
}

// One of four tabs side by side: square corners and no rim so the row reads as one strip; a lit
// line at the left edge and a dark one at the right make the divider between neighbours.
Draw detailTab(bool selected) {
    return [=](QPainter& p, QRectF r) {
        const QColor base = selected ? kSteelBlue : kLightGrey;
        QLinearGradient body(r.topLeft(), r.bottomLeft());
        body.setColorAt(0, selected ? base.darker(130) : base.lighter(112));
        body.setColorAt(0.5, selected ? base : base.darker(104));
        body.setColorAt(1, selected ? base.lighter(118) : base.darker(114));
        p.fillRect(r, body);
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1),
                   selected ? base.darker(160) : QColor(255, 255, 255, 220));
        p.fillRect(QRectF(r.left(), r.top() + 1, 1, r.height() - 2),
                   QColor(255, 255, 255, selected ? 50 : 200));
        p.fillRect(QRectF(r.right() - 1, r.top(), 1, r.height()), base.darker(150));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), base.darker(170));
    };
}

QPainterPath heart(QPointF c, qreal size) {
    const qreal s = size / 2;
    QPainterPath path;
    path.moveTo(c.x(), c.y() + s * 0.95);
    path.cubicTo(c.x() - s * 0.2, c.y() + s * 0.6, c.x() - s * 1.05, c.y() + s * 0.15,
                 c.x() - s * 1.0, c.y() - s * 0.35);
    path.cubicTo(c.x() - s * 0.95, c.y() - s * 1.0, c.x() - s * 0.15, c.y() - s * 1.05, c.x(),
                 c.y() - s * 0.45);
    path.cubicTo(c.x() + s * 0.15, c.y() - s * 1.05, c.x() + s * 0.95, c.y() - s * 1.0,
                 c.x() + s * 1.0, c.y() - s * 0.35);
    path.cubicTo(c.x() + s * 1.05, c.y() + s * 0.15, c.x() + s * 0.2, c.y() + s * 0.6, c.x(),
                 c.y() + s * 0.95);
    return path;
}

QPainterPath checkMark(QPointF c, qreal size) {
    const qreal s = size / 2;
    QPainterPath path;
    path.moveTo(c.x() - s * 0.9, c.y() + s * 0.05);
    path.lineTo(c.x() - s * 0.3, c.y() + s * 0.65);
    path.lineTo(c.x() + s * 0.9, c.y() - s * 0.75);
    return path;
}

enum class Icon { Heart, Check };

// A toggle with its icon and title drawn in, centred together; engraved like the list's buttons.
Draw toggleButton(Icon icon, const QString& title, bool selected) {
    return [=](QPainter& p, QRectF r) {
        glossyShape(p, roundedBox(r.adjusted(0.5, 0.5, -0.5, -0.5), 6),
                    selected ? kSteelBlue : kLightGrey, selected);
        const QFont f = font(12);
        const qreal iconSize = 12;
        const qreal gap = 5;
        const qreal textWidth = QFontMetricsF(f).horizontalAdvance(title);
        const qreal left = r.center().x() - (iconSize + gap + textWidth) / 2;
        const QPointF iconCentre(left + iconSize / 2, r.center().y());
        const QColor ink = selected ? QColor(Qt::white) : kDarkText;
        const QColor shadow = selected ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 170);
        p.setFont(f);
        for (const auto& [offset, colour] : {std::pair{1.0, shadow}, std::pair{0.0, ink}}) {
            const QPointF c = iconCentre + QPointF(0, offset);
            if (icon == Icon::Heart) {
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                p.drawPath(heart(c, iconSize));
            } else {
                p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.setBrush(Qt::NoBrush);
                p.drawPath(checkMark(c, iconSize));
            }
            p.setPen(colour);
            p.drawText(QRectF(left + iconSize + gap, r.top() + offset, textWidth + 2, r.height()),
                       Qt::AlignLeft | Qt::AlignVCenter, title);
        }
    };
}

// Warm off-white with a faint ruled grain and a soft shadow under the tabs above it.
void drawSummaryBackground(QPainter& p, QRectF r) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0xfb, 0xfa, 0xf6));
    fill.setColorAt(1, QColor(0xee, 0xec, 0xe5));
    p.fillRect(r, fill);
    for (qreal y = r.top() + 3; y < r.bottom(); y += 3)
        p.fillRect(QRectF(r.left(), y, r.width(), 1), QColor(0x8a, 0x80, 0x60, 7));
    QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, 6));
    shade.setColorAt(0, QColor(0, 0, 0, 45));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 6), shade);
}

void drawCriticScoreBlock(QPainter& p, QRectF r) {
    glossyShape(p, roundedBox(r.adjusted(0.5, 0.5, -0.5, -0.5), 5), kGraphite, false, 45);
    p.setFont(font(7, false));
    p.setPen(QColor(0xc4, 0xc9, 0xd1));
    p.drawText(QRectF(r.left(), r.bottom() - 9.5, r.width(), 8), Qt::AlignCenter, u"critic"_s);
}

void drawScoreOverlay(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.setBrush(QColor(0, 0, 0, 204));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    p.setFont(font(11));
    p.setPen(QColor(0xc8, 0xcc, 0xd2));
    p.drawText(QRectF(r.left(), r.top() + 7, r.width(), 16), Qt::AlignCenter, u"Your score"_s);
}

QPainterPath star(QPointF c, qreal outer, qreal inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal a = -M_PI / 2 + i * M_PI / 5;
        const qreal radius = (i % 2 == 0) ? outer : inner;
        const QPointF pt(c.x() + radius * qCos(a), c.y() + radius * qSin(a));
        i == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

void drawStars(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal x = r.center().x();
    // The track: a faint rod through the stars, from the top star to the bottom one.
    const QRectF track(x - 5, r.top() + kStarCentres[0], 10, kStarCentres[4] - kStarCentres[0]);
    QLinearGradient groove(track.topLeft(), track.topRight());
    groove.setColorAt(0, QColor(0x50, 0x48, 0x30, 45));
    groove.setColorAt(1, QColor(0x50, 0x48, 0x30, 18));
    p.setPen(QPen(QColor(0x50, 0x48, 0x30, 40), 1));
    p.setBrush(groove);
    p.drawRoundedRect(track, 5, 5);
    for (const qreal y : kStarCentres) {
        const QPointF c(x, r.top() + y);
        const QPainterPath shape = star(c, 9.8, 4.1);
        QLinearGradient fill(c - QPointF(0, 10), c + QPointF(0, 8));
        fill.setColorAt(0, QColor(0xff, 0xe2, 0x78));
        fill.setColorAt(1, QColor(0xe8, 0xa0, 0x12));
        p.setPen(QPen(QColor(0xa8, 0x6c, 0x0c), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(fill);
        p.drawPath(shape);
    }
}

Draw levelBar(const QColor& colour) {
    return [=](QPainter& p, QRectF r) {
        const QRectF b = r.adjusted(0.5, 0.5, -0.5, -0.5);
        glossyShape(p, roundedBox(b, b.height() / 2), colour, false);
    };
}

// A tag: a rounded body with a point on one side at kFlyoutPointY.
QPainterPath tag(QRectF body, qreal tipX, qreal radius) {
    const bool right = tipX > body.center().x();
    const qreal halfBase = 6.5;
    QPainterPath box = roundedBox(body, radius);
    QPainterPath point;
    const qreal baseX = right ? body.right() - 2 : body.left() + 2;
    point.moveTo(baseX, kFlyoutPointY - halfBase);
    point.lineTo(tipX, kFlyoutPointY);
    point.lineTo(baseX, kFlyoutPointY + halfBase);
    point.closeSubpath();
    return box.united(point).simplified();
}

QPainterPath crown(QPointF bottomCentre, qreal width, qreal height) {
    const qreal l = bottomCentre.x() - width / 2;
    const qreal b = bottomCentre.y();
    QPainterPath path;
    path.moveTo(l, b);
    path.lineTo(l, b - height);
    path.lineTo(l + width * 0.28, b - height * 0.45);
    path.lineTo(l + width * 0.5, b - height * 1.05);
    path.lineTo(l + width * 0.72, b - height * 0.45);
    path.lineTo(l + width, b - height);
    path.lineTo(l + width, b);
    path.closeSubpath();
    return path;
}

enum class Flyout { YourTop, YourBottom, Their };

// The user's marker. The program writes the score in its upper part (about (2,2)-(46,24)) and
// shows the grip lines in the lower part while dragging.
Draw userFlyout(Flyout kind) {
    return [=](QPainter& p, QRectF r) {
        const QRectF body(r.left() + 0.5, r.top() + 0.5, 45.5, r.height() - 1);
        const QPainterPath shape = tag(body, r.right() - 0.5, 6);
        // The orange tags carry a white number, so their gloss is kept faint; the light "their"
        // tag carries a grey one and can take the full gloss.
        if (kind == Flyout::Their) {
            glossyShape(p, shape, QColor(0xc6, 0xd4, 0xe8), false);
        } else {
            glossyShape(p, shape, kOrange, false, 55);
        }
        if (kind == Flyout::YourBottom) {
            // The top score's look: a gold rim, a gold band along the top and a gold crown below
            // the number.
            p.save();
            p.setClipPath(shape);
            p.fillRect(QRectF(r.left(), r.top(), r.width(), 3.5), kGold);
            p.restore();
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kGold.darker(135), 1.2));
            p.drawPath(shape);
            p.setPen(QPen(kGold.darker(170), 0.8));
            p.setBrush(kGold.lighter(112));
            p.drawPath(crown(QPointF(body.center().x(), r.bottom() - 5.5), 15, 9));
        }
        // A faint line parting the number from the grip area below.
        const QColor rule =
            kind == Flyout::Their ? QColor(0x60, 0x70, 0x88, 50) : QColor(0x80, 0x40, 0x00, 60);
        p.fillRect(QRectF(body.left() + 6, r.top() + 25, body.width() - 12, 1), rule);
    };
}

// The critic's marker stands right of the bar and points left at it.
void drawCriticFlyout(QPainter& p, QRectF r) {
    const QRectF body(r.left() + 6, r.top() + 0.5, r.width() - 6.5, r.height() - 1);
    glossyShape(p, tag(body, r.left() + 0.5, 5), QColor(0xe2, 0xe5, 0xea), false);
}

void drawCriticSlider(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0xa4, 0xaa, 0xb3));
    fill.setColorAt(1, QColor(0x6c, 0x72, 0x7c));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(0.25, 0.25, -0.25, -0.25), 1.75, 1.75);
}

void drawDragLines(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + 2 + i * 4;
        p.setPen(QPen(QColor(0, 0, 0, 60), 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + 1.5, y + 1), QPointF(r.right() - 1.5, y + 1));
        p.setPen(QPen(QColor(255, 255, 255, 215), 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
    }
}

QList<Picture> pictures() {
    QList<Picture> list{
        {u"detail_top_bar"_s,
         {320, 33},
         strip(QColor(0x4a, 0x50, 0x5a), QColor(0x22, 0x25, 0x2b), QColor(0x14, 0x16, 0x19))},
        {u"detail_back"_s, {58, 25}, backButton(false)},
        {u"detail_back_pressed"_s, {58, 25}, backButton(true)},
        {u"detail_options"_s, {36, 25}, optionsButton(false)},
        {u"detail_options_pressed"_s, {36, 25}, optionsButton(true)},
        {u"detail_info_background"_s, {320, 160}, drawInfoBackground},
        {u"detail_tab"_s, {80, 36}, detailTab(false)},
        {u"detail_tab_selected"_s, {80, 36}, detailTab(true)},
        {u"detail_wish"_s, {96, 28}, toggleButton(Icon::Heart, u"Wish List"_s, false)},
        {u"detail_wish_selected"_s, {96, 28}, toggleButton(Icon::Heart, u"Wish List"_s, true)},
        {u"detail_played"_s, {96, 28}, toggleButton(Icon::Check, u"Played"_s, false)},
        {u"detail_played_selected"_s, {96, 28}, toggleButton(Icon::Check, u"Played"_s, true)},
        {u"detail_summary_background"_s, {320, 411}, drawSummaryBackground},
        {u"detail_critic_score_block"_s, {48, 30}, drawCriticScoreBlock},
        {u"detail_score_overlay"_s, {156, 100}, drawScoreOverlay},
        {u"starbar_stars"_s, {34, 142}, drawStars},
        {u"starbar_wide_slider_orange"_s, {44, 6}, levelBar(kOrange)},
        {u"starbar_wide_slider_blue"_s, {44, 6}, levelBar(kMarkerBlue)},
        {u"starbar_flyout_tall_your_top"_s, {52, 40}, userFlyout(Flyout::YourTop)},
        {u"starbar_flyout_tall_your_bottom"_s, {52, 40}, userFlyout(Flyout::YourBottom)},
        {u"starbar_flyout_tall_their"_s, {52, 40}, userFlyout(Flyout::Their)},
        {u"starbar_flyout_critic"_s, {44, 30}, drawCriticFlyout},
        {u"starbar_slider_critic"_s, {40, 4}, drawCriticSlider},
        {u"starbar_drag_lines"_s, {10, 12}, drawDragLines},
    };
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    return writePictures(argc, argv, pictures());
}
