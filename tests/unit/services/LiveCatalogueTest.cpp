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

// What the list shows of a game, to tell a changed row from an untouched one.
QString shown(const Game* game) {
    return u"%1|%2|%3|%4"_s.arg(game->title(), QString::number(game->scoreCriticon().value_or(-1)),
                                QString::number(game->scoreCritic().value_or(-1)),
                                game->releaseDate().toString(Qt::ISODate));
}

QMap<QString, QString> shownById(TestStore& store) {
    QMap<QString, QString> byId;
    for (const Game* game : store.gamesByTitle()) {
        byId.insert(game->idCriticon(), shown(game));
    }
    return byId;
}

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

}  // namespace

TEST(LiveCatalogue, SameDayAndDatesGiveTheSameAnswerAndEveryPlatformMoves) {
    const QDate today = kShippedReport.addDays(36);
    for (const QString& platform : CatalogueGenerator::platforms()) {
        const QByteArray answer = LiveCatalogue::updateAnswer(platform, kShippedReport, today);
        EXPECT_EQ(answer, LiveCatalogue::updateAnswer(platform, kShippedReport, today))
            << platform.toStdString();
        EXPECT_TRUE(answer.contains("<reportDateYMD>" + today.toString(Qt::ISODate).toUtf8()));
        const QStringList ids = idsIn(answer);
        EXPECT_GE(ids.size(), 36) << platform.toStdString();  // about a handful of changes a day
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size())
            << platform.toStdString();
        // A later question sees only what changed since.
        const QStringList later =
            idsIn(LiveCatalogue::updateAnswer(platform, today.addDays(-3), today));
        EXPECT_LT(later.size(), ids.size()) << platform.toStdString();
        for (const QString& id : later) {
            EXPECT_TRUE(ids.contains(id)) << platform.toStdString() << " " << id.toStdString();
        }
    }
    EXPECT_TRUE(LiveCatalogue::changesUpTo(u"gamecube"_s, today).isEmpty());
    EXPECT_TRUE(LiveCatalogue::changesUpTo(u"wii"_s, kShippedReport).isEmpty());
}

// The program applies the answer by id: exactly the rows the service names change, new games
// are added, the user's marks stay, and asking again with the new date brings nothing.
TEST(LiveCatalogue, AnswerAppliedToTheShippedStoreChangesExactlyItsRowsAndKeepsMarks) {
    TestStore store;
    UpdateController controller(store.context.get(), store.model.get());
    controller.addGamesToEntityFromUpdateFileReturnReportYMD(
        CatalogueGenerator::catalogueText(CatalogueGenerator::shippedOptions(u"wii"_s)), false);
    const QDate today = kShippedReport.addDays(60);
    const QByteArray answer = LiveCatalogue::updateAnswer(u"wii"_s, kShippedReport, today);
    const QStringList changed = idsIn(answer);
    ASSERT_FALSE(changed.isEmpty());

    // The user marked every changed game the store holds, and one untouched one.
    const QMap<QString, QString> before = shownById(store);
    QStringList marked;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (changed.contains(it.key()) || marked.size() == 0) {
            marked.append(it.key());
        }
    }
    for (const QString& id : marked) {
        Game* game = controller.getGameFromEntityWithCriticonID(id);
        ASSERT_NE(game, nullptr) << id.toStdString();
        game->setMyIsWished(1);
        game->setMyScore(2.5f);
    }
    controller.saveChanges();

    EXPECT_EQ(
        controller.addGamesToEntityFromUpdateFileReturnReportYMD(QString::fromUtf8(answer), true),
        today.toString(Qt::ISODate));
    const QMap<QString, QString> after = shownById(store);
    int added = 0;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key())) {
            ++added;
            EXPECT_TRUE(changed.contains(it.key())) << it.key().toStdString();
        } else if (!changed.contains(it.key())) {
            EXPECT_EQ(it.value(), before.value(it.key())) << it.key().toStdString();
        }
    }
    EXPECT_GT(added, 0);  // games announced since the sample
    int differing = 0;
    for (const QString& id : changed) {
        differing += before.contains(id) && before.value(id) != after.value(id) ? 1 : 0;
    }
    EXPECT_GT(differing, 0);
    for (const QString& id : marked) {
        const Game* game = controller.getGameFromEntityWithCriticonID(id);
        ASSERT_NE(game, nullptr) << id.toStdString();
        EXPECT_EQ(game->myIsWished(), 1) << id.toStdString();
        EXPECT_EQ(game->myScore(), 2.5f) << id.toStdString();
    }

    const QByteArray again = LiveCatalogue::updateAnswer(u"wii"_s, today, today);
    EXPECT_TRUE(idsIn(again).isEmpty());
    EXPECT_TRUE(again.contains("<reportDateYMD>" + today.toString(Qt::ISODate).toUtf8()));
}
