// Child of the kill test: merges a catalogue update file into the store as the daily update
// does, or installs a catalogue file into an empty store as the first start does (a large
// addition, which goes through the rollback journal instead of the log). Its progress is counted in
// steps (every write and sync); given a step, it stops there, says so and waits for a byte on
// standard input, so the parent can let it go on and kill it a chosen moment later, inside the
// merge. After the merge it waits to be killed.
//   questlog_merge_crash_child <store path> <catalogue file> merge|install <stop at, 0: never>
//   "at <step>"                   stopped at that step
//   "saved <steps> <writes> <syncs> <µs>" the merge is in the file
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FaultVfs.h"
#include "FileFunctions.h"
#include "TestStore.h"
#include "UpdateController.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        return 2;
    }
    const QString text = FileFunctions::getStringFileValue(QString::fromUtf8(argv[2]));
    if (text.isEmpty()) {
        return 3;
    }
    // Counts the calls only; it injects nothing. A kill loses nothing the page cache holds, so
    // the disk need not be waited for.
    FaultVfs vfs;
    vfs.setSyncsReachDisk(false);
    TestStore store(QString::fromUtf8(argv[1]));
    UpdateController controller(store.context.get(), store.model.get());
    const bool merge = std::strcmp(argv[3], "merge") == 0;
    if (!store.opened || (merge && controller.getGameCountFromEntity() <= 0)) {
        return 4;
    }
    vfs.resetCounts();
    const int stopAt = std::atoi(argv[4]);
    int steps = 0;
    vfs.setObserver([&](FaultVfs::Kind kind, int) {
        if ((kind == FaultVfs::Kind::Sync || kind == FaultVfs::Kind::Write) && ++steps == stopAt) {
            std::printf("at %d\n", steps);
            std::fflush(stdout);
            char go;
            if (read(STDIN_FILENO, &go, 1) != 1) {
                std::_Exit(6);
            }
        }
    });
    QElapsedTimer timer;
    timer.start();
    controller.addGamesToEntityFromUpdateFileReturnReportYMD(text, merge);
    if (store.context->hasChanges()) {
        return 5;
    }
    vfs.setObserver(nullptr);
    const FaultVfs::Counts counts = vfs.counts();
    std::printf("saved %d %d %d %lld\n", steps, counts.of(FaultVfs::Kind::Write),
                counts.of(FaultVfs::Kind::Sync),
                static_cast<long long>(timer.nsecsElapsed() / 1000));
    std::fflush(stdout);
    // The parent kills it here too, with the store still open, as after any merge.
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
    return 0;
}
