#include "MarksCommand.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <cstdio>

#include "FileFunctions.h"
#include "LaunchOptions.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "MarksKeeper.h"
#include "PersistentStoreCoordinator.h"
#include "Questlog3AppDelegate.h"
#include "SingleInstance.h"
#include "StoreError.h"
#include "UpdateController.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int fail(int status, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
    return status;
}

bool programIsRunning() {
    QLocalSocket socket;
    socket.connectToServer(SingleInstance::serverName(Questlog3AppDelegate::instanceKey()));
    return socket.waitForConnected(1000);
}

}  // namespace

int MarksCommand::run(const LaunchOptions& options) {
    const bool importing = !options.importPath().isEmpty();
    if (importing && programIsRunning()) {
        return fail(StoreFailed,
                    u"the program is running on this data home; quit it before "
                    u"importing"_s);
    }
    const std::shared_ptr<ManagedObjectModel> model = ManagedObjectModel::mergedModelFromBundles();
    PersistentStoreCoordinator coordinator(model.get());
    const QString storePath = FileFunctions::getPathForDocumentDirectoryResource(
        QString::fromLatin1(Questlog3AppDelegate::kStoreFileName));
    StoreError error;
    if (!coordinator.addPersistentStoreWithType(storePath, &error)) {
        return fail(StoreFailed,
                    u"the store %1 cannot be opened (%2); starting the program "
                    u"once sets it right"_s.arg(storePath, error.message));
    }
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(&coordinator);
    MarksKeeper keeper(&context);
    MarksKeeper::Result result;
    if (importing) {
        UpdateController controller(&context, model.get());
        if (controller.getLastUpdateYMD().size() != 10) {
            controller.startBundleFileInstall();
        }
        result = keeper.importFromFile(options.importPath());
    } else {
        result = keeper.exportToFile(options.exportPath());
    }
    switch (result.outcome) {
        case MarksKeeper::Outcome::Done:
            std::printf("%s\n", qPrintable(result.message));
            if (result.unknown > 0) {
                std::printf("Their marks are kept in %s\n",
                            qPrintable(FileFunctions::getPathForDocumentDirectoryResource(
                                MarksKeeper::kUnmatchedFileName)));
            }
            return Done;
        case MarksKeeper::Outcome::BadInput:
            return fail(BadInput, result.message);
        case MarksKeeper::Outcome::StoreFailed:
            break;
    }
    return fail(StoreFailed, result.message);
}
