#include <gtest/gtest.h>

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

TEST_F(CatalogueStore, CountsUnsavedGamesAndSavesThemForTheNextStart) {
    EXPECT_EQ(controller_.getGameCountFromEntity(), 0);
    gameWithIds(u"kept"_s, u"c9"_s, u"p9"_s)->setMyIsWished(1);
    gameWithIds(u"b"_s, u"2"_s, u"p2"_s);
    EXPECT_EQ(controller_.getGameCountFromEntity(), 2);
    controller_.saveChanges();
    EXPECT_FALSE(store_.context->hasChanges());
    TestStore reopened;
    UpdateController again(reopened.context.get(), reopened.model.get());
    EXPECT_EQ(again.getGameCountFromEntity(), 2);
    Game* game = again.getGameFromEntityWithCriticonID(u"c9"_s);
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->title(), u"kept"_s);
    EXPECT_EQ(game->myIsWished(), 1);
}

// Each lookup stands alone: an earlier lookup's id must not narrow the next one, nor the count.
// Ids match exactly; an id held twice, empty or absent finds nothing.
TEST_F(CatalogueStore, LooksUpByEitherIdExactlyAndOnlyWhenUnique) {
    Game* first = gameWithIds(u"a"_s, u"c1"_s, u"p1"_s);
    Game* second = gameWithIds(u"b"_s, u"c2"_s, u"p2"_s);
    gameWithIds(u"c"_s, u"same"_s, u"p3"_s);
    gameWithIds(u"d"_s, u"same"_s, u""_s);
    const struct {
        bool byCriticon;
        QString id;
        Game* found;
    } cases[] = {
        {false, u"p1"_s, first},    {true, u"c2"_s, second},     {false, u"p2"_s, second},
        {true, u"c1"_s, first},     {true, u"C1"_s, nullptr},    {true, u"nope"_s, nullptr},
        {true, u"same"_s, nullptr}, {true, u""_s, nullptr},      {true, QString(), nullptr},
        {false, u""_s, nullptr},    {false, QString(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id.toStdString());
        EXPECT_EQ(c.byCriticon ? controller_.getGameFromEntityWithCriticonID(c.id)
                               : controller_.getGameFromEntityWithPlaybaseID(c.id),
                  c.found);
    }
    EXPECT_EQ(controller_.getGameCountFromEntity(), 4);
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

    const QString log = TestStore::logWhileLocked([this] { controller_.saveChanges(); });

    EXPECT_TRUE(log.contains(u"save Changes: Unresolved error"_s)) << log.toStdString();
    EXPECT_TRUE(store_.context->hasChanges());
    controller_.saveChanges();  // the next save writes what the failed one could not
    EXPECT_FALSE(store_.context->hasChanges());
    TestStore reopened;
    UpdateController again(reopened.context.get(), reopened.model.get());
    EXPECT_EQ(again.getGameCountFromEntity(), 2);
}
