#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cstdio>
#include <optional>

#include "FaultVfs.h"

// A disk-fault sweep: a session of the program run once clean, then with one fault of the table
// at every chosen N of the calls of its kind that the clean run made between arm() and closed().
class FaultSweep {
public:
    explicit FaultSweep(const FaultVfs::Fault& fault) : fault_(fault) {
        vfs.setSyncsReachDisk(false);
    }

    // Where the session opens the store: counts from here, with the fault at `n` when given.
    void arm(std::optional<int> n) {
        vfs.resetCounts();
        if (n) {
            vfs.arm(fault_.kind, *n, fault_.code, fault_.sticky);
        }
    }
    // Once the store is closed, possibly with the fault still armed: the disk is sound again.
    void closed() {
        window_ = vfs.counts();
        vfs.disarm();
    }

    // Runs `session(n)` clean and then for every chosen N; each faulted run must answer what the
    // clean one answered (the store's contents as the session reads them).
    template <typename Session>
    void run(const char* scenario, int budget, quint32 seed, const Session& session) {
        const QString clean = session(std::optional<int>());
        if (testing::Test::HasFailure()) {
            return;
        }
        const FaultVfs::Counts counts = window_;
        const QList<int> steps = FaultVfs::steps(counts.of(fault_.kind), budget, seed);
        QElapsedTimer timer;
        timer.start();
        for (int n : steps) {
            SCOPED_TRACE(fault_.description(n).toStdString());
            EXPECT_EQ(session(std::optional<int>(n)), clean);
            EXPECT_GE(vfs.injected(), 1) << "the fault never came";
            if (testing::Test::HasFailure()) {
                break;  // one N's report is enough to go on
            }
        }
        // The calls of a clean session and how long the faults took, for the record.
        std::printf("%s: %s; %s: %lld of %d N in %lld ms\n", scenario,
                    qPrintable(counts.description()), fault_.testName().c_str(),
                    static_cast<long long>(steps.size()), counts.of(fault_.kind),
                    static_cast<long long>(timer.elapsed()));
    }

    FaultVfs vfs;

private:
    const FaultVfs::Fault fault_;
    FaultVfs::Counts window_;
};
