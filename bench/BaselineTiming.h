#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

// Each benchmark reports its time per iteration under a key; the baseline with the same key,
// run first, gives the others their "vs_baseline" counter (our time divided by the baseline's).

inline std::map<std::string, double>& baselineSeconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

inline double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline void report(benchmark::State& state, const std::string& key, double total, bool baseline) {
    if (state.iterations() == 0) {
        return;
    }
    const double perIteration = total / double(state.iterations());
    if (baseline) {
        baselineSeconds()[key] = perIteration;
        return;
    }
    const auto it = baselineSeconds().find(key);
    if (it != baselineSeconds().end() && it->second > 0) {
        state.counters["vs_baseline"] = perIteration / it->second;
    }
}

// Times step() once per iteration as the iteration's manual time, stops with `error` when a
// step answers false, and reports the total under the key.
template <class Step>
void timeEachIteration(benchmark::State& state, const std::string& key, bool baseline,
                       const char* error, Step step) {
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = step();
        const double elapsed = seconds(start);
        state.SetIterationTime(elapsed);
        total += elapsed;
        if (!ok) {
            state.SkipWithError(error);
        }
    }
    report(state, key, total, baseline);
}

// Registers a benchmark that times itself (manual time), run a fixed number of times when
// iterations is above 0.
inline benchmark::internal::Benchmark* registerTimed(const char* name,
                                                     void (*function)(benchmark::State&),
                                                     benchmark::TimeUnit unit, int iterations = 0) {
    benchmark::internal::Benchmark* registered =
        benchmark::RegisterBenchmark(name, function)->UseManualTime()->Unit(unit);
    if (iterations > 0) {
        registered->Iterations(iterations);
    }
    return registered;
}

// The whole run: Google Benchmark's options from the command line, then what registerAll adds.
inline void runBenchmarks(int& argc, char** argv, void (*registerAll)()) {
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
