#include <gtest/gtest.h>

#include <sqlite3.h>
#include <QDir>
#include <QFile>

#include "CapturedConsole.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class CatalogueStore : public testing::Test {
protected:
    CatalogueStore() : controller_(store_.context.get(), store_.model.get()) {}

    Game* gameWithIds(const QString& title, const QString& criticon, const QString& playbase) {
        Game* game = store_.add(title);
        game->setIdCriticon(criticon);
        game->setIdPlaybase(playbase);
        return game;
    }

    TestStore store_;
    UpdateController controller_;
};

}  // namespace

TEST_F(CatalogueStore, CountsEveryGameIncludingUnsavedOnes) {
    EXPECT_EQ(controller_.getGameCountFromEntity(), 0);
    gameWithIds(u"a"_s, u"1"_s, u"p1"_s);
    gameWithIds(u"b"_s, u"2"_s, u"p2"_s);
    EXPECT_EQ(controller_.getGameCountFromEntity(), 2);
    controller_.saveChanges();
    EXPECT_FALSE(store_.context->hasChanges());
    EXPECT_EQ(controller_.getGameCountFromEntity(), 2);
}

TEST_F(CatalogueStore, LooksUpByEitherIdWithoutCarryingTheOtherOver) {
    Game* first = gameWithIds(u"a"_s, u"c1"_s, u"p1"_s);
    Game* second = gameWithIds(u"b"_s, u"c2"_s, u"p2"_s);
    EXPECT_EQ(controller_.getGameFromEntityWithPlaybaseID(u"p1"_s), first);
    // The earlier lookup's id must not narrow this one to nothing.
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u"c2"_s), second);
    EXPECT_EQ(controller_.getGameFromEntityWithPlaybaseID(u"p2"_s), second);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u"c1"_s), first);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u"C1"_s), nullptr);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u"nope"_s), nullptr);
    // Counting is not narrowed by the last lookup either.
    EXPECT_EQ(controller_.getGameCountFromEntity(), 2);
}

TEST_F(CatalogueStore, DuplicateIdsCountAsNotFound) {
    gameWithIds(u"a"_s, u"same"_s, u"p1"_s);
    gameWithIds(u"b"_s, u"same"_s, u"p2"_s);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u"same"_s), nullptr);
    EXPECT_NE(controller_.getGameFromEntityWithPlaybaseID(u"p2"_s), nullptr);
}

TEST_F(CatalogueStore, EmptyOrAbsentIdFindsNothingEvenInAOneGameStore) {
    gameWithIds(u"only"_s, u"c1"_s, u"p1"_s);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(u""_s), nullptr);
    EXPECT_EQ(controller_.getGameFromEntityWithCriticonID(QString()), nullptr);
    EXPECT_EQ(controller_.getGameFromEntityWithPlaybaseID(u""_s), nullptr);
    EXPECT_EQ(controller_.getGameFromEntityWithPlaybaseID(QString()), nullptr);
}

TEST_F(CatalogueStore, SavedGamesComeBackAfterReopening) {
    gameWithIds(u"kept"_s, u"c9"_s, u"p9"_s)->setMyIsWished(1);
    controller_.saveChanges();
    TestStore reopened;
    UpdateController again(reopened.context.get(), reopened.model.get());
    Game* game = again.getGameFromEntityWithCriticonID(u"c9"_s);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->title(), u"kept"_s);
    EXPECT_EQ(game->myIsWished(), 1);
}

TEST_F(CatalogueStore, StoreThatCannotBeOpenedCountsMinus99AndFindsNothing) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(u"broken.sqlite"_s);
    ASSERT_TRUE(QDir().mkpath(path));  // a folder where the file should be
    TestStore broken(TestStore::homeFile(u"broken.sqlite"_s));
    EXPECT_FALSE(broken.opened);
    UpdateController controller(broken.context.get(), broken.model.get());
    CapturedConsole captured;
    EXPECT_EQ(controller.getGameCountFromEntity(), -99);
    EXPECT_EQ(controller.getGameFromEntityWithCriticonID(u"c1"_s), nullptr);
    const QString log = captured.text();
    EXPECT_TRUE(log.contains(u"getGameCountFromEntity: Unresolved error"_s)) << log.toStdString();
    EXPECT_TRUE(log.contains(u"getGameFromEntityWithCriticonID: Unresolved error"_s))
        << log.toStdString();
}

TEST_F(CatalogueStore, FailedSaveIsLoggedAndKeepsTheChanges) {
    gameWithIds(u"a"_s, u"c1"_s, u"p1"_s);
    controller_.saveChanges();
    store_.context->insertNewGame()->setTitle(u"pending"_s);

    // Another connection holds the write lock, so this save cannot get it.
    sqlite3* other = nullptr;
    const QByteArray path =
        FileFunctions::getPathForDocumentDirectoryResource(u"Questlog3.sqlite"_s).toUtf8();
    ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    CapturedConsole captured;
    controller_.saveChanges();
    const QString log = captured.text();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_TRUE(log.contains(u"save Changes: Unresolved error"_s)) << log.toStdString();
    EXPECT_TRUE(store_.context->hasChanges());
    controller_.saveChanges();  // the next save writes what the failed one could not
    EXPECT_FALSE(store_.context->hasChanges());
    TestStore reopened;
    UpdateController again(reopened.context.get(), reopened.model.get());
    EXPECT_EQ(again.getGameCountFromEntity(), 2);
}
