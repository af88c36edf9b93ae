#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "CapturedConsole.h"
#include "CommaDecimalLocale.h"
#include "DateFunctions.h"
#include "FileFunctions.h"
#include "Model.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "SqliteConnection.h"
#include "StringFunctions.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// One catalogue row: the fields joined by the separator inside quotes, then the terminator.
QString row(const QStringList& fields, const QString& terminator = u"\r"_s) {
    return u"\""_s + fields.join(u"\",\""_s) + u"\""_s + terminator;
}

QStringList gameFields(const QString& title, const QString& criticonId,
                       const QString& criticon = u"0"_s, const QString& critic = u"3.5"_s) {
    QStringList fields =
        u"|||2.5|||wii|RPG|TEEN|Wii|Role-Playing|Teen|http://127.0.0.1:1/a.jpg|http://r/1|"
        "http://p/1|A quest|2009-03-05|Dev|Pub"_s.split(u'|');
    fields[0] = title;
    fields[1] = criticon;
    fields[2] = critic;
    fields[4] = criticonId;
    fields[5] = u"pb"_s + criticonId;
    return fields;
}

QString catalogue(const QStringList& rows, const QString& report = u"2009-05-07"_s) {
    return u"<reportDateYMD>"_s + report + u"</reportDateYMD>\n<games>\n"_s + rows.join(u"\n"_s) +
           u"\n</games>"_s;
}

// The earlier generation's database in the data home, made with `rows` (SQL inserts).
QString writeOldDatabase(const QString& rows) {
    const QString path = TestStore::homeFile(u"Questlog.wii.sqlite"_s);
    const bool made = SqliteConnection(path).exec(
        u"CREATE TABLE GAMES (playbase_id TEXT, my_wish_list_flag TEXT, my_score TEXT);"_s + rows);
    return made ? path : QString();
}

QString getShippedFile() {
    return FileFunctions::getStringFileValueFromBundle(u"wii"_s, u"xml"_s);
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

    TestStore store_;
    UpdateController controller_;
};

}  // namespace

// Field cleaning itself is the reader's; here every field lands in its attribute, the critic
// score falls back to the review site's and the displayed score follows it.
TEST_F(CatalogueInstall, RowsBecomeSavedGamesAndAFileWithoutReportDateIsIgnored) {
    EXPECT_TRUE(controller_
                    .addGamesToEntityFromUpdateFileReturnReportYMD(
                        u"<games>\n"_s + row(gameFields(u"A"_s, u"c1"_s)) + u"\n</games>"_s, false)
                    .isNull());
    EXPECT_TRUE(games().isEmpty());
    const QString ymd = controller_.addGamesToEntityFromUpdateFileReturnReportYMD(
        catalogue({row(gameFields(u"Zelda%3A &amp; more"_s, u"c1"_s, u"3.5"_s, u"0"_s)),
                   row(gameFields(u"Last"_s, u"c2"_s, u"4.5"_s, u"2"_s), u"X"_s)}),
        false);
    EXPECT_EQ(ymd, u"2009-05-07"_s);
    const QList<Game*> all = games();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1]->title(), u"Zelda: & more"_s);
    EXPECT_EQ(all[1]->idCriticon(), u"c1"_s);
    EXPECT_EQ(all[1]->idPlaybase(), u"pbc1"_s);
    EXPECT_EQ(all[1]->scoreUsers(), 2.5f);
    EXPECT_EQ(all[1]->scoreCritic(), 3.5f);
    EXPECT_EQ(all[1]->scoreDisplay(), 3.5f);
    EXPECT_EQ(all[1]->releaseDate(), DateFunctions::getDateFromYMDString(u"2009-03-05"_s));
    EXPECT_EQ(all[0]->scoreCritic(), 2.0f);
    EXPECT_EQ(all[0]->scoreDisplay(), 2.0f);
    EXPECT_EQ(all[0]->publisher(), u"Pub"_s);    // the last field, before the terminator
    EXPECT_FALSE(store_.context->hasChanges());  // applying a file saves
}

TEST_F(CatalogueInstall, DuplicateIdsInOneFileEndInOneRecordEvenOnFirstInstall) {
    const QString file =
        catalogue({row(gameFields(u"First"_s, u"dup"_s)), row(gameFields(u"Other"_s, u"one"_s)),
                   row(gameFields(u"Second"_s, u"dup"_s))});
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(file, false);
    QList<Game*> all = games();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[1]->title(), u"Second"_s);  // the later row wins
    // Applying the same file as an update finds the one record instead of adding copies.
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(file, true);
    all = games();
    ASSERT_EQ(all.size(), 2);
    EXPECT_NE(controller_.getGameFromEntityWithCriticonID(u"dup"_s), nullptr);
}

TEST_F(CatalogueInstall, UpdatesKeepTheUsersMarksAndScore) {
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(
        catalogue({row(gameFields(u"Old title"_s, u"c1"_s))}), false);
    Game* game = games().first();
    game->setMyIsWished(1);
    game->setMyIsPlayed(1);
    game->setMyScore(4.5f);
    game->setScoreDisplay(4.5f);
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(
        catalogue({row(gameFields(u"New title"_s, u"c1"_s, u"0"_s, u"2.0"_s))}), true);
    ASSERT_EQ(games().size(), 1);
    EXPECT_EQ(game->title(), u"New title"_s);
    EXPECT_EQ(game->scoreCritic(), 2.0f);
    EXPECT_EQ(game->myIsWished(), 1);
    EXPECT_EQ(game->myIsPlayed(), 1);
    EXPECT_EQ(game->myScore(), 4.5f);
    EXPECT_EQ(game->scoreDisplay(), 4.5f);
}

TEST_F(CatalogueInstall, PopulatingFromOneRowWritesItsFields) {
    Game* game =
        ManagedObjectContext::insertNewObjectForEntityForName(u"Game"_s, store_.context.get());
    QStringList fields = gameFields(u"Tom &amp; Jerry"_s, u"c7"_s, u"4.5"_s, u"0"_s);
    controller_.populateGame(game, row(fields + QStringList{u"extra"_s}));
    EXPECT_EQ(game->title(), u"Tom & Jerry"_s);
    EXPECT_EQ(game->scoreCritic(), 4.5f);  // the fallback applies here too
    EXPECT_EQ(game->publisher(), u"Pub"_s);
    EXPECT_EQ(controller_.getCriticonIdFromCSVRow(row(fields)), u"c7"_s);
    // Too few fields: nothing is written.
    Game* other =
        ManagedObjectContext::insertNewObjectForEntityForName(u"Game"_s, store_.context.get());
    controller_.populateGame(other, row(fields.mid(0, 18)));
    EXPECT_TRUE(other->title().isNull());
    controller_.populateGame(nullptr, row(fields));
}

TEST_F(CatalogueInstall, LastUpdateValueLivesUnderThePlatformsKey) {
    EXPECT_EQ(controller_.getLastUpdateFileYMDKey(), u"LAST_UPDATE_FILE_YMD_wii"_s);
    Model::setInformationFilePath(u":/builds/psp/Info.json"_s);
    Model::resetInstance();
    EXPECT_EQ(controller_.getLastUpdateFileYMDKey(), u"LAST_UPDATE_FILE_YMD_psp"_s);
    controller_.setLastUpdateYMD(u"2009-05-07"_s);
    UserDefaults::resetStandardUserDefaults();  // written to disk at once
    EXPECT_EQ(controller_.getLastUpdateYMD(), u"2009-05-07"_s);
    controller_.setLastUpdateYMD(QString());
    EXPECT_TRUE(controller_.getLastUpdateYMD().isNull());
}

TEST_F(CatalogueInstall, ValidDateMeansInstalledAndNothingIsAnnounced) {
    controller_.setLastUpdateYMD(u"2009-05-07"_s);
    int starts = 0;
    NotificationCenter::defaultCenter()->addObserver(this, u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s,
                                                     [&](const Notification&) { ++starts; });
    controller_.installBundleFile();
    // A timer of the install's delay started after the call runs after any install would.
    bool waited = false;
    QTimer::singleShot(UpdateController::kInstallDelayMs, Qt::PreciseTimer, [&] { waited = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return waited; }));
    NotificationCenter::defaultCenter()->removeObserver(this);
    EXPECT_EQ(starts, 0);
    EXPECT_TRUE(games().isEmpty());
}

TEST_F(CatalogueInstall, FirstStartInstallsTheShippedFileAndCarriesOldMarksOver) {
    // As a user in Germany: the halved score passes through "%.1f" and back.
    const CommaDecimalLocale german;
    ASSERT_TRUE(german.active());
    // The earlier generation's database with a score, a wish and an unknown game.
    const QString old = writeOldDatabase(
        u"INSERT INTO GAMES VALUES ('pb1', '0', '7.0'), ('pb2', '1', NULL), ('gone', '1', '9');"_s);
    ASSERT_FALSE(old.isEmpty());
    controller_.setLastUpdateYMD(u"2009-5-7"_s);  // 8 characters: not a valid date

    QStringList order;
    NotificationCenter::defaultCenter()->addObserver(
        this, u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s,
        [&](const Notification&) { order.append(u"start"_s); });
    NotificationCenter::defaultCenter()->addObserver(
        this, u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s,
        [&](const Notification&) { order.append(u"end"_s); });
    controller_.installBundleFile();
    EXPECT_EQ(order, QStringList{u"start"_s});  // announced at once, installed 0.1 s later
    EXPECT_TRUE(games().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 2; }));
    NotificationCenter::defaultCenter()->removeObserver(this);
    EXPECT_EQ(order, (QStringList{u"start"_s, u"end"_s}));

    EXPECT_EQ(controller_.getLastUpdateYMD(), u"2009-05-07"_s);
    const QList<Game*> all = games();
    ASSERT_EQ(all.size(), 2);
    Game* mario = all[0];
    Game* sports = all[1];
    EXPECT_EQ(mario->title(), u"Super Mario Galaxy"_s);
    EXPECT_EQ(mario->myScore(), 3.5f);  // 7 of 10 becomes 3.5 stars
    EXPECT_EQ(mario->myIsPlayed(), 1);
    EXPECT_FALSE(mario->myIsWished().has_value());
    EXPECT_EQ(mario->scoreCritic(), 4.5f);  // critic score fell back to the review site's
    EXPECT_EQ(sports->myIsWished(), 1);
    EXPECT_FALSE(sports->myScore().has_value());
    EXPECT_EQ(sports->gameDescription(), u"Swing away "_s);
    EXPECT_FALSE(FileFunctions::fileExistsAtPath(old));
    // The carried-over marks were saved before the earlier file went: a crash now loses
    // nothing.
    EXPECT_FALSE(store_.context->hasChanges());
    TestStore reopened;
    UpdateController again(reopened.context.get(), reopened.model.get());
    Game* saved = again.getGameFromEntityWithPlaybaseID(u"pb1"_s);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(saved->myScore(), 3.5f);
}

TEST_F(CatalogueInstall, MarksThatCannotBeSavedAreCarriedOverAtTheNextStart) {
    const QString old = writeOldDatabase(u"INSERT INTO GAMES VALUES ('pb2', '1', NULL);"_s);
    ASSERT_FALSE(old.isEmpty());
    // The catalogue is in the store, but nothing more can be written to it.
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(getShippedFile(), false);
    const QString log = TestStore::logWhileLocked([this] { controller_.startBundleFileInstall(); });
    EXPECT_TRUE(FileFunctions::fileExistsAtPath(old)) << log.toStdString();
    // Not installed yet: a valid date would keep the next start from ever reading the file.
    EXPECT_NE(controller_.getLastUpdateYMD().size(), 10);

    // The next start, with nothing of this one's memory.
    TestStore next;
    UpdateController restarted(next.context.get(), next.model.get());
    restarted.installBundleFile();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !FileFunctions::fileExistsAtPath(old); }, 2000));
    EXPECT_EQ(restarted.getLastUpdateYMD(), u"2009-05-07"_s);
    TestStore reopened;
    UpdateController reader(reopened.context.get(), reopened.model.get());
    Game* wished = reader.getGameFromEntityWithPlaybaseID(u"pb2"_s);
    ASSERT_NE(wished, nullptr);
    EXPECT_EQ(wished->myIsWished(), 1);
    EXPECT_EQ(reader.getGameCountFromEntity(), 2);  // the rows updated by id, not added twice
}
