// Box art, measured beside a baseline in the same run; "vs_baseline" is our time divided by the
// baseline's.
//
// Download (120 images): ImageLoader::getImageForImageURL for 120 addresses of a local
// cpp-httplib server that answers each with a 300 x 420 JPEG after 50 ms over connections it
// keeps open, as the stand-in services do; timed until the last completion notification. Every
// image is downloaded, decoded and saved to disk by the six workers. The physical floor is
// 120 x 50 ms / 6 workers = 1 s ("vs_floor"); goal: within 1.3 times it. Baseline: curl fetching
// the same 120 addresses six at a time (--parallel --parallel-max 6), from process start to exit.
//
// Disk hit: getCachedOrDiskImageForImageURL with memory caching off and the 300 x 420 JPEG on
// disk, as the list rows ask. Goal: under 2 ms. Baseline: QImage loading the same file.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "BaselineTiming.h"
#include "FakeHttpServer.h"
#include "FileFunctions.h"
#include "ImageLoader.h"
#include "NotificationCenter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kImages = 120;
constexpr int kAnswerDelayMsecs = 50;

// A cover with detail across the whole picture, so the JPEG is of a real cover's size.
QByteArray coverJpeg() {
    static const QByteArray bytes = [] {
        QImage image(300, 420, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                image.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) % 256));
            }
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 90);
        return jpeg;
    }();
    return bytes;
}

FakeHttpServer& artServer() {
    static FakeHttpServer* server = [] {
        auto* made = new FakeHttpServer(FakeHttpServer::Connections::KeepAlive);
        for (int i = 0; i < kImages; ++i) {
            made->answer(u"/art/%1.jpg"_s.arg(i),
                         {200, coverJpeg(), "image/jpeg", kAnswerDelayMsecs, false});
        }
        return made;
    }();
    return *server;
}

// Every answer waits its 50 ms and six are under way at any time.
double floorSeconds() {
    return kImages * kAnswerDelayMsecs / 1000.0 / ImageLoader::kMaxWorkers;
}

QStringList artAddresses() {
    QStringList addresses;
    for (int i = 0; i < kImages; ++i) {
        addresses.append(artServer().url(u"/art/%1.jpg"_s.arg(i)));
    }
    return addresses;
}

// ---- Benchmarks -------------------------------------------------------------------------------

void Download120_Baseline_Curl(benchmark::State& state) {
    QStringList arguments{u"--silent"_s,       u"--fail"_s,
                          u"--parallel"_s,     u"--parallel-immediate"_s,
                          u"--parallel-max"_s, u"6"_s};
    for (const QString& address : artAddresses()) {
        arguments << u"--output"_s << u"/dev/null"_s << address;
    }
    state.counters["floor_s"] = floorSeconds();
    timeEachIteration(state, "Download120", true, "curl did not fetch every address", [&] {
        QProcess curl;
        curl.start(u"curl"_s, arguments);
        return curl.waitForFinished(60000) && curl.exitCode() == 0;
    });
}

void Download120(benchmark::State& state) {
    const QStringList addresses = artAddresses();
    double total = 0;
    for (auto _ : state) {
        QDir(FileFunctions::getDocumentDirectoryPath() + u"/box-art"_s).removeRecursively();
        ImageLoader::resetInstance();
        ImageLoader* loader = ImageLoader::instanceOf();
        std::atomic<int> pulled{0};
        std::atomic<int> notFound{0};
        const QImage notFoundImage = loader->notFoundImage();
        for (const QString& address : addresses) {
            NotificationCenter::defaultCenter()->addObserver(
                &pulled, ImageLoader::kImagePulledPrefix + address, [&](const Notification& note) {
                    if (note.userInfo().value(u"image"_s).value<QImage>() == notFoundImage) {
                        ++notFound;
                    }
                    ++pulled;
                });
        }
        const auto start = std::chrono::steady_clock::now();
        for (const QString& address : addresses) {
            loader->getImageForImageURL(address);
        }
        // Each finishing worker hands the next start to this loop.
        while (pulled < kImages) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        NotificationCenter::defaultCenter()->removeObserver(&pulled);
        if (notFound > 0) {
            state.SkipWithError("some images were not downloaded");
        }
    }
    report(state, "Download120", total, false);
    if (state.iterations() > 0) {
        state.counters["vs_floor"] = total / double(state.iterations()) / floorSeconds();
    }
}

QString diskCopyAddress() {
    const QString address = artServer().url(u"/art/0.jpg"_s);
    const QString folder = FileFunctions::getDocumentDirectoryPath() + u"/box-art/"_s;
    QDir().mkpath(folder);
    QFile file(folder + ImageLoader::fileKey(address) + u".jpg"_s);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(coverJpeg());
    }
    return address;
}

void DiskHit_Baseline_QImageLoad(benchmark::State& state) {
    const QString path = FileFunctions::getDocumentDirectoryPath() + u"/box-art/"_s +
                         ImageLoader::fileKey(diskCopyAddress()) + u".jpg"_s;
    timeEachIteration(state, "DiskHit", true, "the disk copy did not load",
                      [&] { return QImage(path).width() == 300; });
}

void DiskHit(benchmark::State& state) {
    const QString address = diskCopyAddress();
    ImageLoader::resetInstance();
    ImageLoader* loader = ImageLoader::instanceOf();
    loader->setCacheImages(false);
    timeEachIteration(state, "DiskHit", false, "the disk copy was not found", [&] {
        return loader->getCachedOrDiskImageForImageURL(address).width() == 300;
    });
}

void registerAll() {
    registerTimed("Download120_Baseline_Curl", Download120_Baseline_Curl, benchmark::kMillisecond,
                  3);
    registerTimed("Download120", Download120, benchmark::kMillisecond, 3);
    registerTimed("DiskHit_Baseline_QImageLoad", DiskHit_Baseline_QImageLoad,
                  benchmark::kMicrosecond);
    registerTimed("DiskHit", DiskHit, benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    // The box art goes to a data home of the run's own.
    QTemporaryDir home;
    qputenv("QUESTLOG_HOME", home.path().toUtf8());
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable(u"curl"_s).isEmpty()) {
        std::fprintf(stderr, "The baseline needs curl (Debian package curl).\n");
        return 1;
    }
    runBenchmarks(argc, argv, registerAll);
    ImageLoader::resetInstance();
    return 0;
}
