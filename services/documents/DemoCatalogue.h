#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One game the stand-in services know: its catalogue row as the catalogue file holds it.
struct DemoGame {
    QString platform;
    // The generator's game index on its platform.
    int index = 0;
    // The 19 raw fields, in file order (percent escapes, entities and tags left in).
    QStringList fields;

    QString criticonId() const { return fields.value(4); }
    QString playbaseId() const { return fields.value(5); }
    // Field text for people: percent escapes and entities decoded, tags removed.
    QString text(int field) const;
    QString title() const { return text(0); }
    QDate releaseDate() const;
};

// The games of the six shipped sample catalogues, made again from the options they were written
// with, plus the games the live catalogue announces later (LiveCatalogue). Built once on first
// use; read-only after that, so any thread may read it.
class DemoCatalogue {
public:
    static const DemoCatalogue& shared();

    // Nothing for an id no catalogue holds.
    const DemoGame* findByCriticonId(const QString& id) const;
    const DemoGame* findByPlaybaseId(const QString& id) const;
    // The shipped games of a platform, in file order; empty for an unknown platform.
    const QList<DemoGame>& shippedGames(const QString& platform) const;
    // The games announced after the shipped report date, in order of announcement.
    const QList<DemoGame>& announcedGames(const QString& platform) const;

    // Games the live catalogue may announce per platform, after the shipped ones.
    static constexpr int kAnnounced = 400;

private:
    DemoCatalogue();

    QHash<QString, QList<DemoGame>> shipped_;
    QHash<QString, QList<DemoGame>> announced_;
    QHash<QString, const DemoGame*> byCriticonId_;
    QHash<QString, const DemoGame*> byPlaybaseId_;
};
