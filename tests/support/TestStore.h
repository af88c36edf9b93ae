#pragma once

#include <QDateTime>
#include <QString>
#include <memory>

#include "FetchRequest.h"
#include "FileFunctions.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SortDescriptor.h"
#include "StoreError.h"

// A store chain over a file in the test's data home, built the way the application builds it.
class TestStore {
public:
    explicit TestStore(const QString& fileName = QStringLiteral("Questlog3.sqlite"))
        : model(ManagedObjectModel::mergedModelFromBundles()),
          coordinator(std::make_unique<PersistentStoreCoordinator>(model.get())),
          context(std::make_unique<ManagedObjectContext>()) {
        StoreError error;
        opened = coordinator->addPersistentStoreWithType(
            FileFunctions::getPathForDocumentDirectoryResource(fileName), &error);
        context->setPersistentStoreCoordinator(coordinator.get());
    }

    // A new game with the fields most queries look at.
    Game* add(const QString& title, const QDateTime& releaseDate = {},
              std::optional<float> scoreDisplay = std::nullopt) {
        Game* game = context->insertNewGame();
        game->setTitle(title);
        game->setReleaseDate(releaseDate);
        game->setScoreDisplay(scoreDisplay);
        return game;
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
};
