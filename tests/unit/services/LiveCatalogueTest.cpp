#include "LiveCatalogue.h"

#include <gtest/gtest.h>

#include "CatalogueGenerator.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate kShippedReport = CatalogueGenerator::shippedOptions(u"wii"_s).reportDate;

QStringList idsIn(const QByteArray& answer) {
    QStringList ids;
    for (const QString& line : QString::fromUtf8(answer).split(u'\n')) {
        const QStringList fields = line.split(u"\",\""_s);
        if (fields.size() > 4) {
            ids.append(fields[4]);
        }
    }
    return ids;
}

TEST(LiveCatalogue, EveryPlatformMovesAndALaterQuestionSeesOnlyWhatChangedSince) {
    const QDate today = kShippedReport.addDays(36);
    for (const QString& platform : CatalogueGenerator::platforms()) {
        SCOPED_TRACE(platform.toStdString());
        const QByteArray answer = LiveCatalogue::updateAnswer(platform, kShippedReport, today);
        EXPECT_EQ(answer, LiveCatalogue::updateAnswer(platform, kShippedReport, today));
        EXPECT_TRUE(answer.contains("<reportDateYMD>" + today.toString(Qt::ISODate).toUtf8()));
        const QStringList ids = idsIn(answer);
        EXPECT_GE(ids.size(), 36);  // about a handful of changes a day
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
        const QStringList later =
            idsIn(LiveCatalogue::updateAnswer(platform, today.addDays(-3), today));
        EXPECT_LT(later.size(), ids.size());
        for (const QString& id : later) {
            EXPECT_TRUE(ids.contains(id)) << id.toStdString();
        }
    }
    EXPECT_TRUE(LiveCatalogue::changesUpTo(u"gamecube"_s, today).isEmpty());
    EXPECT_TRUE(idsIn(LiveCatalogue::updateAnswer(u"wii"_s, today, today)).isEmpty());
}

}  // namespace
