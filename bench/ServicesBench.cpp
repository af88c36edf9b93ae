// questlog-services under load, measured beside a baseline in the same run.
//
// BoxArt64: 64 client threads, each on one keep-alive connection, ask questlog-services for box
// art of about 600 games (warmed up first, so every answer comes from the cache); requests per
// second and the 99th percentile of the answer time. Baseline: the same clients fetching one static
// JPEG of the same size from a cpp-httplib server of this process with the same thread pool and
// keep-alive settings, served by the library's own file mount.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include "BaselineTiming.h"
#include "CatalogueGenerator.h"
#include "CoverArt.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kClients = 64;
constexpr int kRequestsPerClient = 100;
constexpr int kGames = 600;

struct Load {
    double seconds = 0;
    double p99Ms = 0;
    int failures = 0;
};

// Every client on its own connection, asking for paths[i % size] in turn. The connections are
// made and used once before the clock starts: the library's short listen backlog makes some of
// 64 simultaneous connects wait for a SYN retry, which is not what is measured here.
Load drive(int port, const std::vector<std::string>& paths) {
    std::vector<std::vector<double>> latencies(static_cast<size_t>(kClients));
    std::atomic<int> failures{0};
    std::atomic<int> connected{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            if (!client.Get(paths.front())) {
                ++failures;
            }
            ++connected;
            while (!go) {
                std::this_thread::yield();
            }
            for (int r = 0; r < kRequestsPerClient; ++r) {
                const auto sent = std::chrono::steady_clock::now();
                const auto answer =
                    client.Get(paths[size_t(c * kRequestsPerClient + r) % paths.size()]);
                latencies[size_t(c)].push_back(seconds(sent) * 1000.0);
                if (!answer || answer->status != 200) {
                    ++failures;
                }
            }
        });
    }
    while (connected < kClients) {
        std::this_thread::yield();
    }
    const auto start = std::chrono::steady_clock::now();
    go = true;
    for (std::thread& client : clients) {
        client.join();
    }
    Load load;
    load.seconds = seconds(start);
    std::vector<double> all;
    for (const auto& each : latencies) {
        all.insert(all.end(), each.begin(), each.end());
    }
    std::sort(all.begin(), all.end());
    load.p99Ms = all.empty() ? 0 : all[all.size() * 99 / 100];
    load.failures = failures;
    return load;
}

void report(benchmark::State& state, const std::string& key, const Load& load, bool baseline) {
    state.SetIterationTime(load.seconds);
    state.counters["requests_per_s"] = kClients * kRequestsPerClient / load.seconds;
    state.counters["p99_ms"] = load.p99Ms;
    if (load.failures > 0) {
        state.SkipWithError("some requests failed");
    }
    ::report(state, key, load.seconds * double(state.iterations()), baseline);
}

std::vector<std::string> boxArtPaths() {
    std::vector<std::string> paths;
    for (int i = 0; i < kGames; ++i) {
        const QString id = CatalogueGenerator::criticonId(u"wii"_s, i);
        if (!CoverArt::hasNoCover(id)) {
            paths.push_back((u"/box-art/wii/"_s + id + u".jpg"_s).toStdString());
        }
    }
    return paths;
}

// questlog-services on a free port for the whole run.
class Services {
public:
    Services() {
        process_.start(QStringLiteral(QUESTLOG_SERVICES),
                       {u"--port"_s, u"0"_s, u"--quiet"_s, u"--data-dir"_s, data_.path()});
        QByteArray output;
        while (port_ == 0 && process_.waitForReadyRead(10000)) {
            output += process_.readAllStandardOutput();
            const qsizetype at = output.indexOf("127.0.0.1:");
            const qsizetype end = output.indexOf(' ', at);
            if (at >= 0 && end > at) {
                port_ = output.mid(at + 10, end - at - 10).toInt();
            }
        }
    }
    ~Services() {
        ::kill(pid_t(process_.processId()), SIGTERM);
        process_.waitForFinished(10000);
    }
    int port() const { return port_; }

private:
    QTemporaryDir data_;
    QProcess process_;
    int port_ = 0;
};

Services& services() {
    static Services* running = new Services();
    return *running;
}

void BoxArt64_Baseline_StaticFile(benchmark::State& state) {
    // A cover of the size the services send, as a plain file.
    httplib::Client warm("127.0.0.1", services().port());
    const auto cover = warm.Get(boxArtPaths().front());
    QTemporaryDir folder;
    QFile file(folder.filePath(u"cover.jpg"_s));
    if (!cover || !file.open(QIODevice::WriteOnly)) {
        state.SkipWithError("no cover to serve");
        return;
    }
    file.write(cover->body.data(), qint64(cover->body.size()));
    file.close();

    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(96); };
    server.set_keep_alive_max_count(1000);
    server.set_keep_alive_timeout(10);
    server.set_tcp_nodelay(true);
    server.set_mount_point("/static", folder.path().toStdString());
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::yield();
    }
    for (auto _ : state) {
        report(state, "BoxArt64", drive(port, {"/static/cover.jpg"}), true);
    }
    server.stop();
    serving.join();
}

void BoxArt64(benchmark::State& state) {
    if (services().port() == 0) {
        state.SkipWithError("questlog-services did not start");
        return;
    }
    const std::vector<std::string> paths = boxArtPaths();
    drive(services().port(), paths);  // every cover made and cached before timing
    for (auto _ : state) {
        report(state, "BoxArt64", drive(services().port(), paths), false);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    runBenchmarks(argc, argv, [] {
        registerTimed("BoxArt64_Baseline_StaticFile", BoxArt64_Baseline_StaticFile,
                      benchmark::kMillisecond, 3);
        registerTimed("BoxArt64", BoxArt64, benchmark::kMillisecond, 3);
    });
    return 0;
}
