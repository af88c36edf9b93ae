#include <gtest/gtest.h>

#include <QImage>
#include <thread>

#include "CatalogueGenerator.h"
#include "CoverArt.h"
#include "DemoCatalogue.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const DemoGame& wiiGame(int index) {
    return DemoCatalogue::shared().shippedGames(u"wii"_s).at(index);
}

QImage decoded(const QByteArray& jpeg) {
    return QImage::fromData(jpeg, "JPG");
}

// The share of pixels that two pictures of one size show clearly apart, past JPEG's noise.
double differingShare(const QImage& a, const QImage& b) {
    qsizetype differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            const int distance = qMax(qAbs(p.red() - q.red()),
                                      qMax(qAbs(p.green() - q.green()), qAbs(p.blue() - q.blue())));
            differing += distance > 40 ? 1 : 0;
        }
    }
    return double(differing) / double(a.width() * a.height());
}

TEST(CoverArt, CoverIsAJpegOfCoverSizeAndTheSameBytesEachTime) {
    DemoGame nameless;  // no fields, no platform: still a cover
    for (const DemoGame& game : {wiiGame(0), wiiGame(1), nameless}) {
        const QByteArray jpeg = CoverArt::boxArtJpeg(game);
        EXPECT_EQ(decoded(jpeg).size(), QSize(300, 420)) << game.title().toStdString();
        EXPECT_EQ(CoverArt::boxArtJpeg(game), jpeg) << game.title().toStdString();
    }
}

TEST(CoverArt, TitlePlatformAndIdEachShowOnTheCover) {
    const DemoGame game = wiiGame(2);
    const QImage cover = decoded(CoverArt::boxArtJpeg(game));
    struct Case {
        const char* change;
        DemoGame other;
    };
    QList<Case> cases{{"another game", wiiGame(3)}};
    DemoGame retitled = game;
    retitled.fields[0] = u"Wholly Different Words"_s;
    cases.append({"another title", retitled});
    DemoGame renumbered = game;
    renumbered.fields[4] = wiiGame(4).criticonId();
    cases.append({"another id", renumbered});
    for (const QString& platform : CatalogueGenerator::platforms()) {
        DemoGame moved = game;
        moved.platform = platform;
        if (platform != game.platform) {
            cases.append({"another platform", moved});
        }
    }
    for (const Case& c : cases) {
        EXPECT_GT(differingShare(cover, decoded(CoverArt::boxArtJpeg(c.other))), 0.03)
            << c.change << " " << c.other.platform.toStdString();
    }
}

TEST(CoverArt, SomeIdsOfEveryPlatformHaveNoCover) {
    for (const QString& platform : CatalogueGenerator::platforms()) {
        const QList<DemoGame>& games = DemoCatalogue::shared().shippedGames(platform);
        ASSERT_FALSE(games.isEmpty()) << platform.toStdString();
        qsizetype without = 0;
        for (const DemoGame& game : games) {
            without += CoverArt::hasNoCover(game.criticonId()) ? 1 : 0;
        }
        const double share = double(without) / double(games.size());
        EXPECT_GT(share, 0.015) << platform.toStdString();
        EXPECT_LT(share, 0.045) << platform.toStdString();
    }
}

TEST(CoverArt, ScreenshotsComeInTheirSizeAndDifferByNumber) {
    const struct {
        CoverArt::ShotSize size;
        QSize pixels;
    } cases[] = {{CoverArt::ShotSize::Thumbnail, {160, 120}},
                 {CoverArt::ShotSize::Screen, {480, 360}},
                 {CoverArt::ShotSize::HighDefinition, {1280, 720}}};
    const DemoGame& game = wiiGame(5);
    for (const auto& c : cases) {
        const QByteArray first = CoverArt::screenshotJpeg(game, 0, c.size);
        EXPECT_EQ(decoded(first).size(), c.pixels);
        EXPECT_EQ(CoverArt::screenshotJpeg(game, 0, c.size), first);
        for (int number = 1; number < 4; ++number) {
            const QImage other = decoded(CoverArt::screenshotJpeg(game, number, c.size));
            EXPECT_GT(differingShare(decoded(first), other), 0.03) << number;
        }
    }
}

// The services draw on their connection threads, several at once.
TEST(CoverArt, PicturesDrawnOnSeveralThreadsAtOnceMatchTheMainThreads) {
    constexpr int kThreads = 4;
    QList<QByteArray> expected;
    for (int i = 0; i < kThreads; ++i) {
        expected.append(CoverArt::boxArtJpeg(wiiGame(i)) +
                        CoverArt::screenshotJpeg(wiiGame(i), i, CoverArt::ShotSize::Screen));
    }
    QList<QByteArray> drawn(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([i, &drawn] {
            for (int round = 0; round < 5; ++round) {
                drawn[i] = CoverArt::boxArtJpeg(wiiGame(i)) +
                           CoverArt::screenshotJpeg(wiiGame(i), i, CoverArt::ShotSize::Screen);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(drawn, expected);
}

}  // namespace
