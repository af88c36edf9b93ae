// Child of the durability test: marks every game of the store and saves, announcing the save
// on standard output so the parent can kill it while the transaction is under way.
//   questlog_store_crash_child <store path> <marker>
#include <QElapsedTimer>
#include <cstdio>

#include "StoreTestSupport.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    OpenStore store(QString::fromUtf8(argv[1]));
    const QString marker = QString::fromUtf8(argv[2]);
    const auto games = store.context.executeFetchRequest(gameRequest(), nullptr);
    if (!games) {
        return 3;
    }
    for (Game* game : *games) {
        game->setMyReview(marker);
        game->setScoreUsers(float(marker.size()));
    }
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    if (!store.context.save(nullptr)) {
        return 4;
    }
    std::printf("saved %lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000));
    std::fflush(stdout);
    return 0;
}
