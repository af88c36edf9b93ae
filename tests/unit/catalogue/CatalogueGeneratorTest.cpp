#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "CatalogueGenerator.h"
#include "QStringPrinter.h"
#include "TestStore.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

// The shipped sample is the generator's output and installs whole.
TEST(CatalogueGenerator, ShippedSampleIsItsRepeatableOutputAndInstallsWhole) {
    const CatalogueGenerator::Options shipped = CatalogueGenerator::shippedOptions(u"wii"_s);
    const QByteArray bytes = CatalogueGenerator::catalogueBytes(shipped);
    QFile sample(u":/samples/wii.xml"_s);
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sample.readAll() == bytes)
        << "resources/catalogues/wii.xml is stale: run tools/make-sample-catalogues";

    TestStore store;
    UpdateController controller(store.context.get(), store.model.get());
    EXPECT_EQ(
        controller.addGamesToEntityFromUpdateFileReturnReportYMD(QString::fromUtf8(bytes), false),
        u"2026-11-01"_s);
    // A row cut by a stray quote or line break, or a repeated id, would leave fewer games.
    EXPECT_EQ(controller.getGameCountFromEntity(), CatalogueGenerator::rows(shipped).size());
}

TEST(CatalogueGenerator, ProgramWritesTheLibrarysBytes) {
    QTemporaryDir dir;
    QProcess process;
    process.start(QString::fromUtf8(QUESTLOG_CATALOGUE_GENERATOR),
                  {u"--platform"_s, u"ds"_s, u"--games"_s, u"250"_s, u"--report-date"_s,
                   u"2025-03-09"_s, u"--seed"_s, u"5"_s, u"--out"_s, dir.filePath(u"ds.xml"_s)});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    CatalogueGenerator::Options expected;
    expected.platform = u"ds"_s;
    expected.games = 250;
    expected.seed = 5;
    expected.reportDate = QDate(2025, 3, 9);
    QFile file(dir.filePath(u"ds.xml"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll() == CatalogueGenerator::catalogueBytes(expected));
}
