#include "FaultVfs.h"

#include <sqlite3.h>

#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

// Our wrapper of one open file; the wrapped file of the real file system follows it in the
// same allocation SQLite makes for szOsFile bytes.
struct FaultVfs::File {
    sqlite3_file base;
    sqlite3_io_methods methods;
    sqlite3_file* real;
    FaultVfs* owner;
};

// The io methods of our files: they forward to the wrapped file, and the counted ones ask the
// owner first whether to fail.
struct FaultVfsMethods {
    static constexpr size_t kRealOffset = (sizeof(FaultVfs::File) + 15) & ~size_t(15);

    static FaultVfs::File* of(sqlite3_file* file) {
        return reinterpret_cast<FaultVfs::File*>(file);
    }
    // The wrapped file or file system, and where its methods are.
    static sqlite3_file* wrapped(sqlite3_file* file) { return of(file)->real; }
    static sqlite3_vfs* wrapped(sqlite3_vfs* vfs) {
        return static_cast<FaultVfs*>(vfs->pAppData)->previous_;
    }
    static const sqlite3_io_methods* methodsOf(sqlite3_file* real) { return real->pMethods; }
    static sqlite3_vfs* methodsOf(sqlite3_vfs* real) { return real; }

    static int close(sqlite3_file* file) {
        sqlite3_file* real = wrapped(file);
        return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    }
    static int write(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset);
    static int truncate(sqlite3_file* file, sqlite3_int64 size);
    static int sync(sqlite3_file* file, int flags);
    static void fill(sqlite3_io_methods* methods, int version);

    // Counts the call; fails it when armed to, else makes it through `call` on the real file.
    template <typename Call>
    static int counted(sqlite3_file* file, FaultVfs::Kind kind, const Call& call);
};

namespace {

// A method of `Table` that hands the call on to the wrapped object's own.
template <typename Table, typename Method>
struct Forward;
template <typename Table, typename Result, typename Self, typename... Args>
struct Forward<Table, Result (*)(Self*, Args...)> {
    template <Result (*Table::*method)(Self*, Args...)>
    static Result call(Self* self, Args... args) {
        Self* real = FaultVfsMethods::wrapped(self);
        return (FaultVfsMethods::methodsOf(real)->*method)(real, args...);
    }
};
#define FORWARD(Table, target, method) \
    (target).method = Forward<Table, decltype(Table::method)>::call<&Table::method>

}  // namespace

// A table of our methods of the same version as the wrapped file's, so SQLite asks for shared
// memory (write-ahead log) and memory mapping exactly when the real file offers them.
void FaultVfsMethods::fill(sqlite3_io_methods* methods, int version) {
    *methods = sqlite3_io_methods{};
    methods->iVersion = version;
    methods->xClose = close;
    methods->xWrite = write;
    methods->xTruncate = truncate;
    methods->xSync = sync;
    FORWARD(sqlite3_io_methods, *methods, xRead);
    FORWARD(sqlite3_io_methods, *methods, xFileSize);
    FORWARD(sqlite3_io_methods, *methods, xLock);
    FORWARD(sqlite3_io_methods, *methods, xUnlock);
    FORWARD(sqlite3_io_methods, *methods, xCheckReservedLock);
    FORWARD(sqlite3_io_methods, *methods, xFileControl);
    FORWARD(sqlite3_io_methods, *methods, xSectorSize);
    FORWARD(sqlite3_io_methods, *methods, xDeviceCharacteristics);
    FORWARD(sqlite3_io_methods, *methods, xShmMap);
    FORWARD(sqlite3_io_methods, *methods, xShmLock);
    FORWARD(sqlite3_io_methods, *methods, xShmBarrier);
    FORWARD(sqlite3_io_methods, *methods, xShmUnmap);
    FORWARD(sqlite3_io_methods, *methods, xFetch);
    FORWARD(sqlite3_io_methods, *methods, xUnfetch);
}

FaultVfs::FaultVfs() : vfs_(std::make_unique<sqlite3_vfs>()), previous_(sqlite3_vfs_find(nullptr)) {
    sqlite3_vfs& vfs = *vfs_;
    // Everything but xOpen goes straight to the real file system.
    vfs = *previous_;
    vfs.iVersion = std::min(previous_->iVersion, 3);
    vfs.szOsFile = int(FaultVfsMethods::kRealOffset) + previous_->szOsFile;
    vfs.pNext = nullptr;
    vfs.zName = "questlog-fault-vfs";
    vfs.pAppData = this;
    vfs.xOpen = &FaultVfs::open;
    // The remaining methods take the vfs as first argument; the real ones must get their own.
    FORWARD(sqlite3_vfs, vfs, xDelete);
    FORWARD(sqlite3_vfs, vfs, xAccess);
    FORWARD(sqlite3_vfs, vfs, xFullPathname);
    FORWARD(sqlite3_vfs, vfs, xDlOpen);
    FORWARD(sqlite3_vfs, vfs, xDlError);
    FORWARD(sqlite3_vfs, vfs, xDlSym);
    FORWARD(sqlite3_vfs, vfs, xDlClose);
    FORWARD(sqlite3_vfs, vfs, xRandomness);
    FORWARD(sqlite3_vfs, vfs, xSleep);
    FORWARD(sqlite3_vfs, vfs, xCurrentTime);
    FORWARD(sqlite3_vfs, vfs, xCurrentTimeInt64);
    FORWARD(sqlite3_vfs, vfs, xSetSystemCall);
    FORWARD(sqlite3_vfs, vfs, xGetSystemCall);
    FORWARD(sqlite3_vfs, vfs, xNextSystemCall);
    vfs.xGetLastError = [](sqlite3_vfs* self, int size, char* out) {
        sqlite3_vfs* real = FaultVfsMethods::wrapped(self);
        return real->xGetLastError ? real->xGetLastError(real, size, out) : 0;
    };
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
    if (armedKind_.load() != int(kind)) {
        return 0;
    }
    const int at = armedAt_.load();
    if (count == at || (sticky_.load() && count > at)) {
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
    auto* self = static_cast<FaultVfs*>(vfs->pAppData);
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
        // The real file must be closed even after a failed open, so ours is set up either way.
        FaultVfsMethods::fill(&wrapper->methods, wrapper->real->pMethods->iVersion);
        wrapper->base.pMethods = &wrapper->methods;
    }
    if (rc == SQLITE_OK) {
        self->passed(Kind::Open);
    }
    return rc;
}

template <typename Call>
int FaultVfsMethods::counted(sqlite3_file* file, FaultVfs::Kind kind, const Call& call) {
    FaultVfs* owner = of(file)->owner;
    if (const int code = owner->fault(kind)) {
        return code;
    }
    const int rc = call(wrapped(file));
    owner->passed(kind);
    return rc;
}

int FaultVfsMethods::write(sqlite3_file* file, const void* buffer, int amount,
                           sqlite3_int64 offset) {
    return counted(file, FaultVfs::Kind::Write, [&](sqlite3_file* real) {
        return real->pMethods->xWrite(real, buffer, amount, offset);
    });
}

int FaultVfsMethods::truncate(sqlite3_file* file, sqlite3_int64 size) {
    return counted(file, FaultVfs::Kind::Truncate,
                   [&](sqlite3_file* real) { return real->pMethods->xTruncate(real, size); });
}

int FaultVfsMethods::sync(sqlite3_file* file, int flags) {
    const bool reachDisk = of(file)->owner->syncsReachDisk_;
    return counted(file, FaultVfs::Kind::Sync, [&](sqlite3_file* real) {
        return reachDisk ? real->pMethods->xSync(real, flags) : SQLITE_OK;
    });
}
