// Draws the game list screen's art into resources/images/: tabs, sort and My-tab filter buttons,
// the explore panel with its drag-control bars, thumbs and choice buttons, the bars behind the
// controls, the gear, the busy overlay and the list background. Every picture is written twice,
// <name>.png at its size in points and <name>@2x.png at twice that, so it stays sharp at a
// device pixel ratio of 2. resources/images/LIST_SCREEN_ART.md lists the files and their use.
//
//   g++ -std=c++20 -fPIC make_list_screen_art.cpp -I../art-common \
//       $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_list_screen_art
//   QT_QPA_PLATFORM=offscreen /tmp/make_list_screen_art <repository root>

#include "ArtPictures.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Slot tops of the drag controls' thumbs, and where the bar picture sits in the control, so the
// slot marks printed on the bar line up with the thumb at each slot.
constexpr int kSlotTops[] = {32, 48, 63, 80, 96, 112, 127, 144, 160, 176, 192, 208};
constexpr int kThumbHeight = 20;
constexpr int kBarTop = 24;
constexpr int kBarTrackX = 60;  // taps count only right of x 50, so the track lies beyond it
constexpr int kBarTrackWidth = 24;

// The colours of the handset's own chrome: a steel blue for selection, graphite for bars.
const QColor kSelected(0x2f, 0x6f, 0xc4);
const QColor kNormal(0xe6, 0xe8, 0xec);
const QColor kGraphite(0x3a, 0x3f, 0x47);

QFont labelFont(qreal points, bool bold = true) {
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(qRound(points));  // sizes are in points of the 320-wide screen
    font.setBold(bold);
    return font;
}

// A rounded button with a top highlight: light grey when normal, blue and slightly sunk when
// selected, so the chosen button reads at a glance.
void glossyButton(QPainter& p, QRectF r, qreal radius, const QColor& base, bool sunk) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    if (sunk) {
        fill.setColorAt(0, base.darker(135));
        fill.setColorAt(0.5, base);
        fill.setColorAt(1, base.lighter(125));
    } else {
        fill.setColorAt(0, base.lighter(118));
        fill.setColorAt(0.5, base);
        fill.setColorAt(0.51, base.darker(108));
        fill.setColorAt(1, base.darker(118));
    }
    p.setPen(QPen(base.darker(sunk ? 170 : 150), 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, radius, radius);
    // The gloss: a soft white band over the upper half.
    QRectF shine = body.adjusted(1.5, 1.5, -1.5, -body.height() / 2);
    QLinearGradient gloss(shine.topLeft(), shine.bottomLeft());
    gloss.setColorAt(0, QColor(255, 255, 255, sunk ? 40 : 150));
    gloss.setColorAt(1, QColor(255, 255, 255, sunk ? 10 : 40));
    p.setPen(Qt::NoPen);
    p.setBrush(gloss);
    p.drawRoundedRect(shine, radius - 1, radius - 1);
}

void centredLabel(QPainter& p, QRectF r, const QString& text, qreal points, bool onDark) {
    p.setFont(labelFont(points));
    // An engraved look: a one-point shadow under the text, dark on light buttons, light on dark.
    p.setPen(onDark ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 170));
    p.drawText(r.translated(0, 1), Qt::AlignCenter, text);
    p.setPen(onDark ? QColor(Qt::white) : QColor(0x33, 0x38, 0x40));
    p.drawText(r, Qt::AlignCenter, text);
}

Draw labelledButton(const QString& text, qreal points, bool selected, qreal radius,
                    const QColor& normal = kNormal) {
    return [=](QPainter& p, QRectF r) {
        const QColor base = selected ? kSelected : normal;
        glossyButton(p, r, radius, base, selected);
        centredLabel(p, r, text, points, selected || normal.lightness() < 128);
    };
}

// A bar background: a vertical gradient with a light line along the top and a dark one along the
// bottom, as the handset's toolbars have.
Draw barBackground(const QColor& top, const QColor& bottom) {
    return [=](QPainter& p, QRectF r) {
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillRect(r, fill);
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), top.lighter(130));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), bottom.darker(140));
    };
}

// The filter bar carries two rows of 38 points: the My-tab filters above, the sort buttons below.
// On the All tab it is pushed up under the tabs so that only the sort row shows.
void drawFilterBar(QPainter& p, QRectF r) {
    const qreal row = r.height() / 2;
    barBackground(QColor(0xd3, 0xd7, 0xdd), QColor(0xb4, 0xba, 0xc3))(
        p, QRectF(r.left(), r.top(), r.width(), row));
    barBackground(QColor(0xc8, 0xcd, 0xd4), QColor(0xa4, 0xab, 0xb5))(
        p, QRectF(r.left(), r.top() + row, r.width(), row));
}

void drawListBackground(QPainter& p, QRectF r) {
    p.fillRect(r, QColor(214, 214, 214));  // the rows' own grey, so gaps never show
    p.setPen(QColor(206, 206, 206));
    for (qreal x = r.left() + 4; x < r.right(); x += 8)
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
}

void drawGear(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    const qreal outer = r.width() * 0.46;
    const qreal inner = r.width() * 0.34;
    QPainterPath gear;
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 4; ++i) {
        const qreal a = (i - 0.5) * M_PI * 2 / (kTeeth * 4);
        const qreal radius = (i % 4 < 2) ? outer : inner;
        const QPointF pt(c.x() + radius * qCos(a), c.y() + radius * qSin(a));
        i == 0 ? gear.moveTo(pt) : gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, r.width() * 0.13, r.width() * 0.13);
    gear.setFillRule(Qt::OddEvenFill);
    QLinearGradient metal(r.topLeft(), r.bottomLeft());
    metal.setColorAt(0, QColor(0xf4, 0xf6, 0xf8));
    metal.setColorAt(1, QColor(0xa8, 0xb0, 0xbb));
    p.setPen(QPen(QColor(0x20, 0x24, 0x2a), 1));
    p.setBrush(metal);
    p.drawPath(gear);
}

// Twelve spokes fading round the circle on a dark rounded square: the handset's busy look.
void drawBusyOverlay(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 165));
    p.drawRoundedRect(r, 12, 12);
    const QPointF c = r.center() - QPointF(0, 10);
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 30);
        p.setPen(QPen(QColor(255, 255, 255, 60 + i * 16), 3.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0, -10), QPointF(0, -19));
        p.restore();
    }
    p.setPen(Qt::white);
    p.setFont(labelFont(12));
    p.drawText(QRectF(r.left(), r.bottom() - 30, r.width(), 20), Qt::AlignCenter, u"Loading..."_s);
}

void drawExplorePanel(QPainter& p, QRectF r) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, QColor(0x2a, 0x2e, 0x35));
    fill.setColorAt(1, QColor(0x15, 0x17, 0x1b));
    p.fillRect(r, fill);
    // Three columns, one per drag control, parted by engraved lines.
    for (int column = 1; column < 3; ++column) {
        const qreal x = r.left() + r.width() * column / 3;
        p.fillRect(QRectF(x - 1, r.top() + 6, 1, 226), QColor(0, 0, 0, 160));
        p.fillRect(QRectF(x, r.top() + 6, 1, 226), QColor(255, 255, 255, 30));
    }
    // The strip with the search field and the sort buttons.
    p.fillRect(QRectF(r.left(), r.top() + 238, r.width(), 1), QColor(0, 0, 0, 180));
    p.fillRect(QRectF(r.left(), r.top() + 239, r.width(), 1), QColor(255, 255, 255, 35));
    p.fillRect(QRectF(r.left(), r.bottom() - 2, r.width(), 2), QColor(0x5a, 0x60, 0x6a));
}

// The bar of a drag control: slot names on the left (where taps do nothing) and a recessed
// track on the right that runs from the first slot to the last.
Draw dragBar(const QStringList& slotNames, const QColor& accent) {
    return [=](QPainter& p, QRectF r) {
        p.setRenderHint(QPainter::Antialiasing);
        const qreal firstCentre = kSlotTops[0] + kThumbHeight / 2.0 - kBarTop;
        const qreal lastCentre = kSlotTops[slotNames.size() - 1] + kThumbHeight / 2.0 - kBarTop;
        const QRectF track(kBarTrackX, firstCentre - kBarTrackWidth / 2.0, kBarTrackWidth,
                           lastCentre - firstCentre + kBarTrackWidth);
        QLinearGradient groove(track.topLeft(), track.topRight());
        groove.setColorAt(0, QColor(0x08, 0x09, 0x0b));
        groove.setColorAt(1, QColor(0x30, 0x34, 0x3b));
        p.setPen(QPen(QColor(255, 255, 255, 45), 1));
        p.setBrush(groove);
        p.drawRoundedRect(track.adjusted(0.5, 0.5, -0.5, -0.5), kBarTrackWidth / 2.0,
                          kBarTrackWidth / 2.0);
        // A thin lit line down the middle of the track in the control's colour.
        p.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(track.center().x(), firstCentre),
                   QPointF(track.center().x(), lastCentre));
        p.setFont(labelFont(8.5, false));
        for (qsizetype slot = 0; slot < slotNames.size(); ++slot) {
            const qreal centre = kSlotTops[slot] + kThumbHeight / 2.0 - kBarTop;
            p.setPen(QColor(255, 255, 255, 90));
            p.drawLine(QPointF(kBarTrackX - 6, centre), QPointF(kBarTrackX - 2, centre));
            p.setPen(slot == 0 ? QColor(0xa0, 0xa6, 0xb0) : QColor(0xe8, 0xea, 0xee));
            p.drawText(QRectF(0, centre - 8, kBarTrackX - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                       slotNames[slot]);
        }
    };
}

// A thumb: a glossy pill in the control's colour with three grip lines.
Draw dragThumb(const QColor& colour) {
    return [=](QPainter& p, QRectF r) {
        glossyButton(p, r.adjusted(1, 1, -1, -1), (r.height() - 2) / 2, colour, false);
        p.setPen(QPen(colour.darker(170), 1));
        const QPointF c = r.center();
        for (int i = -1; i <= 1; ++i)
            p.drawLine(QPointF(c.x() + i * 4, c.y() - 4), QPointF(c.x() + i * 4, c.y() + 4));
    };
}

void drawSearchField(QPainter& p, QRectF r) {
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, QColor(0xdc, 0xde, 0xe2));
    fill.setColorAt(0.25, Qt::white);
    p.setPen(QPen(QColor(0x10, 0x12, 0x15), 1));
    p.setBrush(fill);
    p.drawRoundedRect(body, body.height() / 2, body.height() / 2);
    // A magnifier at the left; the field's text starts after it (left margin 24).
    p.setPen(QPen(QColor(0x70, 0x76, 0x80), 1.6));
    p.setBrush(Qt::NoBrush);
    const QPointF c(r.left() + 12, r.center().y() - 1.5);
    p.drawEllipse(c, 4.5, 4.5);
    p.drawLine(c + QPointF(3.3, 3.3), c + QPointF(7, 7));
}

QList<Picture> pictures() {
    QList<Picture> list;
    const QSize tab(104, 29);
    const QList<std::pair<QString, QString>> tabs{
        {u"all"_s, u"All Games"_s}, {u"my"_s, u"My Games"_s}, {u"explore"_s, u"Explore"_s}};
    for (const auto& [key, label] : tabs) {
        list.append({u"tab_"_s + key, tab, labelledButton(label, 13, false, 8)});
        list.append({u"tab_"_s + key + u"_selected"_s, tab, labelledButton(label, 13, true, 8)});
    }
    const QList<std::pair<QString, QString>> sorts{{u"date"_s, u"By Date"_s},
                                                   {u"score"_s, u"By Score"_s}};
    for (const auto& [key, label] : sorts) {
        list.append({u"sort_"_s + key, QSize(120, 28), labelledButton(label, 12, false, 14)});
        list.append({u"sort_"_s + key + u"_selected"_s, QSize(120, 28),
                     labelledButton(label, 12, true, 14)});
        list.append({u"explore_sort_"_s + key, QSize(70, 24),
                     labelledButton(label, 10, false, 12, kGraphite)});
        list.append({u"explore_sort_"_s + key + u"_selected"_s, QSize(70, 24),
                     labelledButton(label, 10, true, 12, kGraphite)});
    }
    const QList<std::pair<QString, QString>> filters{
        {u"wish"_s, u"Wish List"_s}, {u"rated"_s, u"Rated"_s}, {u"played"_s, u"Played"_s}};
    for (const auto& [key, label] : filters) {
        list.append({u"filter_"_s + key, QSize(98, 28), labelledButton(label, 12, false, 6)});
        list.append({u"filter_"_s + key + u"_selected"_s, QSize(98, 28),
                     labelledButton(label, 12, true, 6)});
    }
    list.append({u"explore_panel"_s, QSize(320, 272), drawExplorePanel});
    struct Control {
        QString key;
        QColor colour;
        QStringList slotNames;
    };
    const QList<Control> controls{
        {u"score"_s,
         QColor(0xe8, 0xa8, 0x1c),
         {u"any"_s, u"5 \u2605"_s, u"4+ \u2605"_s, u"3+ \u2605"_s, u"2+ \u2605"_s, u"1+ \u2605"_s}},
        {u"esrb"_s,
         QColor(0x3d, 0x9a, 0xe0),
         {u"any"_s, u"kids"_s, u"everyone"_s, u"10+"_s, u"teen"_s, u"mature"_s, u"pending"_s}},
        {u"genre"_s,
         QColor(0x5c, 0xb8, 0x4a),
         {u"any"_s, u"action"_s, u"adventure"_s, u"driving"_s, u"family"_s, u"fighting"_s,
          u"flying"_s, u"puzzle"_s, u"rpg"_s, u"simulation"_s, u"sports"_s, u"strategy"_s}},
    };
    for (const Control& control : controls) {
        list.append({u"explore_bar_"_s + control.key, QSize(96, 208),
                     dragBar(control.slotNames, control.colour)});
        list.append({u"explore_thumb_"_s + control.key, QSize(36, kThumbHeight),
                     dragThumb(control.colour)});
    }
    list.append({u"explore_choice"_s, QSize(98, 28), labelledButton({}, 10, false, 11, kGraphite)});
    list.append(
        {u"explore_choice_selected"_s, QSize(98, 28), labelledButton({}, 10, true, 11, kGraphite)});
    list.append({u"explore_search_field"_s, QSize(160, 26), drawSearchField});
    list.append({u"icon_gear"_s, QSize(24, 24), drawGear});
    list.append({u"bar_tabs"_s, QSize(320, 33),
                 barBackground(QColor(0x4a, 0x50, 0x5a), QColor(0x22, 0x25, 0x2b))});
    list.append({u"bar_filter"_s, QSize(320, 76), drawFilterBar});
    list.append({u"bar_status"_s, QSize(320, 38),
                 barBackground(QColor(0x3e, 0x44, 0x4d), QColor(0x1a, 0x1c, 0x21))});
    list.append({u"overlay_busy"_s, QSize(110, 100), drawBusyOverlay});
    list.append({u"list_background"_s, QSize(320, 370), drawListBackground});
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    return writePictures(argc, argv, pictures());
}
