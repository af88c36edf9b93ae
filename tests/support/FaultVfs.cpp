#include "FaultVfs.h"

#include <sqlite3.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// Our wrapper of one open file; the wrapped file of the real file system
// follows it in the same allocation SQLite makes for szOsFile bytes.
struct FaultVfs::File {
    sqlite3_file base;
    sqlite3_io_methods methods;
    sqlite3_file* real;
    FaultVfs* owner;
};

// The methods of our files and file system: each hands the call on to the
// wrapped object's own; the counted ones ask the owner first whether to fail.
struct FaultVfsMethods {
    static constexpr size_t kRealOffset = (sizeof(FaultVfs::File) + 15) & ~size_t(15);

    static FaultVfs* owner(sqlite3_file* file) {
        return reinterpret_cast<FaultVfs::File*>(file)->owner;
    }
    static FaultVfs* owner(sqlite3_vfs* vfs) { return static_cast<FaultVfs*>(vfs->pAppData); }
    static sqlite3_file* wrapped(sqlite3_file* file) {
        return reinterpret_cast<FaultVfs::File*>(file)->real;
    }
    static sqlite3_vfs* wrapped(sqlite3_vfs* vfs) { return owner(vfs)->previous_; }
    static const sqlite3_io_methods* methodsOf(sqlite3_file* real) { return real->pMethods; }
    static sqlite3_vfs* methodsOf(sqlite3_vfs* real) { return real; }

    template <typename Table, typename Method>
    struct Forward;
    template <typename Table, typename Result, typename Self, typename... Args>
    struct Forward<Table, Result (*)(Self*, Args...)> {
        template <Result (*Table::*method)(Self*, Args...)>
        static Result call(Self* self, Args... args) {
            Self* real = wrapped(self);
            return (methodsOf(real)->*method)(real, args...);
        }
        // Fails the call when armed to; a sync that need not reach the disk only
        // counts.
        template <Result (*Table::*method)(Self*, Args...), FaultVfs::Kind kind>
        static Result counted(Self* self, Args... args) {
            FaultVfs* vfs = owner(self);
            if (const int code = vfs->fault(kind)) {
                return code;
            }
            const Result rc = kind == FaultVfs::Kind::Sync && !vfs->syncsReachDisk_
                                  ? SQLITE_OK
                                  : call<method>(self, args...);
            vfs->passed(kind);
            return rc;
        }
    };
    template <typename Table, auto... methods>
    static void forward(Table& table) {
        ((table.*methods =
              Forward<Table,
                      std::remove_reference_t<decltype(table.*methods)>>::template call<methods>),
         ...);
    }
    template <auto method, FaultVfs::Kind kind>
    static void count(sqlite3_io_methods& table) {
        table.*method =
            Forward<sqlite3_io_methods, std::remove_reference_t<decltype(table.*method)>>::
                template counted<method, kind>;
    }
};

FaultVfs::FaultVfs() : vfs_(std::make_unique<sqlite3_vfs>()), previous_(sqlite3_vfs_find(nullptr)) {
    sqlite3_vfs& vfs = *vfs_;
    vfs = *previous_;
    vfs.iVersion = std::min(previous_->iVersion, 3);
    vfs.szOsFile = int(FaultVfsMethods::kRealOffset) + previous_->szOsFile;
    vfs.pNext = nullptr;
    vfs.zName = "questlog-fault-vfs";
    vfs.pAppData = this;
    vfs.xOpen = &FaultVfs::open;
    // The remaining methods take the vfs as first argument; the real ones must
    // get their own.
    using V = sqlite3_vfs;
    FaultVfsMethods::forward<V, &V::xDelete, &V::xAccess, &V::xFullPathname, &V::xDlOpen,
                             &V::xDlError, &V::xDlSym, &V::xDlClose, &V::xRandomness, &V::xSleep,
                             &V::xCurrentTime, &V::xGetLastError, &V::xCurrentTimeInt64,
                             &V::xSetSystemCall, &V::xGetSystemCall, &V::xNextSystemCall>(vfs);
    sqlite3_vfs_register(vfs_.get(), 1);
}

FaultVfs::~FaultVfs() {
    sqlite3_vfs_unregister(vfs_.get());
    sqlite3_vfs_register(previous_, 1);
}

void FaultVfs::arm(Kind kind, int n, int code, bool sticky) {
    disarm();
    armedAt_ = counts_[size_t(kind)].load() + n;
    armedCode_ = code;
    sticky_ = sticky;
    injected_ = 0;
    armedKind_ = int(kind);
}

void FaultVfs::disarm() {
    armedKind_ = -1;
}

FaultVfs::Counts FaultVfs::counts() const {
    Counts counts;
    for (int i = 0; i < kKinds; ++i) {
        counts.calls[size_t(i)] = counts_[size_t(i)].load();
    }
    return counts;
}

void FaultVfs::resetCounts() {
    disarm();
    for (std::atomic<int>& count : counts_) {
        count = 0;
    }
}

void FaultVfs::setObserver(std::function<void(Kind, int)> observer) {
    observer_ = std::move(observer);
}

QString FaultVfs::name(Kind kind) {
    static const char* const kNames[kKinds] = {"open", "write", "sync", "truncate"};
    return QString::fromLatin1(kNames[size_t(kind)]);
}

QString FaultVfs::Counts::description() const {
    QStringList parts;
    for (int i = 0; i < kKinds; ++i) {
        parts.append(u"%1s %2"_s.arg(name(Kind(i))).arg(calls[size_t(i)]));
    }
    return parts.join(u", "_s);
}

QList<FaultVfs::Fault> FaultVfs::table() {
    return {
        {Kind::Open, SQLITE_CANTOPEN, true}, {Kind::Open, SQLITE_IOERR, false},
        {Kind::Write, SQLITE_FULL, true},    {Kind::Write, SQLITE_IOERR_WRITE, false},
        {Kind::Sync, SQLITE_FULL, true},     {Kind::Sync, SQLITE_IOERR_FSYNC, false},
        {Kind::Truncate, SQLITE_FULL, true}, {Kind::Truncate, SQLITE_IOERR_TRUNCATE, false},
    };
}

QString FaultVfs::Fault::description(int n) const {
    return u"%1 #%2: %3 (%4)%5"_s.arg(name(kind))
        .arg(n)
        .arg(QString::fromUtf8(sqlite3_errstr(code)))
        .arg(code)
        .arg(sticky ? u", sticky"_s : QString());
}

std::string FaultVfs::Fault::testName() const {
    return (u"%1_%2%3"_s.arg(name(kind)).arg(code).arg(sticky ? u"_sticky"_s : QString()))
        .toStdString();
}

QList<int> FaultVfs::steps(int calls, int budget, quint32 seed) {
    QList<int> all;
    for (int n = 1; n <= calls; ++n) {
        all.append(n);
    }
    if (calls <= budget || qgetenv("QUESTLOG_FAULT_STEPS") == "all") {
        return all;
    }
    // The ends are where a transaction begins and commits; keep them all.
    const int ends = std::min(budget / 4, 8);
    QList<int> chosen = all.mid(0, ends) + all.mid(calls - ends);
    QList<int> middle = all.mid(ends, calls - 2 * ends);
    QRandomGenerator random(seed);
    while (chosen.size() < budget && !middle.isEmpty()) {
        chosen.append(middle.takeAt(qsizetype(random.bounded(quint32(middle.size())))));
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

int FaultVfs::fault(Kind kind) {
    const int count = ++counts_[size_t(kind)];
    const int at = armedAt_.load();
    if (armedKind_.load() == int(kind) && (count == at || (sticky_.load() && count > at))) {
        ++injected_;
        return armedCode_.load();
    }
    return 0;
}

void FaultVfs::passed(Kind kind) const {
    if (observer_) {
        observer_(kind, counts_[size_t(kind)].load());
    }
}

int FaultVfs::open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                   int* outFlags) {
    FaultVfs* self = FaultVfsMethods::owner(vfs);
    File* wrapper = reinterpret_cast<File*>(file);
    wrapper->base.pMethods = nullptr;  // SQLite closes nothing after a failed open
    wrapper->owner = self;
    wrapper->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) +
                                                    FaultVfsMethods::kRealOffset);
    wrapper->real->pMethods = nullptr;
    if (const int code = self->fault(Kind::Open)) {
        return code;
    }
    const int rc = self->previous_->xOpen(self->previous_, name, wrapper->real, flags, outFlags);
    if (wrapper->real->pMethods) {
        // The real file must be closed even after a failed open, so ours is set up
        // either way. Of the wrapped file's version, so SQLite asks for shared
        // memory (write-ahead log) and memory mapping exactly when the real file
        // offers them.
        using M = sqlite3_io_methods;
        M& methods = wrapper->methods;
        methods = M{};
        methods.iVersion = wrapper->real->pMethods->iVersion;
        FaultVfsMethods::count<&M::xWrite, Kind::Write>(methods);
        FaultVfsMethods::count<&M::xTruncate, Kind::Truncate>(methods);
        FaultVfsMethods::count<&M::xSync, Kind::Sync>(methods);
        FaultVfsMethods::forward<M, &M::xClose, &M::xRead, &M::xFileSize, &M::xLock, &M::xUnlock,
                                 &M::xCheckReservedLock, &M::xFileControl, &M::xSectorSize,
                                 &M::xDeviceCharacteristics, &M::xShmMap, &M::xShmLock,
                                 &M::xShmBarrier, &M::xShmUnmap, &M::xFetch, &M::xUnfetch>(methods);
        wrapper->base.pMethods = &methods;
    }
    if (rc == SQLITE_OK) {
        self->passed(Kind::Open);
    }
    return rc;
}
