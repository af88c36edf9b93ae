// questlog-catalogue-generator: writes a fictional catalogue file in the format the catalogue
// reader takes. The same arguments always give the same bytes.
//
//   questlog-catalogue-generator --platform wii --games 2000 --report-date 2026-11-01
//                                --seed 7 --out wii.xml
//   questlog-catalogue-generator --platform wii --shipped --out resources/catalogues/wii.xml

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "CatalogueGenerator.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "questlog-catalogue-generator: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Writes a fictional catalogue file."_s);
    parser.addHelpOption();
    const CatalogueGenerator::Options defaults;
    const QCommandLineOption platform(
        u"platform"_s, u"Platform code: %1."_s.arg(CatalogueGenerator::platforms().join(u", "_s)),
        u"code"_s, defaults.platform);
    const QCommandLineOption games(u"games"_s, u"Number of games."_s, u"N"_s,
                                   QString::number(defaults.games));
    const QCommandLineOption reportDate(u"report-date"_s, u"Report date, yyyy-MM-dd."_s, u"date"_s,
                                        defaults.reportDate.toString(u"yyyy-MM-dd"_s));
    const QCommandLineOption seed(u"seed"_s, u"Seed of the generator."_s, u"S"_s,
                                  QString::number(defaults.seed));
    const QCommandLineOption out(u"out"_s, u"Output file (\"-\" for standard output)."_s, u"FILE"_s,
                                 u"-"_s);
    const QCommandLineOption shipped(
        u"shipped"_s, u"The platform's shipped sample: its count, seed and report date."_s);
    parser.addOptions({platform, games, reportDate, seed, out, shipped});
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        return fail(u"unexpected argument %1"_s.arg(parser.positionalArguments().first()));
    }

    CatalogueGenerator::Options options;
    options.platform = parser.value(platform);
    if (!CatalogueGenerator::isKnownPlatform(options.platform)) {
        return fail(u"unknown platform %1"_s.arg(options.platform));
    }
    bool ok = false;
    options.games = parser.value(games).toInt(&ok);
    if (!ok || options.games < 0 || options.games > 1000000) {
        return fail(u"--games wants a number from 0 to 1000000"_s);
    }
    options.reportDate = QDate::fromString(parser.value(reportDate), u"yyyy-MM-dd"_s);
    if (!options.reportDate.isValid()) {
        return fail(u"--report-date wants a date as yyyy-MM-dd"_s);
    }
    options.seed = parser.value(seed).toUInt(&ok);
    if (!ok) {
        return fail(u"--seed wants a number from 0 to 4294967295"_s);
    }

    if (parser.isSet(shipped)) {
        options = CatalogueGenerator::shippedOptions(options.platform);
    }
    const QByteArray bytes = CatalogueGenerator::catalogueBytes(options);
    const QString path = parser.value(out);
    if (path == u"-"_s) {
        QFile output;
        if (!output.open(stdout, QIODevice::WriteOnly) || output.write(bytes) != bytes.size()) {
            return fail(u"cannot write to standard output"_s);
        }
        return 0;
    }
    // Written whole or not at all, so a failed run never leaves half a catalogue behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return fail(u"cannot write %1: %2"_s.arg(path, file.errorString()));
    }
    return 0;
}
