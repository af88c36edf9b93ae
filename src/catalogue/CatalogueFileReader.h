#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <memory>
#include <optional>

// One catalogue row, read: every field cleaned or converted as the record takes it.
struct CatalogueRow {
    static constexpr int kFields = 19;
    // Field 4 with its percent escapes decoded: the row's matching key ("" for none).
    QString key;
    // The cleaned text of each field; the number and date fields (1 to 3, 16) are left empty.
    std::array<QString, kFields> text;
    // Fields 1 to 3 read as floats (0 for text without a number).
    std::array<float, 3> scores{};
    // Field 16 as local midnight of its day, in milliseconds; nothing for no valid date.
    std::optional<qint64> releaseDateMsecs;
};

// Reads a catalogue file: its report date, then its rows one by one. Text in, rows out: it
// touches no store, so the catalogue controller keeps only the sequence around it. Fields that
// hold no escape, entity or tag (most) are copied once, and repeated ones shared. One reader per
// file; any thread, one at a time.
class CatalogueFileReader {
public:
    static inline const QString kSeparator = QStringLiteral("\",\"");

    explicit CatalogueFileReader(const QString& text);
    ~CatalogueFileReader();
    CatalogueFileReader(const CatalogueFileReader&) = delete;
    CatalogueFileReader& operator=(const CatalogueFileReader&) = delete;

    // False when the text has no "<reportDateYMD>": such a text holds no rows.
    bool hasReportDate() const { return hasReportDate_; }
    // The text between the report tags; empty when a tag is missing, null without any.
    const QString& reportYMD() const { return reportYMD_; }
    // At least the number of rows still to come.
    qsizetype lineCount() const;
    // The next row that holds every field, skipping lines without the separator silently and
    // rows short of fields with a log line; false after the last.
    bool next(CatalogueRow& row);

    // One row string alone; false when it lacks fields.
    static bool readRow(const QString& rowText, CatalogueRow& row);
    // The fields of a row: the opening quote and the last two characters dropped, split at the
    // separator; nothing for a row of two characters or fewer.
    static QStringList fieldsOf(const QString& row);
    // The handset's string-to-float reading: leading blanks, the longest decimal prefix, 0 for
    // none; never locale-dependent.
    static float floatValue(QStringView text);
    // Percent escapes and entities decoded, tags removed; "" for nothing.
    static QString cleaned(const QString& text);

private:
    class FieldCleaner;

    QString text_;
    QString reportYMD_;
    QStringView rows_;
    qsizetype from_ = 0;
    bool hasReportDate_ = false;
    std::unique_ptr<FieldCleaner> cleaner_;
};
