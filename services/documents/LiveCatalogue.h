#pragma once

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The catalogue as the catalogue service keeps it: the shipped sample of a platform plus what
// happens to it day by day after the sample's report date. Each day is made up from the
// platform and the date alone: a few critic scores move, release dates of unreleased games
// slip, new games are announced and a few games come out. So the same platform, date and day
// always give the same answer. Pure: any thread.
class LiveCatalogue {
public:
    struct Row {
        QStringList fields;
        // The day the row last changed.
        QDate changed;
    };

    // The catalogue of the platform as it stands at the end of `day`: every game that changed
    // after the shipped report date, by review-service id. Empty for an unknown platform or a
    // day before the report date.
    static QHash<QString, Row> changesUpTo(const QString& platform, const QDate& day);

    // The answer to an update request: a catalogue file whose report date is `today` and whose
    // rows are the games that changed after `lastUpdated`, as they stand today.
    static QByteArray updateAnswer(const QString& platform, const QDate& lastUpdated,
                                   const QDate& today);

    // Days simulated at the most: a request from further back answers every change of the last
    // kMaxDays days.
    static constexpr int kMaxDays = 3660;
};
