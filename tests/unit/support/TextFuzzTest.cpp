#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <algorithm>

#include "QStringPrinter.h"
#include "StringFunctions.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Random text drawn mostly from the characters the cleaners react to.
QString noise(QRandomGenerator& random, const QString& alphabet, int maxLength) {
    QString text;
    for (int i = random.bounded(maxLength); i > 0; --i) {
        text += alphabet[random.bounded(int(alphabet.size()))];
    }
    return text;
}

// The replacing loops must answer exactly what Qt answers, case folding of non-ASCII letters
// included (U+017F folds to "s", U+212A to "k"), and a table of rows what replacing row after
// row answers, also where a replacement makes a later row's text or a find text holds its lead
// twice.
TEST(TextFuzz, OwnSearchesAndTablesAgreeWithQt) {
    const QString alphabet = u"%&<>#;aAsSkKlLmMpP3cC \u017f\u212a\u0130\u00e9\xd800"_s;
    const QStringList finds{u"&amp;"_s, u"%3C"_s,     u"&nbsp;"_s, u"  "_s, u"<p>"_s,
                            u"aS"_s,    u"\u00e9&"_s, u"%3c%3C"_s, u"&s"_s, u"%K"_s};
    const QStringList leads{u"&"_s, u"&"_s, u"%"_s};
    QRandomGenerator random(11);
    for (int round = 0; round < 5000; ++round) {
        const QString text = noise(random, alphabet, 40);
        const QString find =
            round % 3 == 0 ? noise(random, alphabet, 4) : finds[random.bounded(int(finds.size()))];
        const QString replacement = noise(random, alphabet, 3);
        SCOPED_TRACE(text.toStdString() + " / " + find.toStdString());
        if (!find.isEmpty()) {
            ASSERT_EQ(StringFunctions::replaceIgnoringCase(text, find, replacement),
                      QString(text).replace(find, replacement, Qt::CaseInsensitive));
            ASSERT_EQ(StringFunctions::replace(text, find, replacement),
                      QString(text).replace(find, replacement, Qt::CaseSensitive));
        }
        const qsizetype from = random.bounded(int(text.size()) + 2);
        ASSERT_EQ(StringFunctions::findText(text, find, from),
                  QStringView(text).indexOf(find, from));

        QList<StringFunctions::ReplacementRow> rows;
        QString expected = text;
        for (int i = random.bounded(1, 6); i > 0; --i) {
            const QString rowFind =
                random.bounded(8) == 0
                    ? QString()  // skipped
                    : leads[random.bounded(int(leads.size()))] + noise(random, alphabet, 4);
            rows.append({rowFind, noise(random, alphabet, 3)});
            if (!rowFind.isEmpty()) {
                expected.replace(rowFind, rows.last().second, Qt::CaseInsensitive);
            }
        }
        ASSERT_EQ(StringFunctions::replaceEachIgnoringCase(text, rows), expected);
    }
    EXPECT_TRUE(StringFunctions::replaceEachIgnoringCase(QString(), {{u"&"_s, u"x"_s}}).isNull());
}

}  // namespace
