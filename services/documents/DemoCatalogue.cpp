#include "DemoCatalogue.h"

#include "CatalogueGenerator.h"
#include "HTMLText.h"

using namespace Qt::Literals::StringLiterals;

QString DemoGame::text(int field) const {
    // The same three cleaners the program applies to a catalogue field, so a page shows what
    // the program's list shows.
    return HTMLText::cleaned(fields.value(field));
}

QDate DemoGame::releaseDate() const {
    return QDate::fromString(fields.value(16), u"yyyy-MM-dd"_s);
}

const DemoCatalogue& DemoCatalogue::shared() {
    static const DemoCatalogue catalogue;
    return catalogue;
}

DemoCatalogue::DemoCatalogue() {
    for (const QString& platform : CatalogueGenerator::platforms()) {
        const CatalogueGenerator::Options shipped = CatalogueGenerator::shippedOptions(platform);
        QList<DemoGame>& games = shipped_[platform];
        int index = 0;
        for (QStringList& fields : CatalogueGenerator::rows(shipped)) {
            games.append(DemoGame{platform, index++, std::move(fields)});
        }
        // Later games of the same platform: new ids after the shipped ones, another seed.
        CatalogueGenerator::Options later = shipped;
        later.firstIndex = shipped.games;
        later.games = kAnnounced;
        later.seed = shipped.seed + 1000;
        QList<DemoGame>& announced = announced_[platform];
        index = later.firstIndex;
        for (QStringList& fields : CatalogueGenerator::rows(later)) {
            announced.append(DemoGame{platform, index++, std::move(fields)});
        }
    }
    // The lists are complete: pointers into them stay valid from here on.
    for (const QHash<QString, QList<DemoGame>>* lists : {&shipped_, &announced_}) {
        for (const QList<DemoGame>& games : *lists) {
            for (const DemoGame& game : games) {
                byCriticonId_.insert(game.criticonId(), &game);
                byPlaybaseId_.insert(game.playbaseId(), &game);
            }
        }
    }
}

const DemoGame* DemoCatalogue::findByCriticonId(const QString& id) const {
    return byCriticonId_.value(id, nullptr);
}

const DemoGame* DemoCatalogue::findByPlaybaseId(const QString& id) const {
    return byPlaybaseId_.value(id, nullptr);
}

const QList<DemoGame>& DemoCatalogue::shippedGames(const QString& platform) const {
    static const QList<DemoGame> kNone;
    const auto found = shipped_.constFind(platform);
    return found == shipped_.constEnd() ? kNone : *found;
}

const QList<DemoGame>& DemoCatalogue::announcedGames(const QString& platform) const {
    static const QList<DemoGame> kNone;
    const auto found = announced_.constFind(platform);
    return found == announced_.constEnd() ? kNone : *found;
}
