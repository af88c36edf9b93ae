#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "CatalogueFileReader.h"
#include "CatalogueGenerator.h"
#include "FetchRequest.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

CatalogueGenerator::Options options(int games, quint32 seed = 11, int firstIndex = 0,
                                    const QString& platform = u"wii"_s) {
    CatalogueGenerator::Options result;
    result.platform = platform;
    result.games = games;
    result.seed = seed;
    result.firstIndex = firstIndex;
    return result;
}

// The rows of a file as the reader cuts them.
QStringList rowLines(const QString& text) {
    QStringList lines;
    const QString block = text.section(u"<games>"_s, 1).section(u"</games>"_s, 0, 0);
    for (const QString& line : block.split(u'\n')) {
        if (line.contains(CatalogueFileReader::kSeparator)) {
            lines.append(line);
        }
    }
    return lines;
}

QList<Game*> allGames(TestStore& store) {
    FetchRequest request;
    request.setEntityName(u"Game"_s);
    return *store.context->executeFetchRequest(request, nullptr);
}

}  // namespace

TEST(CatalogueGenerator, SameArgumentsGiveSameBytesAndAnySeedOrPlatformChangesThem) {
    const QByteArray first = CatalogueGenerator::catalogueBytes(options(400));
    EXPECT_EQ(first, CatalogueGenerator::catalogueBytes(options(400)));
    EXPECT_NE(first, CatalogueGenerator::catalogueBytes(options(400, 12)));
    EXPECT_NE(first, CatalogueGenerator::catalogueBytes(options(400, 11, 0, u"ds"_s)));

    // No shared generator state: threads writing at once still get the same bytes.
    std::vector<QByteArray> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back(
            [&results, i] { results[i] = CatalogueGenerator::catalogueBytes(options(400)); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const QByteArray& result : results) {
        EXPECT_EQ(result, first);
    }
}

TEST(CatalogueGenerator, EveryRowHasAllFieldsUniqueIdsAndTheReadersFraming) {
    const int games = 3000;
    const QString text = CatalogueGenerator::catalogueText(options(games));
    EXPECT_TRUE(text.contains(u"<reportDateYMD>2026-11-01</reportDateYMD>"_s));
    const QStringList lines = rowLines(text);
    ASSERT_EQ(lines.size(), games);
    QSet<QString> criticonIds;
    QSet<QString> playbaseIds;
    for (const QString& line : lines) {
        ASSERT_TRUE(line.startsWith(u'"') && line.endsWith(u"\"\r"_s)) << line.toStdString();
        const QStringList fields = CatalogueFileReader::fieldsOf(line);
        ASSERT_EQ(fields.size(), CatalogueGenerator::kFieldCount) << line.toStdString();
        for (const QString& field : fields) {
            // A raw quote or line break would cut the row somewhere the reader cannot see.
            ASSERT_FALSE(field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
                << line.toStdString();
        }
        criticonIds.insert(fields[4]);
        playbaseIds.insert(fields[5]);
        EXPECT_EQ(fields[12], u"http://127.0.0.1:8471/box-art/wii/"_s + fields[4] + u".jpg"_s);
    }
    EXPECT_EQ(criticonIds.size(), games);
    EXPECT_EQ(playbaseIds.size(), games);

    // Ids follow from the game index, so an overlapping range describes the same games.
    const QList<QStringList> later = CatalogueGenerator::rows(options(10, 99, games - 5));
    EXPECT_TRUE(criticonIds.contains(later[4][4]));
    EXPECT_FALSE(criticonIds.contains(later[5][4]));
    // Platforms never share ids.
    EXPECT_NE(CatalogueGenerator::criticonId(u"wii"_s, 0),
              CatalogueGenerator::criticonId(u"ds"_s, 0));

    const QString empty = CatalogueGenerator::catalogueText(options(0));
    EXPECT_TRUE(rowLines(empty).isEmpty());
    EXPECT_TRUE(empty.contains(u"<games>"_s) && empty.contains(u"</games>"_s));
}

TEST(CatalogueGenerator, ContentSpreadsLikeARealCatalogue) {
    const int games = 4000;
    const QDate report(2026, 11, 1);
    const QList<QStringList> rows = CatalogueGenerator::rows(options(games));
    int future = 0;
    int onlyReviewSite = 0;
    int unscored = 0;
    QSet<QString> genres;
    QSet<QString> ratings;
    for (const QStringList& fields : rows) {
        const QDate release = QDate::fromString(fields[16], u"yyyy-MM-dd"_s);
        ASSERT_TRUE(release.isValid()) << fields[16].toStdString();
        EXPECT_GE(release, QDate(2004, 1, 1));
        EXPECT_LE(release, report.addYears(2));
        future += release > report ? 1 : 0;
        const float criticon = CatalogueFileReader::floatValue(fields[1]);
        const float critic = CatalogueFileReader::floatValue(fields[2]);
        for (const float score : {criticon, critic}) {
            EXPECT_TRUE(score >= 0.0f && score <= 5.0f && score * 2 == float(int(score * 2)));
        }
        onlyReviewSite += (criticon > 0 && fields[2] == u"0"_s) ? 1 : 0;
        unscored += (criticon == 0 && critic == 0) ? 1 : 0;
        genres.insert(fields[7]);
        ratings.insert(fields[8]);
    }
    EXPECT_GT(future, games * 7 / 100);
    EXPECT_LT(future, games * 13 / 100);
    EXPECT_GT(onlyReviewSite, games / 20);
    EXPECT_GT(unscored, games / 20);
    EXPECT_EQ(genres.size(), 11);
    EXPECT_EQ(ratings.size(), 8);

    // The text carries everything the cleaning step has to undo.
    const QString text = CatalogueGenerator::catalogueText(options(games));
    for (const QString& needle :
         {u"%20"_s, u"%3A"_s, u"%26"_s, u"&amp;"_s, u"&quot;"_s, u"&#8482;"_s, u"&copy;"_s,
          u"<b>"_s, u"<i>"_s, u"<p>"_s, u"é"_s, u"ü"_s, u"ñ"_s, u"ō"_s}) {
        EXPECT_TRUE(text.contains(needle)) << needle.toStdString();
    }
}

TEST(CatalogueGenerator, ReaderInstallsEveryRowAndAnOverlappingRunUpdatesByKey) {
    TestStore store;
    ASSERT_TRUE(store.opened);
    UpdateController controller(store.context.get(), store.model.get());
    const QList<QStringList> rows = CatalogueGenerator::rows(options(300));
    const QString ymd = controller.addGamesToEntityFromUpdateFileReturnReportYMD(
        CatalogueGenerator::catalogueText(QDate(2026, 11, 1), rows), false);
    EXPECT_EQ(ymd, u"2026-11-01"_s);
    ASSERT_EQ(controller.getGameCountFromEntity(), 300);

    Game* first = controller.getGameFromEntityWithCriticonID(rows[0][4]);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->releaseDate().date(), QDate::fromString(rows[0][16], u"yyyy-MM-dd"_s));
    for (Game* game : allGames(store)) {
        // Nothing escaped survives cleaning.
        for (const QString& text : {game->title(), game->gameDescription(), game->developer()}) {
            EXPECT_FALSE(text.contains(u"%3A"_s) || text.contains(u"%26"_s) ||
                         text.contains(u"&amp;"_s) || text.contains(u"<b>"_s))
                << text.toStdString();
        }
    }

    // A later run over indices 250..349 keeps 50 known games and adds 50; marks survive.
    Game* known = controller.getGameFromEntityWithCriticonID(rows[260][4]);
    ASSERT_NE(known, nullptr);
    known->setMyIsWished(1);
    const QList<QStringList> update = CatalogueGenerator::rows(options(100, 12, 250));
    controller.addGamesToEntityFromUpdateFileReturnReportYMD(
        CatalogueGenerator::catalogueText(QDate(2026, 11, 2), update), true);
    EXPECT_EQ(controller.getGameCountFromEntity(), 350);
    Game* updated = controller.getGameFromEntityWithCriticonID(rows[260][4]);
    ASSERT_EQ(updated, known);
    EXPECT_EQ(updated->myIsWished(), 1);
    // Another seed gives the known game new details, and the update writes them.
    ASSERT_NE(update[10][15], rows[260][15]);
    EXPECT_EQ(updated->gameDescription(),
              UpdateController::getHTMLCleanedAndUnescapedString(update[10][15]));
}

TEST(CatalogueGenerator, ShippedSampleIsTheGeneratorsOutputAndInstallsWhole) {
    QFile sample(u":/samples/wii.xml"_s);
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    const QByteArray bytes = sample.readAll();
    // A stale sample means tools/make-sample-catalogues was not run after the generator changed.
    EXPECT_TRUE(bytes ==
                CatalogueGenerator::catalogueBytes(CatalogueGenerator::shippedOptions(u"wii"_s)))
        << "resources/catalogues/wii.xml is stale: run tools/make-sample-catalogues";

    TestStore store;
    UpdateController controller(store.context.get(), store.model.get());
    EXPECT_EQ(
        controller.addGamesToEntityFromUpdateFileReturnReportYMD(QString::fromUtf8(bytes), false),
        u"2026-11-01"_s);
    const int count = controller.getGameCountFromEntity();
    EXPECT_GE(count, 1500);
    EXPECT_LE(count, 2500);
    EXPECT_EQ(count, rowLines(QString::fromUtf8(bytes)).size());
}

TEST(CatalogueGenerator, ProgramWritesTheLibrarysBytesAndRefusesBadArguments) {
    QTemporaryDir dir;
    const QString out = dir.filePath(u"ds.xml"_s);
    const auto run = [](const QStringList& arguments) {
        QProcess process;
        process.start(QString::fromUtf8(QUESTLOG_CATALOGUE_GENERATOR), arguments);
        process.waitForFinished(60000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    ASSERT_EQ(run({u"--platform"_s, u"ds"_s, u"--games"_s, u"250"_s, u"--report-date"_s,
                   u"2025-03-09"_s, u"--seed"_s, u"5"_s, u"--out"_s, out}),
              0);
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    CatalogueGenerator::Options expected = options(250, 5, 0, u"ds"_s);
    expected.reportDate = QDate(2025, 3, 9);
    const QByteArray good = written.readAll();
    EXPECT_TRUE(good == CatalogueGenerator::catalogueBytes(expected));
    written.close();

    // A refused run leaves the earlier file as it was.
    for (const QStringList& bad :
         {QStringList{u"--platform"_s, u"gamecube"_s}, QStringList{u"--games"_s, u"-3"_s},
          QStringList{u"--games"_s, u"many"_s}, QStringList{u"--report-date"_s, u"2025-13-40"_s},
          QStringList{u"--seed"_s, u"-1"_s}, QStringList{u"stray"_s}}) {
        EXPECT_NE(run(bad + QStringList{u"--out"_s, out}), 0) << bad.join(u' ').toStdString();
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll() == good);
        written.close();
    }
}
