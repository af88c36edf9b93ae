#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "CatalogueRows.h"
#include "MarksFile.h"
#include "MarksKeeper.h"
#include "Model.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;
using Entry = MarksFile::Entry;

namespace {

// What a game's marks mean: no score and 0 alike show the critics' score.
std::tuple<float, int, int, std::optional<float>> marksOf(const Game* game) {
    return {game->myScore().value_or(0), game->myIsWished().value_or(0),
            game->myIsPlayed().value_or(0), game->scoreDisplay()};
}

// The marks file at `path`, read back.
std::optional<MarksFile> marksFileAt(const QString& path) {
    return MarksFile::fromBytes(FileFunctions::getStringFileValue(path).toUtf8(), nullptr);
}

QString writeHomeFile(const QString& name, const QByteArray& bytes) {
    const QString path = TestStore::homeFile(name);
    EXPECT_TRUE(FileFunctions::createFileAtPath(path, bytes));
    return path;
}

// A wii build's store of `count` games "g0", "g1"… with critics' scores, none marked.
class Marks : public testing::Test {
protected:
    Marks() {
        Model::setInformationFilePath(u":/builds/wii/Info.json"_s);
        Model::resetInstance();
    }
    ~Marks() override {
        Model::resetInstance();
        UserDefaults::resetStandardUserDefaults();
    }
    static QList<Game*> fill(TestStore& store, int count) {
        QList<Game*> games;
        for (int i = 0; i < count; ++i) {
            Game* game = store.add(u"Game \"%1\", part\n2"_s.arg(i), {}, 7.5f);
            game->setIdCriticon(u"g%1"_s.arg(i));
            game->setScoreCritic(7.5f);
            games.append(game);
        }
        EXPECT_TRUE(store.context->save(nullptr));
        return games;
    }
    static void mark(Game* game, std::optional<float> score, int wished, int played) {
        game->setMyScore(score);
        game->setScoreDisplay(score.value_or(0) > 0 ? score : game->scoreCritic());
        game->setMyIsWished(wished);
        game->setMyIsPlayed(played);
    }
};

}  // namespace

// Both formats carry every kind of title and mark unchanged, and a title a spreadsheet would run
// as a formula is written so that it does not.
TEST_F(Marks, BothFormatsCarryEveryMarkAndTitleUnchanged) {
    MarksFile file;
    file.platform = u"wii"_s;
    file.exported = QDateTime(QDate(2026, 12, 8), QTime(9, 30), Qt::UTC);
    file.games = {{u"1"_s, u"\"Quoted\" first"_s, 4.5f, true, false},
                  {u"2"_s, u"Comma, \"quotes\"\r\nand lines"_s, std::nullopt, false, true},
                  {u"3"_s, u"=HYPERLINK(\"x\")"_s, 4.3f, true, true},
                  {u"4"_s, u"\u00c9t\u00e9 \U0001F3AE\t\u0001"_s, 0.0f, false, false},
                  {u"5 five"_s, u" padded "_s, 5.0f, false, true}};
    for (const MarksFile::Format format : {MarksFile::Format::Json, MarksFile::Format::Csv}) {
        const QByteArray bytes = file.toBytes(format);
        QString error;
        const std::optional<MarksFile> back = MarksFile::fromBytes(bytes, &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_EQ(back->games, file.games);
        if (format == MarksFile::Format::Json) {
            EXPECT_EQ(back->platform, file.platform);
            EXPECT_EQ(back->exported, file.exported);
        } else {
            EXPECT_TRUE(bytes.contains("'=HYPERLINK"));
        }
    }
    // What spreadsheets and people write: a byte-order mark, ";" with decimal commas, columns in
    // another order or missing, numbers for ids and marks.
    const std::pair<QByteArray, Entry> accepted[] = {
        {"\xEF\xBB\xBFplayed;MyScore;ID\r\nyes;3,5;7\r\n", {u"7"_s, {}, 3.5f, false, true}},
        {"id\n\n8\n", {u"8"_s, {}, std::nullopt, false, false}},
        {R"({"games":[{"id":9,"myScore":2,"wished":1,"played":0}]})",
         {u"9"_s, {}, 2.0f, true, false}},
    };
    for (const auto& [bytes, entry] : accepted) {
        SCOPED_TRACE(bytes.toStdString());
        const std::optional<MarksFile> read = MarksFile::fromBytes(bytes, nullptr);
        ASSERT_TRUE(read && read->games.size() == 1);
        EXPECT_EQ(read->games[0], entry);
    }
}

// Exported from a store of 100k games, imported into a fresh one holding the same catalogue:
// every game has the marks it had, and the file's marks win over those the store held.
TEST_F(Marks, ARoundTripOf100kGamesGivesIdenticalMarks) {
    TestStore from(u":memory:"_s);
    const QList<Game*> games = fill(from, 100'000);
    QRandomGenerator random(18);
    for (Game* game : games) {
        const int draw = random.bounded(12);
        mark(game, draw < 10 ? std::optional<float>(draw * 0.5f) : std::nullopt, random.bounded(2),
             random.bounded(3) == 0);
    }
    mark(games[1], 4.0f, 0, 1);
    ASSERT_TRUE(from.context->save(nullptr));
    for (const QString& name : {u"lists.json"_s, u"lists.csv"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = TestStore::homeFile(name);
        ASSERT_EQ(MarksKeeper(from.context.get()).exportToFile(path).outcome,
                  MarksKeeper::Outcome::Done);
        TestStore to(u":memory:"_s);
        const QList<Game*> fresh = fill(to, 100'000);
        mark(fresh[1], 1.0f, 1, 1);  // differs from the file, which wins
        const MarksKeeper::Result result = MarksKeeper(to.context.get()).importFromFile(path);
        ASSERT_EQ(result.outcome, MarksKeeper::Outcome::Done) << result.message.toStdString();
        EXPECT_EQ(result.unknown, 0);
        EXPECT_FALSE(to.context->hasChanges());
        int differ = 0;
        for (int i = 0; i < games.size(); ++i) {
            differ += marksOf(games[i]) != marksOf(fresh[i]);
        }
        EXPECT_EQ(differ, 0);
    }
}

// A file that is not a sound list for this build is refused with its reason; nothing changes:
// no mark, no save, no backup, no side file.
TEST_F(Marks, EachKindOfBadFileChangesNothing) {
    TestStore store(u":memory:"_s);
    const QList<Game*> games = fill(store, 3);
    mark(games[0], 3.0f, 1, 0);
    ASSERT_TRUE(store.context->save(nullptr));
    const auto json = [](const char* game) {
        return QByteArray(R"({"platform":"wii","games":[{"id":"g1","wished":true},)") + game + "]}";
    };
    QByteArray garbage(50 << 20, Qt::Uninitialized);
    QRandomGenerator(18).fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
    garbage[0] = '\x89';
    const std::pair<QByteArray, const char*> cases[] = {
        {"", "empty"},
        {garbage, "too large"},
        {garbage.left(3000), "neither JSON nor"},
        {"{\"games\":[", "not valid JSON"},
        {"{\"list\":[]}", "no \"games\""},
        {R"({"platform":"ps3","games":[]})", "ps3 catalogue"},
        {json(R"({"title":"No id","wished":true})"), "game 2 (No id) has no id"},
        {json(R"({"id":"g2","myScore":5.5})"), "score 5.5"},
        {json(R"({"id":"g2","myScore":-1})"), "score -1"},
        {json(R"({"id":"g2","myScore":"4"})"), "score 4"},
        {json(R"({"id":"g2","played":"maybe"})"), "\"played\" is neither"},
        {"id,myScore\ng1,4\ng2,nan\n", "line 3 has the score nan"},
        {"id,wished\ng1,true\ng2\"x\",yes,no\n", "line 3 has 3 fields"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        const QString path = writeHomeFile(u"bad.json"_s, bytes);
        const MarksKeeper::Result result = MarksKeeper(store.context.get()).importFromFile(path);
        EXPECT_EQ(result.outcome, MarksKeeper::Outcome::BadInput);
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(reason)))
            << result.message.toStdString();
        EXPECT_FALSE(store.context->hasChanges());
        EXPECT_EQ(marksOf(games[0]), std::make_tuple(3.0f, 1, 0, std::optional<float>(3.0f)));
        EXPECT_EQ(marksOf(games[1]), marksOf(games[2]));
    }
    EXPECT_TRUE(MarksKeeper::backupPaths().isEmpty());
    // A sound list is refused too while the marks it would overwrite cannot be backed up.
    writeHomeFile(MarksKeeper::kBackupFolderName, "a file where the folder goes");
    const QString sound = writeHomeFile(u"sound.csv"_s, "id,myScore\ng0,1\n");
    EXPECT_EQ(MarksKeeper(store.context.get()).importFromFile(sound).outcome,
              MarksKeeper::Outcome::StoreFailed);
    EXPECT_EQ(games[0]->myScore(), 3.0f);
    EXPECT_FALSE(
        FileFunctions::fileExistsAtPath(TestStore::homeFile(MarksKeeper::kUnmatchedFileName)));
}

// Games the catalogue lacks are counted and kept in the side file, which gathers them over
// imports and lets go of those found since; the summary says both counts.
TEST_F(Marks, GamesNotInTheCatalogueAreKeptAside) {
    TestStore store(u":memory:"_s);
    const QList<Game*> games = fill(store, 2);
    const QString path = TestStore::homeFile(u"in.csv"_s);
    const auto import = [&](const QByteArray& csv) {
        writeHomeFile(u"in.csv"_s, csv);
        return MarksKeeper(store.context.get()).importFromFile(path);
    };
    MarksKeeper::Result result = import("id,title,wished\ng0,,1\nx1,Lost,1\nx2,Gone,0\ng0,,0\n");
    EXPECT_EQ(result.message, u"Imported 1 game; 2 not in this catalogue"_s);
    EXPECT_EQ(games[0]->myIsWished(), 0) << "a game listed twice takes its last marks";
    games[1]->setIdCriticon(u"x1"_s);
    result = import("id,wished\nx3,1\nx1,1\n");
    EXPECT_EQ(result.message, u"Imported 1 game; 1 not in this catalogue"_s);
    const std::optional<MarksFile> side =
        marksFileAt(TestStore::homeFile(MarksKeeper::kUnmatchedFileName));
    ASSERT_TRUE(side && side->games.size() == 2);
    EXPECT_EQ(side->games[0].id + side->games[1].id, u"x2x3"_s);
}

// Before an update merge the marks go to a backup, which holds them as they were; unchanged
// marks write no second backup, a store without marks none at all, and the newest ten stay.
TEST_F(Marks, BackupsHoldTheMarksOfBeforeAndTheNewestTenStay) {
    TestStore store;
    UserDefaults::resetStandardUserDefaults();
    UpdateController controller(store.context.get(), store.model.get());
    MarksKeeper keeper(store.context.get());
    const QList<Game*> games = fill(store, 12);
    EXPECT_TRUE(keeper.backUp(u"test"_s).isNull());

    mark(games[0], 2.5f, 1, 0);
    ASSERT_TRUE(store.context->save(nullptr));
    const QString title = games[0]->title();
    controller.processWebUpdateFile(
        CatalogueGenerator::catalogueText(QDate(2026, 12, 1), {gameFields(u"Renamed"_s, u"g0"_s)}));
    ASSERT_EQ(games[0]->title(), u"Renamed"_s);
    QStringList backups = MarksKeeper::backupPaths();
    ASSERT_EQ(backups.size(), 1);
    const std::optional<MarksFile> before = marksFileAt(backups[0]);
    ASSERT_TRUE(before && before->games.size() == 1);
    EXPECT_EQ(before->games[0], (Entry{u"g0"_s, title, 2.5f, true, false}));
    const QString renamed = keeper.backUp(u"test"_s);
    EXPECT_NE(renamed, backups[0]);
    EXPECT_EQ(keeper.backUp(u"test"_s), renamed) << "the same marks";

    for (int i = 1; i < 12; ++i) {
        mark(games[i], 1.0f, 0, 0);
        ASSERT_FALSE(keeper.backUp(u"test"_s).isNull());
    }
    backups = MarksKeeper::backupPaths();
    ASSERT_EQ(backups.size(), MarksKeeper::kBackupsKept);
    // The newest that can be read is the one restored from: here the one before the newest.
    ASSERT_TRUE(FileFunctions::createFileAtPath(backups.last(), "{cut sh"));
    const MarksKeeper::Result restored = keeper.restoreFromNewestBackup();
    EXPECT_EQ(restored.games, 11) << restored.message.toStdString();
}
