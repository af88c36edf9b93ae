// Formatting and text cleaning run for every log line and every catalogue field, so they are
// measured against the plainest Qt code that does comparable work.
#include <benchmark/benchmark.h>

#include <QString>
#include <QUrl>

#include "Format.h"
#include "HTMLText.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kField =
    u"Super%20Mario%20Galaxy%3A%20%3Cb%3ENew%3C/b%3E &amp; improved &#8482; <p>Jump</p>"_s;

void BM_Format_LogLine(benchmark::State& state) {
    const QString title = u"Zelda"_s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Format::format(u"[%s (%d)]\t%@ has %d games, %.2f%%"_s, "File.cpp",
                                                477, title, 1200, 12.5));
    }
}

void BM_Format_Baseline_QStringArg(benchmark::State& state) {
    const QString title = u"Zelda"_s;
    for (auto _ : state) {
        benchmark::DoNotOptimize(u"[%1 (%2)]\t%3 has %4 games, %5%"_s.arg(u"File.cpp"_s)
                                     .arg(477)
                                     .arg(title)
                                     .arg(1200)
                                     .arg(12.5, 0, 'f', 2));
    }
}

// Most catalogue fields hold no escape, tag or entity at all.
const QString kPlainField = u"Super Mario Galaxy: the plumber jumps from planet to planet"_s;

void BM_CleanCatalogueField(benchmark::State& state) {
    const QString& field = state.range(0) ? kField : kPlainField;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HTMLText::cleaned(field));
    }
}

void BM_CleanCatalogueField_Baseline_PercentDecode(benchmark::State& state) {
    const QByteArray field = (state.range(0) ? kField : kPlainField).toUtf8();
    for (auto _ : state) {
        benchmark::DoNotOptimize(QUrl::fromPercentEncoding(field));
    }
}

}  // namespace

BENCHMARK(BM_Format_LogLine);
BENCHMARK(BM_Format_Baseline_QStringArg);
// Argument 0: a plain field; 1: a field with escapes, tags and entities.
BENCHMARK(BM_CleanCatalogueField)->Arg(0)->Arg(1);
BENCHMARK(BM_CleanCatalogueField_Baseline_PercentDecode)->Arg(0)->Arg(1);

BENCHMARK_MAIN();
