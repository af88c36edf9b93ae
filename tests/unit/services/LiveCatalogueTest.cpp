#include "LiveCatalogue.h"

#include <gtest/gtest.h>

#include <QMap>

#include "CatalogueGenerator.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"

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

// The program applies the answer by id: exactly the rows the service names change, new games
// are added and the user's marks stay.
TEST(LiveCatalogue, AnswerAppliedToTheShippedStoreChangesExactlyItsRowsAndKeepsMarks) {
    TestStore store;
    UpdateController controller(store.context.get(), store.model.get());
    controller.addGamesToEntityFromUpdateFileReturnReportYMD(
        CatalogueGenerator::catalogueText(CatalogueGenerator::shippedOptions(u"wii"_s)), false);
    const auto shown = [&] {
        QMap<QString, QString> byId;
        for (const Game* game : store.gamesByTitle()) {
            byId.insert(game->idCriticon(), u"%1|%2|%3"_s.arg(game->title())
                                                .arg(game->scoreCriticon().value_or(-1))
                                                .arg(game->releaseDate().toString(Qt::ISODate)));
        }
        return byId;
    };
    const QMap<QString, QString> before = shown();
    const QDate today = kShippedReport.addDays(60);
    const QByteArray answer = LiveCatalogue::updateAnswer(u"wii"_s, kShippedReport, today);
    const QStringList changed = idsIn(answer);
    // The user marked every changed game the store holds.
    QStringList marked;
    for (const QString& id : changed) {
        if (Game* game = controller.getGameFromEntityWithCriticonID(id)) {
            game->setMyIsWished(1);
            marked.append(id);
        }
    }
    ASSERT_FALSE(marked.isEmpty());
    controller.saveChanges();
    EXPECT_EQ(
        controller.addGamesToEntityFromUpdateFileReturnReportYMD(QString::fromUtf8(answer), true),
        today.toString(Qt::ISODate));
    const QMap<QString, QString> after = shown();
    int differing = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!changed.contains(it.key())) {
            EXPECT_EQ(it.value(), before.value(it.key())) << it.key().toStdString();
        }
        differing += before.value(it.key()) != it.value() ? 1 : 0;
    }
    EXPECT_GT(after.size(), before.size());              // games announced since the sample
    EXPECT_GT(differing, after.size() - before.size());  // and games that changed
    for (const QString& id : marked) {
        EXPECT_EQ(controller.getGameFromEntityWithCriticonID(id)->myIsWished(), 1);
    }
}

}  // namespace
