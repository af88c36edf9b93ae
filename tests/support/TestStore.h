#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

#include "CapturedConsole.h"
#include "FetchRequest.h"
#include "FileFunctions.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SortDescriptor.h"
#include "SqliteConnection.h"
#include "SqliteTransaction.h"
#include "StoreError.h"

// A store chain (model, coordinator, context) over one store file, built the way the
// application builds it: by default the store of the test's data home; ":memory:" for one
// that lives only as long as the object. The one store fixture of the tests.
class TestStore {
public:
    explicit TestStore(const QString& path = homeStorePath())
        : model(ManagedObjectModel::mergedModelFromBundles()),
          coordinator(std::make_unique<PersistentStoreCoordinator>(model.get())),
          context(std::make_unique<ManagedObjectContext>()) {
        opened = coordinator->addPersistentStoreWithType(path, &openError);
        context->setPersistentStoreCoordinator(coordinator.get());
    }

    // A file of that name in the test's data home.
    static QString homeFile(const QString& fileName) {
        return FileFunctions::getPathForDocumentDirectoryResource(fileName);
    }
    static QString homeStorePath() { return homeFile(QStringLiteral("Questlog3.sqlite")); }

    // A new game with the fields most queries look at.
    Game* add(const QString& title, const QDateTime& releaseDate = {},
              std::optional<float> scoreDisplay = std::nullopt) {
        Game* game = context->insertNewGame();
        game->setTitle(title);
        game->setReleaseDate(releaseDate);
        game->setScoreDisplay(scoreDisplay);
        return game;
    }

    // Runs `action` while another connection holds the store file's write lock, so that every
    // save fails, and answers what it wrote to the log; "<not locked>" when the lock was not had.
    static QString logWhileLocked(const std::function<void()>& action,
                                  const QString& path = homeStorePath()) {
        SqliteConnection other(path);
        SqliteTransaction lock(other, SqliteTransaction::Mode::Exclusive);
        if (!lock.isActive()) {
            return QStringLiteral("<not locked>");
        }
        CapturedConsole captured;
        action();
        return captured.text();
    }

    // Every game held, saved or not, in title order; empty when the store cannot be read.
    QList<Game*> gamesByTitle() {
        FetchRequest request;
        request.setEntityName(QStringLiteral("Game"));
        request.setSortDescriptors({SortDescriptor(QStringLiteral("title"), true)});
        return context->executeFetchRequest(request, nullptr).value_or(QList<Game*>());
    }

    std::shared_ptr<ManagedObjectModel> model;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;
    bool opened = false;
    StoreError openError;
};
