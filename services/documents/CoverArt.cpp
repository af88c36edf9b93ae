#include "CoverArt.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

#include "DemoCatalogue.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QSize kCoverSize(300, 420);
constexpr int kJpegQuality = 85;
// Out of a thousand: the share of ids the box-art service has no picture for.
constexpr quint32 kNoCoverPerMille = 30;

// qHash is seeded per process and differs between CPUs, so the pictures (and which games have
// none) would change from run to run; FNV-1a over the UTF-16 units, with a final mix because
// sequential ids differ only in their last digits.
quint32 stableHash(QStringView text, quint32 salt = 0) {
    quint32 h = 2166136261u ^ salt;
    for (const QChar c : text) {
        h ^= c.unicode();
        h *= 16777619u;
    }
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

struct PlatformStyle {
    QStringView code;
    QStringView label;
    QColor band;
    QColor ink;
};

// The colour of each platform's cases, as a shop shelf shows them at a glance.
const PlatformStyle& platformStyle(const QString& platform) {
    static const PlatformStyle kStyles[] = {
        {u"xbox360", u"XBOX 360", QColor(0x4f, 0x9a, 0x2a), Qt::white},
        {u"wii", u"Wii", QColor(0xe4, 0xe8, 0xec), QColor(0x30, 0x36, 0x40)},
        {u"ps3", u"PS3", QColor(0x16, 0x16, 0x1a), Qt::white},
        {u"psp", u"PSP", QColor(0x1d, 0x3f, 0x8f), Qt::white},
        {u"pc", u"PC DVD", QColor(0x4a, 0x4f, 0x58), Qt::white},
        {u"ds", u"DS", QColor(0xb3, 0x1f, 0x26), Qt::white},
    };
    static const PlatformStyle kUnknown{u"", u"", QColor(0x80, 0x80, 0x80), Qt::white};
    for (const PlatformStyle& style : kStyles) {
        if (style.code == platform) {
            return style;
        }
    }
    return kUnknown;
}

QFont boldFont(qreal pixels) {
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(qMax(1, qRound(pixels)));
    font.setBold(true);
    return font;
}

QByteArray jpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", kJpegQuality);
    return bytes;
}

qreal uniform(QRandomGenerator& random, qreal from, qreal to) {
    return from + random.generateDouble() * (to - from);
}

// A point of the area. The coordinates are drawn one statement after the other: the order in
// which a call's arguments are worked out is the compiler's choice, and the pictures must not
// change with it.
QPointF randomPoint(QRandomGenerator& random, const QRectF& area) {
    const qreal x = uniform(random, area.left(), area.right());
    const qreal y = uniform(random, area.top(), area.bottom());
    return {x, y};
}

QColor translucentWhite(QRandomGenerator& random, int from, int to) {
    return QColor(255, 255, 255, random.bounded(from, to));
}

// ---- Cover ----------------------------------------------------------------------------------

// Repeats one light band and a clear gap across the gradient: stripes or rings in a single fill,
// where drawing each band as a shape of its own cost a cover several milliseconds.
void bands(QGradient& gradient, QRandomGenerator& random) {
    const QColor ink = translucentWhite(random, 25, 65);
    const QColor clear(255, 255, 255, 0);
    const qreal band = uniform(random, 0.2, 0.6);
    constexpr qreal kSoftEdge = 0.04;
    gradient.setSpread(QGradient::RepeatSpread);
    gradient.setColorAt(0, clear);
    gradient.setColorAt(kSoftEdge, ink);
    gradient.setColorAt(band, ink);
    gradient.setColorAt(band + kSoftEdge, clear);
    gradient.setColorAt(1, clear);
}

// The picture behind the title: one of a few patterns, placed by the id's own random numbers.
void drawPattern(QPainter& p, const QRectF& r, quint32 seed) {
    QRandomGenerator random(seed);
    p.setPen(Qt::NoPen);
    switch (seed % 4) {
        case 0:  // bubbles
            for (int i = random.bounded(6, 11); i > 0; --i) {
                const qreal radius = uniform(random, r.width() * 0.06, r.width() * 0.3);
                p.setBrush(translucentWhite(random, 25, 70));
                p.drawEllipse(randomPoint(random, r), radius, radius);
            }
            break;
        case 1: {  // slanted stripes
            const qreal angle = qDegreesToRadians(uniform(random, -60, 60));
            const QPointF across(qCos(angle), qSin(angle));
            QLinearGradient stripes(r.center(), r.center() + across * uniform(random, 24, 64));
            bands(stripes, random);
            p.fillRect(r, stripes);
            break;
        }
        case 2: {  // rings round one point
            const QPointF centre = randomPoint(random, r);
            QRadialGradient rings(centre, uniform(random, 20, 48));
            bands(rings, random);
            p.fillRect(r, rings);
            break;
        }
        default:  // shards
            for (int i = random.bounded(5, 9); i > 0; --i) {
                QPolygonF shard;
                const QPointF corner = randomPoint(random, r);
                for (int k = 0; k < 3; ++k) {
                    shard << corner + randomPoint(random, QRectF(-110, -110, 220, 220));
                }
                p.setBrush(translucentWhite(random, 20, 60));
                p.drawPolygon(shard);
            }
            break;
    }
}

// The title as large as it fits the box, wrapped at words, with a shadow so it reads on any
// background.
void drawTitle(QPainter& p, const QRectF& box, const QString& title) {
    constexpr int kFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    QFont font = boldFont(40);
    for (qreal pixels = 40; pixels > 14; pixels -= 3) {
        font = boldFont(pixels);
        const QRectF needed = QFontMetricsF(font).boundingRect(box, kFlags, title);
        if (needed.width() <= box.width() && needed.height() <= box.height()) {
            break;
        }
    }
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 150));
    p.drawText(box.translated(2, 2), kFlags, title);
    p.setPen(Qt::white);
    p.drawText(box, kFlags, title);
}

QImage coverImage(const DemoGame& game) {
    const PlatformStyle& style = platformStyle(game.platform);
    const quint32 seed = stableHash(game.criticonId());
    QImage image(kCoverSize, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF whole(QPointF(0, 0), QSizeF(kCoverSize));

    // The case: the platform's colour round the art and in the band over it.
    p.fillRect(whole, style.band);
    constexpr qreal kEdge = 8;
    constexpr qreal kBand = 34;
    const QRectF art = whole.adjusted(kEdge, kBand, -kEdge, -kEdge);
    const int hue = int(seed % 360);
    QLinearGradient fill(art.topLeft(), art.bottomRight());
    fill.setColorAt(0, QColor::fromHsv(hue, 150 + int(seed >> 9) % 80, 215));
    fill.setColorAt(1, QColor::fromHsv((hue + 60 + int(seed >> 12) % 120) % 360, 200, 95));
    p.save();
    p.setClipRect(art);
    p.fillRect(art, fill);
    drawPattern(p, art, seed >> 3);
    p.restore();

    p.setFont(boldFont(15));
    p.setPen(style.ink);
    const QString band =
        style.label.isEmpty() ? u"QUESTLOG"_s : u"QUESTLOG \u00b7 "_s + style.label.toString();
    p.drawText(QRectF(0, 0, whole.width(), kBand), Qt::AlignCenter, band);

    drawTitle(p, art.adjusted(14, 22, -14, -art.height() * 0.35), game.title());
    // A rating-style badge in the corner, as real covers carry.
    const QRectF badge(art.left() + 10, art.bottom() - 46, 30, 36);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(Qt::white);
    p.drawRect(badge);
    p.setFont(boldFont(20));
    p.setPen(Qt::black);
    p.drawText(badge, Qt::AlignCenter, game.fields.value(8).left(1));
    return image;
}

// ---- Screenshots -----------------------------------------------------------------------------

enum class Scene { Hills, City, Space, Road, Pitch };

Scene sceneFor(const DemoGame& game, int number, quint32 seed) {
    const QString genre = game.fields.value(7);
    if (genre == u"DRIVING"_s) {
        return Scene::Road;
    }
    if (genre == u"SPORTS"_s && number % 3 != 2) {
        return Scene::Pitch;
    }
    constexpr Scene kOthers[] = {Scene::Hills, Scene::City, Scene::Space};
    return kOthers[(seed + quint32(number)) % 3];
}

void drawSky(QPainter& p, const QRectF& r, QRandomGenerator& random, bool night) {
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    const int hue = random.bounded(180, 260);
    sky.setColorAt(0, night ? QColor::fromHsv(hue, 200, 30) : QColor::fromHsv(hue, 170, 200));
    sky.setColorAt(1, night ? QColor::fromHsv(hue, 160, 80) : QColor::fromHsv(hue, 60, 250));
    p.fillRect(r, sky);
}

void drawHills(QPainter& p, const QRectF& r, QRandomGenerator& random) {
    drawSky(p, r, random, false);
    p.setBrush(QColor(255, 240, 190));
    const qreal sun = r.height() * 0.08;
    p.drawEllipse(QPointF(uniform(random, r.left() + sun, r.right() - sun), r.height() * 0.25), sun,
                  sun);
    const int hue = random.bounded(70, 140);
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath hill;
        const qreal base = r.height() * (0.5 + 0.15 * layer);
        const qreal phase = uniform(random, 0, 6.28);
        const qreal wave = uniform(random, 1.5, 4);
        hill.moveTo(r.left(), r.bottom());
        for (qreal x = r.left(); x <= r.right() + 8; x += 8) {
            hill.lineTo(x, base - r.height() * 0.08 * qSin(phase + wave * x / r.width() * 3.14));
        }
        hill.lineTo(r.right(), r.bottom());
        hill.closeSubpath();
        p.setBrush(QColor::fromHsv(hue, 150, 170 - 45 * layer));
        p.drawPath(hill);
    }
}

void drawCity(QPainter& p, const QRectF& r, QRandomGenerator& random) {
    drawSky(p, r, random, true);
    for (qreal x = r.left(); x < r.right();) {
        const qreal width = r.width() * uniform(random, 0.06, 0.14);
        const qreal top = r.height() * uniform(random, 0.25, 0.7);
        const QRectF tower(x, top, width - 2, r.bottom() - top);
        p.setBrush(QColor::fromHsv(random.bounded(200, 260), 60, random.bounded(40, 80)));
        p.drawRect(tower);
        // The lit windows come from a generator of the tower's own, so the towers that follow do
        // not depend on how many windows this one has at the picture's size.
        QRandomGenerator lights(random.generate());
        p.setBrush(QColor(255, 220, 120));
        const qreal window = qMax<qreal>(2, r.height() / 60);
        for (qreal wy = tower.top() + window; wy < tower.bottom() - window; wy += window * 2.5) {
            for (qreal wx = tower.left() + window; wx < tower.right() - window;
                 wx += window * 2.5) {
                if (lights.bounded(3) == 0) {
                    p.drawRect(QRectF(wx, wy, window, window));
                }
            }
        }
        x += width;
    }
}

void drawSpace(QPainter& p, const QRectF& r, QRandomGenerator& random) {
    p.fillRect(r, QColor(6, 8, 20));
    p.setBrush(Qt::white);
    const qreal star = qMax<qreal>(1, r.height() / 240);
    for (int i = 0; i < 90; ++i) {
        p.drawEllipse(randomPoint(random, r), star, star);
    }
    const qreal radius = r.height() * uniform(random, 0.15, 0.35);
    const QPointF centre = randomPoint(random, r);
    QRadialGradient planet(centre - QPointF(radius / 3, radius / 3), radius * 1.3);
    const int hue = random.bounded(360);
    planet.setColorAt(0, QColor::fromHsv(hue, 120, 240));
    planet.setColorAt(1, QColor::fromHsv(hue, 220, 40));
    p.setBrush(planet);
    p.drawEllipse(centre, radius, radius);
}

void drawRoad(QPainter& p, const QRectF& r, QRandomGenerator& random) {
    const bool night = random.bounded(4) == 0;
    drawSky(p, r, random, night);
    const qreal horizon = r.height() * 0.45;
    p.fillRect(QRectF(r.left(), horizon, r.width(), r.bottom() - horizon),
               QColor::fromHsv(random.bounded(80, 130), 120, 120));
    const qreal vanish = r.center().x() + uniform(random, -0.15, 0.15) * r.width();
    p.setBrush(QColor(70, 70, 76));
    p.drawPolygon(QPolygonF{QPointF(vanish - 4, horizon), QPointF(vanish + 4, horizon),
                            QPointF(r.right() - r.width() * 0.1, r.bottom()),
                            QPointF(r.left() + r.width() * 0.1, r.bottom())});
    // Dashes that grow towards the viewer.
    p.setBrush(Qt::white);
    for (qreal t = 0.1; t < 1; t += 0.18) {
        const qreal y = horizon + (r.bottom() - horizon) * t * t;
        const qreal x = vanish + (r.center().x() - vanish) * t * t;
        const qreal w = 1 + r.width() * 0.012 * t;
        p.drawRect(QRectF(x - w / 2, y, w, (r.bottom() - horizon) * 0.06 * t));
    }
}

void drawPitch(QPainter& p, const QRectF& r, QRandomGenerator& random) {
    for (int stripe = 0; stripe < 8; ++stripe) {
        p.fillRect(
            QRectF(r.left() + r.width() * stripe / 8, r.top(), r.width() / 8 + 1, r.height()),
            stripe % 2 ? QColor(52, 140, 58) : QColor(60, 156, 66));
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(240, 240, 240), qMax<qreal>(1, r.height() / 120)));
    const QRectF field =
        r.adjusted(r.width() * 0.05, r.height() * 0.14, -r.width() * 0.05, -r.height() * 0.06);
    p.drawRect(field);
    p.drawLine(QPointF(field.center().x(), field.top()),
               QPointF(field.center().x(), field.bottom()));
    p.drawEllipse(field.center(), field.height() * 0.18, field.height() * 0.18);
    p.setPen(Qt::NoPen);
    const qreal player = r.height() * 0.025;
    for (int team = 0; team < 2; ++team) {
        p.setBrush(team ? QColor(230, 40, 40) : QColor(40, 80, 230));
        for (int i = 0; i < 5; ++i) {
            p.drawEllipse(randomPoint(random, field), player, player);
        }
    }
}

// The hero: a small figure in a colour of the game's own.
void drawHero(QPainter& p, const QRectF& r, QRandomGenerator& random, quint32 gameSeed) {
    const qreal size = r.height() * 0.12;
    const QPointF foot = randomPoint(random, QRectF(r.left() + size, r.height() * 0.65,
                                                    r.width() - 2 * size, r.height() * 0.25));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv(int(gameSeed % 360), 220, 240));
    p.drawRoundedRect(
        QRectF(foot.x() - size * 0.25, foot.y() - size * 0.75, size * 0.5, size * 0.75), size * 0.1,
        size * 0.1);
    p.setBrush(QColor(250, 215, 180));
    p.drawEllipse(QPointF(foot.x(), foot.y() - size * 0.92), size * 0.2, size * 0.2);
}

// A game's heads-up display: its title, the stage (the screenshot's number) and a score.
void drawHud(QPainter& p, const QRectF& r, const QString& title, int number,
             QRandomGenerator& random) {
    const qreal height = r.height() / 12;
    const QRectF bar(r.left(), r.top(), r.width(), height);
    p.fillRect(bar, QColor(0, 0, 0, 140));
    p.setFont(boldFont(height * 0.6));
    p.setPen(Qt::white);
    const QRectF text = bar.adjusted(height * 0.3, 0, -height * 0.3, 0);
    const QString right =
        u"STAGE %1   %2"_s.arg(number + 1).arg(random.bounded(100000), 6, 10, QLatin1Char('0'));
    p.drawText(text, Qt::AlignRight | Qt::AlignVCenter, right);
    const qreal rightWidth = QFontMetricsF(p.font()).horizontalAdvance(right);
    const QString elided = QFontMetricsF(p.font()).elidedText(
        title, Qt::ElideRight, qMax<qreal>(0, text.width() - rightWidth - height));
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, elided);
}

QSize shotSize(CoverArt::ShotSize size) {
    switch (size) {
        case CoverArt::ShotSize::Thumbnail:
            return {160, 120};
        case CoverArt::ShotSize::Screen:
            return {480, 360};
        case CoverArt::ShotSize::HighDefinition:
            return {1280, 720};
    }
    return {480, 360};
}

}  // namespace

QByteArray CoverArt::boxArtJpeg(const DemoGame& game) {
    return jpeg(coverImage(game));
}

QByteArray CoverArt::screenshotJpeg(const DemoGame& game, int number, ShotSize size) {
    const quint32 gameSeed = stableHash(game.criticonId());
    // Salted with the number alone, so the sizes of one screenshot show one scene.
    const quint32 seed = stableHash(game.criticonId(), quint32(number) + 1);
    QImage image(shotSize(size), QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF r(QPointF(0, 0), QSizeF(image.size()));
    QRandomGenerator random(seed);
    switch (sceneFor(game, number, seed)) {
        case Scene::Hills:
            drawHills(p, r, random);
            break;
        case Scene::City:
            drawCity(p, r, random);
            break;
        case Scene::Space:
            drawSpace(p, r, random);
            break;
        case Scene::Road:
            drawRoad(p, r, random);
            break;
        case Scene::Pitch:
            drawPitch(p, r, random);
            break;
    }
    // The scenes draw more or fewer details at larger sizes; the hero and the score take numbers
    // of their own, so they stay put whatever the size.
    QRandomGenerator overlay(seed ^ 0x5bd1e995u);
    drawHero(p, r, overlay, gameSeed);
    drawHud(p, r, game.title(), number, overlay);
    p.end();
    return jpeg(image);
}

bool CoverArt::hasNoCover(const QString& criticonId) {
    // Salted, so the games without a cover are not also those of some other per-id choice.
    return stableHash(criticonId, 0x9e3779b9u) % 1000 < kNoCoverPerMille;
}
