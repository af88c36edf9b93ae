#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Fictional catalogue files in the format the catalogue reader takes. The shipped sample
// catalogues, the tests and the benchmarks all draw their rows from here, so there is one
// writer of the format. Deterministic: the same options always give the same bytes (a seeded
// generator, no clock, no hash-ordered containers). Any thread; no shared state.
namespace CatalogueGenerator {

inline constexpr int kFieldCount = 19;

struct Options {
    QString platform = QStringLiteral("wii");
    int games = 2000;
    // The date the file reflects; about a tenth of the games are released after it.
    QDate reportDate = QDate(2026, 11, 1);
    quint32 seed = 1;
    // The index of the first game. Ids follow from the index alone, so a run over an
    // overlapping range (with another seed) describes the same games with new details: an
    // update for a store made by an earlier run.
    int firstIndex = 0;
};

// The six platform codes, in build order.
QStringList platforms();
// The options the platform's shipped sample catalogue (resources/catalogues/<code>.xml) is
// written with; the defaults for an unknown platform.
Options shippedOptions(const QString& platform);
bool isKnownPlatform(const QString& platform);

// The review-service id (field 4) and game-site id (field 5) of a game index on a platform.
QString criticonId(const QString& platform, int index);
QString playbaseId(const QString& platform, int index);

// The raw, uncleaned fields of every game, in file order; each list holds kFieldCount fields.
QList<QStringList> rows(const Options& options);
// One row as written in the file, without the line feed: a double quote, the fields joined by
// the separator, a double quote and the row terminator "\r".
QString rowText(const QStringList& fields);
// A whole catalogue file around the given rows.
QString catalogueText(const QDate& reportDate, const QList<QStringList>& rows);
QString catalogueText(const Options& options);
QByteArray catalogueBytes(const Options& options);

}  // namespace CatalogueGenerator
