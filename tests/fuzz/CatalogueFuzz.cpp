// Catalogue files as the install and the daily update read them, into a store in memory.
// The first byte picks the path: even installs the text into an empty store; odd installs it,
// marks every game wished, and applies the same text again as an update, which must keep every
// mark and add a record only for a row it cannot match to exactly one game.
#include <QHash>
#include <QSet>

#include "CatalogueFileReader.h"
#include "FetchRequest.h"
#include "FuzzTarget.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "StoreError.h"
#include "UpdateController.h"

FUZZ_WITH_CORE_APPLICATION()

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    const bool update = data[0] & 1;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    auto model = ManagedObjectModel::mergedModelFromBundles();
    PersistentStoreCoordinator coordinator(model.get());
    StoreError error;
    FUZZ_CHECK(coordinator.addPersistentStoreWithType(QStringLiteral(":memory:"), &error));
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(&coordinator);
    UpdateController controller(&context, model.get());
    const QString reportYMD = controller.addGamesToEntityFromUpdateFileReturnReportYMD(text, false);
    if (!update) {
        return 0;
    }

    FetchRequest all;
    all.setEntityName(QStringLiteral("Game"));
    const QList<Game*> installed = context.executeFetchRequest(all, nullptr).value();
    QHash<QString, int> gamesById;
    for (Game* game : installed) {
        game->setMyIsWished(1);
        ++gamesById[game->idCriticon()];
    }
    // What the update cannot match: rows without an id, and ids that name no game or several.
    qsizetype unmatched = 0;
    QSet<QString> unmatchedKeys;
    CatalogueFileReader reader(text);
    for (CatalogueRow row; reader.next(row);) {
        if (row.key.isEmpty()) {
            ++unmatched;
        } else if (gamesById.value(row.key) != 1) {
            unmatchedKeys.insert(row.key);
        }
    }

    FUZZ_CHECK(controller.addGamesToEntityFromUpdateFileReturnReportYMD(text, true) == reportYMD);
    const QList<Game*> updated = context.executeFetchRequest(all, nullptr).value();
    for (Game* game : installed) {
        FUZZ_CHECK(game->myIsWished() == 1);
    }
    FUZZ_CHECK(updated.size() == installed.size() + unmatched + unmatchedKeys.size());
    return 0;
}
