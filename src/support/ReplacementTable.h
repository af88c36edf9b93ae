#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <utility>

// Replacing found text, as QString::replace does but faster where the find text's first
// character is rare in the text: every catalogue field and fetched page passes through here a
// dozen times. A table holds (find, replacement) rows replaced ignoring case, each row in turn,
// in as few passes as the rows allow. Build a table once and apply it often; applying changes
// nothing in the table, so one table may serve any number of threads.
class ReplacementTable {
public:
    using Row = std::pair<QString, QString>;

    // Rows with an empty find text are left out.
    explicit ReplacementTable(const QList<Row>& rows);

    // Exactly what replacing the rows one after the other with
    // QString::replace(find, replacement, Qt::CaseInsensitive) gives.
    void apply(QString& text) const;

    // The same as text.replace(find, replacement, cs).
    static void replaceAll(QString& text, const QString& find, const QString& replacement,
                           Qt::CaseSensitivity cs);

private:
    QList<Row> rows_;
    // Whether the rows go in passes over the places of one lead character (see the source).
    bool onePass_ = false;
    QList<qsizetype> passEnds_;  // the last row of each pass
};
