#include "CatalogueFileReader.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include "CatalogueRows.h"
#include "DateFunctions.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QList<CatalogueRow> readAll(CatalogueFileReader& reader) {
    QList<CatalogueRow> rows;
    CatalogueRow row;
    while (reader.next(row)) {
        rows.append(row);
    }
    return rows;
}

}  // namespace

TEST(CatalogueFileReader, RowsAreFramedSplitAndCleaned) {
    using CatalogueGenerator::rowText;
    QStringList first = gameFields(u"Zelda%3A %3Cb%3ETwilight%3C/b%3E &amp; more"_s, u"c%31"_s);
    first[1] = u"4.5"_s;
    first[15] = u"<p>Hero</p> &quot;Link&quot;"_s;
    // Lines without the separator are no rows; a short row is skipped; the last row needs no
    // line feed; fields beyond the 19th are ignored; the terminator may be any character.
    const QString text = u"<games>\nheader line\n\n"_s + rowText(first) + u"\n"_s +
                         rowText(gameFields(u"Short"_s, u"c9"_s).mid(0, 10)) + u"\n"_s +
                         rowText(gameFields(u"Kept"_s, u"c2"_s) << u"extra"_s).chopped(1) +
                         u"X</games><reportDateYMD>2010-01-02</reportDateYMD>"_s;
    CatalogueFileReader reader(text);
    ASSERT_TRUE(reader.hasReportDate());
    EXPECT_EQ(reader.reportYMD(), u"2010-01-02"_s);
    const QList<CatalogueRow> rows = readAll(reader);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].text[0], u"Zelda: Twilight & more"_s);
    EXPECT_EQ(rows[0].text[15], u" Hero \"Link\""_s);
    EXPECT_EQ(rows[0].key, u"c1"_s);  // the key is unescaped only
    EXPECT_EQ(rows[0].scores[0], 4.5f);
    EXPECT_EQ(rows[0].releaseDateMsecs,
              DateFunctions::getDateFromYMDString(u"2009-03-05"_s).toMSecsSinceEpoch());
    EXPECT_EQ(rows[1].text[0], u"Kept"_s);
    EXPECT_EQ(rows[1].text[18], u"Pub"_s);
    // A report date tag without its end: a date, an empty one.
    const QString open = CatalogueFileReader(u"<reportDateYMD>2009<games>"_s).reportYMD();
    EXPECT_TRUE(open.isEmpty() && !open.isNull());
}

// Release dates are read once per distinct text of a file; odd texts must still read exactly as
// one date read on its own.
TEST(CatalogueFileReader, EveryReleaseDateReadsAsOnItsOwn) {
    const QStringList dates{
        u"2009-03-05"_s, u"2009-03-05"_s, u"2010-02-30"_s,         u"2010-2-3"_s,  u""_s,
        u"soon"_s,       u"2011-07-0x"_s, u"%32%30%31%32-01-01"_s, u"2012-01-01"_s};
    QString text = u"<reportDateYMD>2009-05-07</reportDateYMD><games>\n"_s;
    for (const QString& date : dates) {
        QStringList fields = gameFields(u"G"_s, date);
        fields[16] = date;
        text += CatalogueGenerator::rowText(fields) + u"\n"_s;
    }
    CatalogueFileReader reader(text + u"</games>"_s);
    const QList<CatalogueRow> rows = readAll(reader);
    ASSERT_EQ(rows.size(), dates.size());
    for (int i = 0; i < dates.size(); ++i) {
        const QDateTime alone =
            DateFunctions::getDateFromYMDString(CatalogueFileReader::cleaned(dates[i]));
        EXPECT_EQ(rows[i].releaseDateMsecs,
                  alone.isValid() ? std::optional(alone.toMSecsSinceEpoch()) : std::nullopt)
            << dates[i].toStdString();
    }
    EXPECT_EQ(rows[7].releaseDateMsecs, rows[8].releaseDateMsecs);  // escapes are cleaned first
}

TEST(CatalogueFileReader, FloatsAreReadLikeTheHandsetReadsThem) {
    const struct {
        QString text;
        float value;
    } cases[] = {
        {u"  3.5abc"_s, 3.5f},
        {QString(), 0.0f},
        {u"4,5"_s, 4.0f},                                   // never the user's locale
        {u"1e999"_s, 0.0f},                                 // out of range reads as none
        {u"0."_s + QString(80, u'0') + u"25e82"_s, 25.0f},  // longer than any score, read whole
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CatalogueFileReader::floatValue(c.text), c.value) << c.text.toStdString();
    }
}
