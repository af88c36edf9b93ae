#pragma once

#include <unistd.h>

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

// An invariant of a fuzz target. A failure names the condition on the process's original
// standard error (libFuzzer closes it for the target under -close_fd_mask, as the program's log
// would drown its own output) and aborts, which libFuzzer reports as a crash with the input.
namespace fuzz {

inline const int kReportFd = dup(2);

[[noreturn]] inline void fail(const char* condition, const char* file, int line) {
    dprintf(kReportFd, "%s:%d: invariant failed: %s\n", file, line, condition);
    std::abort();
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) ((condition) ? void() : fuzz::fail(#condition, __FILE__, __LINE__))

// For targets whose code needs an application object (the store, notifications, timers).
#define FUZZ_WITH_CORE_APPLICATION()                               \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) { \
        static QCoreApplication app(*argc, *argv);                 \
        return 0;                                                  \
    }
