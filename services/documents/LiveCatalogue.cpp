#include "LiveCatalogue.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>

#include "CatalogueGenerator.h"
#include "DemoCatalogue.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kCriticon = 1;
constexpr int kCritic = 2;
constexpr int kId = 4;
constexpr int kEsrb = 8;
constexpr int kEsrbText = 11;
constexpr int kRelease = 16;

QString halves(int count) {
    return count <= 0 ? u"0"_s : QString::number(double(count) / 2.0, 'f', 1);
}

int halvesOf(const QString& score) {
    return int(score.toDouble() * 2.0 + 0.5);
}

// What changes on one day of one platform. The generator is seeded with both, so a day never
// depends on when it is asked about.
class Day {
public:
    Day(const QString& platform, const QDate& date)
        : date_(date), random_([&] {
              const std::array<quint32, 3> seeds{
                  quint32(CatalogueGenerator::shippedOptions(platform).seed),
                  quint32(date.toJulianDay()), 0x51a7e5u};
              return QRandomGenerator(seeds.data(), qsizetype(seeds.size()));
          }()) {}

    int below(int bound) { return bound <= 0 ? 0 : int(random_.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }
    const QDate& date() const { return date_; }

private:
    QDate date_;
    QRandomGenerator random_;
};

class History {
public:
    explicit History(const QString& platform)
        : shipped_(DemoCatalogue::shared().shippedGames(platform)),
          announced_(DemoCatalogue::shared().announcedGames(platform)),
          platform_(platform) {}

    void live(const QDate& date) {
        Day day(platform_, date);
        moveScores(day);
        slipReleases(day);
        announce(day);
        release(day);
    }

    QHash<QString, LiveCatalogue::Row> rows;

private:
    // The row as it stands now, changed or not.
    QStringList current(const DemoGame& game) const {
        const auto found = rows.constFind(game.criticonId());
        return found == rows.constEnd() ? game.fields : found->fields;
    }
    void store(const QStringList& fields, const QDate& day) {
        rows.insert(fields[kId], LiveCatalogue::Row{fields, day});
    }
    bool released(const QStringList& fields, const QDate& day) const {
        const QDate release = QDate::fromString(fields[kRelease], u"yyyy-MM-dd"_s);
        return release.isValid() && release <= day;
    }
    const DemoGame& anyShipped(Day& day) const { return shipped_[day.below(int(shipped_.size()))]; }

    // Critics keep reviewing: a few released games' scores move by half a star.
    void moveScores(Day& day) {
        const int count = 2 + day.below(5);
        for (int i = 0; i < count && !shipped_.isEmpty(); ++i) {
            QStringList fields = current(anyShipped(day));
            if (!released(fields, day.date()) || halvesOf(fields[kCriticon]) == 0) {
                continue;
            }
            const int step = day.chance(50) ? 1 : -1;
            fields[kCriticon] = halves(std::clamp(halvesOf(fields[kCriticon]) + step, 1, 10));
            if (halvesOf(fields[kCritic]) > 0) {
                fields[kCritic] = halves(std::clamp(halvesOf(fields[kCritic]) + step, 1, 10));
            }
            store(fields, day.date());
        }
    }

    // Games not out yet slip by a few weeks now and then.
    void slipReleases(Day& day) {
        const int tries = 12;
        int slipped = 0;
        for (int i = 0; i < tries && slipped < 2 && !shipped_.isEmpty(); ++i) {
            QStringList fields = current(anyShipped(day));
            if (released(fields, day.date()) || !day.chance(30)) {
                continue;
            }
            const QDate release = QDate::fromString(fields[kRelease], u"yyyy-MM-dd"_s);
            fields[kRelease] = release.addDays(7 + day.below(84)).toString(u"yyyy-MM-dd"_s);
            store(fields, day.date());
            ++slipped;
        }
    }

    // Now and then a new game is announced, due some months later and not yet rated.
    void announce(Day& day) {
        const int count = day.chance(60) ? 1 + day.below(2) : 0;
        for (int i = 0; i < count && announcedSoFar_ < announced_.size(); ++i) {
            QStringList fields = announced_[announcedSoFar_++].fields;
            fields[kRelease] = day.date().addDays(30 + day.below(330)).toString(u"yyyy-MM-dd"_s);
            fields[kCriticon] = u"0"_s;
            fields[kCritic] = u"0"_s;
            fields[3] = u"0"_s;
            fields[kEsrb] = u"R/P"_s;
            fields[kEsrbText] = u"Rating Pending"_s;
            store(fields, day.date());
        }
    }

    // A few games that were due within the week come out today, rated and reviewed.
    void release(Day& day) {
        QList<QString> due;
        for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
            const QDate release = QDate::fromString(it->fields[kRelease], u"yyyy-MM-dd"_s);
            if (release > day.date() && release <= day.date().addDays(7)) {
                due.append(it.key());
            }
        }
        std::sort(due.begin(), due.end());  // hash order must not decide
        for (const QString& id : due) {
            if (!day.chance(25)) {
                continue;
            }
            QStringList fields = rows.value(id).fields;
            fields[kRelease] = day.date().toString(u"yyyy-MM-dd"_s);
            const int score = 4 + day.below(6);
            fields[kCriticon] = halves(score);
            fields[kCritic] = halves(std::clamp(score + day.below(3) - 1, 1, 10));
            fields[kEsrb] = u"EVERYONE"_s;
            fields[kEsrbText] = u"Everyone"_s;
            store(fields, day.date());
        }
    }

    const QList<DemoGame>& shipped_;
    const QList<DemoGame>& announced_;
    QString platform_;
    qsizetype announcedSoFar_ = 0;
};

}  // namespace

QHash<QString, LiveCatalogue::Row> LiveCatalogue::changesUpTo(const QString& platform,
                                                              const QDate& day) {
    if (!CatalogueGenerator::isKnownPlatform(platform) || !day.isValid()) {
        return {};
    }
    const QDate report = CatalogueGenerator::shippedOptions(platform).reportDate;
    History history(platform);
    for (QDate date = std::max(report.addDays(1), day.addDays(-kMaxDays)); date <= day;
         date = date.addDays(1)) {
        history.live(date);
    }
    return history.rows;
}

QByteArray LiveCatalogue::updateAnswer(const QString& platform, const QDate& lastUpdated,
                                       const QDate& today) {
    const QHash<QString, Row> rows = changesUpTo(platform, today);
    QList<const Row*> changed;
    for (const Row& row : rows) {
        if (row.changed > lastUpdated) {
            changed.append(&row);
        }
    }
    // In the order of the catalogue: the shipped games first, then the announced ones.
    std::sort(changed.begin(), changed.end(), [](const Row* a, const Row* b) {
        return a->fields[kId].toLongLong() < b->fields[kId].toLongLong();
    });
    QList<QStringList> fields;
    fields.reserve(changed.size());
    for (const Row* row : changed) {
        fields.append(row->fields);
    }
    return CatalogueGenerator::catalogueText(today, fields).toUtf8();
}
