// Child of the merge kill test: merges a catalogue update file into the store as the daily
// update does, reporting on standard output how far the writes have got so the parent can kill
// it at a chosen moment inside them; then waits to be killed.
//   questlog_merge_crash_child <store path> <update file>
//   "loaded"       the store is read; the merge begins
//   "w <n>" "s <n>" the n-th write or sync of the merge has been made
//   "saved <w> <s> <µs>" the merge is in the file: writes, syncs and time it took
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <unistd.h>

#include "FaultVfs.h"
#include "TestStore.h"
#include "UpdateController.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        return 2;
    }
    QFile update(QString::fromUtf8(argv[2]));
    if (!update.open(QIODevice::ReadOnly)) {
        return 3;
    }
    const QString text = QString::fromUtf8(update.readAll());
    // Counts the calls only; it injects nothing. A kill loses nothing the page cache holds, so
    // the disk need not be waited for.
    FaultVfs vfs;
    vfs.setSyncsReachDisk(false);
    TestStore store(QString::fromUtf8(argv[1]));
    UpdateController controller(store.context.get(), store.model.get());
    if (!store.opened || controller.getGameCountFromEntity() <= 0) {
        return 4;
    }
    std::fputs("loaded\n", stdout);
    std::fflush(stdout);
    vfs.resetCounts();
    vfs.setObserver([](FaultVfs::Kind kind, int n) {
        // Every write would flood the pipe; every eighth is fine enough.
        if (kind == FaultVfs::Kind::Sync || (kind == FaultVfs::Kind::Write && n % 8 == 0)) {
            std::printf("%c %d\n", kind == FaultVfs::Kind::Sync ? 's' : 'w', n);
            std::fflush(stdout);
        }
    });
    QElapsedTimer timer;
    timer.start();
    controller.addGamesToEntityFromUpdateFileReturnReportYMD(text, true);
    if (store.context->hasChanges()) {
        return 5;
    }
    vfs.setObserver(nullptr);
    const FaultVfs::Counts counts = vfs.counts();
    std::printf("saved %d %d %lld\n", counts.of(FaultVfs::Kind::Write),
                counts.of(FaultVfs::Kind::Sync), static_cast<long long>(timer.nsecsElapsed() / 1000));
    std::fflush(stdout);
    // The parent kills it here too, with the store still open, as after any merge.
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
