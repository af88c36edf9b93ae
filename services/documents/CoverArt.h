#pragma once

#include <QByteArray>
#include <QString>

struct DemoGame;

// Pictures for the demo games, drawn from the game itself: its box art (title, a colour per
// platform, a pattern) and its screenshots. Deterministic; any thread.
class CoverArt {
public:
    enum class ShotSize { Thumbnail, Screen, HighDefinition };

    // JPEG bytes of the game's cover.
    static QByteArray boxArtJpeg(const DemoGame& game);
    // JPEG bytes of screenshot number `number` (from 0) of the game.
    static QByteArray screenshotJpeg(const DemoGame& game, int number, ShotSize size);
    // A fixed few percent of ids have no cover: the service answers 404 for them.
    static bool hasNoCover(const QString& criticonId);
};
