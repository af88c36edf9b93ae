#pragma once

#include <QList>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

struct sqlite3_file;
struct sqlite3_vfs;

// A SQLite file system for tests: passes every call to the one that was the default before and
// counts the opens, writes, syncs and truncations made through it. Armed, it fails the Nth call
// of one kind with a chosen result code, and with `sticky` every later call of that kind too,
// as a full disk stays full. While the object lives it is the default file system, so the
// program's own connections go through it without any change to the program.
// REQUIRES: one at a time; every connection opened while it lives is closed before it dies.
// Counts and arming may be read and set from any thread; the observer runs on the calling one.
class FaultVfs {
public:
    enum class Kind { Open, Write, Sync, Truncate };
    static constexpr int kKinds = 4;

    struct Counts {
        std::array<int, kKinds> calls{};
        int of(Kind kind) const { return calls[size_t(kind)]; }
        // "opens 2, writes 310, syncs 4, truncates 1"
        QString description() const;
    };

    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    // The `n`th call of `kind` from now on (1 = the next) fails with `code`, an SQLite result
    // code; with `sticky` so does every one after it until disarm().
    void arm(Kind kind, int n, int code, bool sticky = false);
    void disarm();
    // Faults handed out since the last arm().
    int injected() const { return injected_.load(); }

    // Calls made since construction or the last resetCounts(), failed ones included.
    Counts counts() const;
    void resetCounts();

    // Whether syncs are passed on to the disk (the default). Without, they are still counted and
    // can fail; the tests that only kill processes or fail calls lose nothing by it (the page
    // cache outlives the process; only a power cut would not) and wait no longer on the disk.
    void setSyncsReachDisk(bool value) { syncsReachDisk_ = value; }

    // Called after every call that was passed on, with its kind and the count of that kind.
    // REQUIRES: set while no connection is in use.
    void setObserver(std::function<void(Kind, int)> observer);

    static QString name(Kind kind);

    // One fault as the disk-fault tests inject it.
    struct Fault {
        Kind kind;
        int code;
        bool sticky;
        // "write #13: database or disk is full (13), sticky"
        QString description(int n) const;
        // "write_13_sticky", for a test's name
        std::string testName() const;
    };
    // Every kind twice: a full disk, which stays full (sticky), and a one-off I/O error; an
    // open fails with "cannot open" instead of "full".
    static QList<Fault> table();
    // The N to try out of `calls`: every one when there are at most `budget` (or when
    // QUESTLOG_FAULT_STEPS=all), else `budget` of them: the first and last few, the rest drawn
    // with `seed`, in ascending order.
    static QList<int> steps(int calls, int budget, quint32 seed);

private:
    friend struct FaultVfsMethods;
    struct File;
    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                    int* outFlags);
    // The code for this call of `kind`, 0 to let it through; counts the call.
    int fault(Kind kind);
    void passed(Kind kind) const;

    std::unique_ptr<sqlite3_vfs> vfs_;
    sqlite3_vfs* previous_;
    std::array<std::atomic<int>, kKinds> counts_{};
    std::atomic<int> armedKind_{-1};
    std::atomic<int> armedAt_{0};
    std::atomic<int> armedCode_{0};
    std::atomic<bool> sticky_{false};
    std::atomic<int> injected_{0};
    std::atomic<bool> syncsReachDisk_{true};
    std::function<void(Kind, int)> observer_;
};
