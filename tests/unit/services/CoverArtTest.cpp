#include "CoverArt.h"

#include <gtest/gtest.h>

#include <QImage>
#include <thread>

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
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            differing += qMax(qAbs(p.red() - q.red()), qAbs(p.green() - q.green())) > 40 ? 1 : 0;
        }
    }
    return double(differing) / double(a.width() * a.height());
}

TEST(CoverArt, CoversShowWhatTheyAreOf) {
    const DemoGame game = wiiGame(2);
    const QByteArray jpeg = CoverArt::boxArtJpeg(game);
    EXPECT_EQ(decoded(jpeg).size(), QSize(300, 420));
    DemoGame retitled = game, renumbered = game, moved = game;
    retitled.fields[0] = u"Wholly Different Words"_s;
    renumbered.fields[4] = wiiGame(4).criticonId();
    moved.platform = u"ds"_s;
    for (const DemoGame& other : {wiiGame(3), retitled, renumbered, moved}) {
        EXPECT_GT(differingShare(decoded(jpeg), decoded(CoverArt::boxArtJpeg(other))), 0.03)
            << other.title().toStdString() << " " << other.platform.toStdString();
    }
}

// The services draw on their connection threads, several at once.
TEST(CoverArt, PicturesDrawnOnSeveralThreadsAtOnceMatchTheMainThreads) {
    QList<QByteArray> expected, drawn(4);
    const auto draw = [](int i) {
        return CoverArt::boxArtJpeg(wiiGame(i)) +
               CoverArt::screenshotJpeg(wiiGame(i), i, CoverArt::ShotSize::Screen);
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        expected.append(draw(i));
        threads.emplace_back([i, &drawn, &draw] { drawn[i] = draw(i); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(drawn, expected);
}

}  // namespace
