// The predicate format language on any text, with a string and a number for its "%@"s (the
// first byte says which comes first). A format that parses must describe itself as a format
// that parses to the same description and the same answers on two records.

#include "FuzzTarget.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"

FUZZ_WITH_CORE_APPLICATION()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    static ManagedObjectContext context;
    static Game* const empty = context.insertNewGame();
    static Game* const full = [] {
        Game* game = context.insertNewGame();
        game->setTitle(QStringLiteral("Caf\u00e9 \"Racer\" \\ 2"));
        game->setGenreCode(QStringLiteral("ACTION"));
        game->setScoreCritic(4.5f);
        game->setMyIsWished(1);
        game->setReleaseDate(QDateTime::fromMSecsSinceEpoch(1262304000000));
        return game;
    }();

    const QString format =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    QVariantList arguments;
    for (qsizetype i = 0, n = std::min<qsizetype>(format.count(QStringLiteral("%@")), 16); i < n;
         ++i) {
        arguments << ((i + data[0]) % 2 ? QVariant(QStringLiteral("r\u00e9\"x")) : QVariant(2.5));
    }
    const Predicate predicate = Predicate::predicateWithFormat(format, arguments);
    if (!predicate.isValid()) {
        FUZZ_CHECK(!predicate.errorString().isEmpty() && !predicate.evaluateWithObject(full));
        return 0;
    }
    const Predicate again = Predicate::predicateWithFormat(predicate.description());
    FUZZ_CHECK(again.isValid() && again.description() == predicate.description());
    for (const Game* game : {empty, full}) {
        FUZZ_CHECK(again.evaluateWithObject(game) == predicate.evaluateWithObject(game));
    }
    predicate.requiredStringEquality();
    return 0;
}
