// Child of the durability test: marks every game of the store and saves, or with a count adds
// that many new games carrying the marker and saves; announces the save on standard output so
// the parent can kill it while the transaction is under way.
//   questlog_store_crash_child <store path> <marker> [<games to add>]
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "StoreTestSupport.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        return 2;
    }
    TestStore store(QString::fromUtf8(argv[1]));
    const QString marker = QString::fromUtf8(argv[2]);
    // A store that cannot be read leaves nothing marked, which the parent sees.
    const QList<Game*> games =
        store.context->executeFetchRequest(gameRequest(), nullptr).value_or(QList<Game*>());
    if (argc == 4) {
        for (int i = std::atoi(argv[3]); i > 0; --i) {
            Game* game = store.context->insertNewGame();
            game->setTitle(QStringLiteral("Added game %1 with a title of ordinary length").arg(i));
            game->setGameDescription(QString(300, QChar(u'a' + i % 26)));
            game->setMyReview(marker);
        }
    } else {
        for (Game* game : games) {
            game->setMyReview(marker);
            game->setScoreUsers(float(marker.size()));
        }
    }
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    if (!store.context->save(nullptr)) {
        return 4;
    }
    std::printf("saved %lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000));
    std::fflush(stdout);
    return 0;
}
