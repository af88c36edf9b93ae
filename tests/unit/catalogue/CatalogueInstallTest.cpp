#include <gtest/gtest.h>

#include "CatalogueRows.h"
#include "DateFunctions.h"
#include "Model.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// A file of rows "title, id, review site's score, critics' score", reported on 2009-05-07.
QString catalogue(std::initializer_list<std::tuple<QString, QString, QString, QString>> games) {
    QList<QStringList> rows;
    for (const auto& [title, id, criticon, critic] : games) {
        rows.append(gameFields(title, id));
        rows.last()[1] = criticon;
        rows.last()[2] = critic;
    }
    return CatalogueGenerator::catalogueText(QDate(2009, 5, 7), rows);
}

// "title|critic|display|wished|my score|publisher", -1 for an absent value.
QString describe(const Game* game) {
    return u"%1|%2|%3|%4|%5|%6"_s.arg(game->title())
        .arg(game->scoreCritic().value_or(-1))
        .arg(game->scoreDisplay().value_or(-1))
        .arg(game->myIsWished().value_or(-1))
        .arg(game->myScore().value_or(-1))
        .arg(game->publisher());
}

class CatalogueInstall : public testing::Test {
protected:
    CatalogueInstall() : controller_(store_.context.get(), store_.model.get()) {
        Model::setInformationFilePath(u":/builds/wii/Info.json"_s);
        Model::resetInstance();
        UserDefaults::resetStandardUserDefaults();
    }
    ~CatalogueInstall() override { UserDefaults::resetStandardUserDefaults(); }

    QList<Game*> games() { return store_.gamesByTitle(); }
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

// Every field lands in its attribute, the critic score falls back to the review site's and the
// displayed score follows it; a repeated id ends in one record, and updates keep the user's marks.
TEST_F(CatalogueInstall, RowsBecomeSavedGamesAndUpdatesKeepTheUsersMarks) {
    const QString file = catalogue({{u"First"_s, u"c1"_s, u"0"_s, u"3.5"_s},
                                    {u"Zelda%3A &amp; more"_s, u"c1"_s, u"3.5"_s, u"0"_s},
                                    {u"Last"_s, u"c2"_s, u"4.5"_s, u"2"_s}});
    EXPECT_TRUE(controller_
                    .addGamesToEntityFromUpdateFileReturnReportYMD(
                        file.mid(file.indexOf(u"<games>"_s)), false)
                    .isNull());  // no report date: ignored
    EXPECT_EQ(controller_.addGamesToEntityFromUpdateFileReturnReportYMD(file, false),
              u"2009-05-07"_s);
    EXPECT_FALSE(store_.context->hasChanges());  // applying a file saves
    QList<Game*> all = games();
    ASSERT_EQ(all.size(), 2);  // the file without report date added nothing
    EXPECT_EQ(describe(all[1]), u"Zelda: & more|3.5|3.5|-1|-1|Pub"_s);
    EXPECT_EQ(describe(all[0]), u"Last|2|2|-1|-1|Pub"_s);
    EXPECT_EQ(all[1]->idPlaybase(), u"pbc1"_s);
    EXPECT_EQ(all[1]->scoreUsers(), 2.5f);
    EXPECT_EQ(all[1]->releaseDate(), DateFunctions::getDateFromYMDString(u"2009-03-05"_s));

    all[1]->setMyIsWished(1);
    all[1]->setMyScore(4.5f);
    all[1]->setScoreDisplay(4.5f);
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(
        catalogue({{u"New title"_s, u"c1"_s, u"0"_s, u"2.0"_s}}), true);
    all = games();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(describe(all[1]), u"New title|2|4.5|1|4.5|Pub"_s);
}

// Each lookup stands alone: an earlier lookup's id must not narrow the next one, nor the count.
// Ids match exactly; an id held twice, empty or absent finds nothing.
TEST_F(CatalogueInstall, LooksUpByEitherIdExactlyAndOnlyWhenUnique) {
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
