#pragma once

#include <sqlite3.h>

#include <QDir>
#include <QStringList>
#include <memory>

#include "FetchRequest.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "TestStore.h"

// The store file inside the test's own data home.
inline QString storePath() {
    return QDir(qEnvironmentVariable("QUESTLOG_HOME")).filePath(QStringLiteral("Questlog3.sqlite"));
}

inline FetchRequest gameRequest(std::optional<Predicate> predicate = std::nullopt,
                                const QList<SortDescriptor>& sorts = {}) {
    FetchRequest request;
    request.setEntityName(QStringLiteral("Game"));
    request.setPredicate(std::move(predicate));
    request.setSortDescriptors(sorts);
    return request;
}

inline QStringList titlesOf(const QList<Game*>& games) {
    QStringList titles;
    for (const Game* game : games) {
        titles.append(game->title());
    }
    return titles;
}

inline QStringList fetchTitles(ManagedObjectContext& context,
                               std::optional<Predicate> predicate = std::nullopt,
                               const QList<SortDescriptor>& sorts = {}) {
    StoreError error;
    const auto games =
        context.executeFetchRequest(gameRequest(std::move(predicate), sorts), &error);
    return games ? titlesOf(*games) : QStringList{QStringLiteral("<fetch failed>")};
}

// A second, raw connection to the same file: what another program (or a fault) does behind
// the store's back.
class RawDatabase {
public:
    explicit RawDatabase(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr);
        sqlite3_busy_timeout(db_, 2000);
    }
    ~RawDatabase() { sqlite3_close_v2(db_); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    bool exec(const char* sql) {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    // The first column of the first row as text; null when there is no row or it fails.
    QString scalar(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        QString result;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW &&
            sqlite3_column_type(statement, 0) != SQLITE_NULL) {
            result =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        }
        sqlite3_finalize(statement);
        return result;
    }

private:
    sqlite3* db_ = nullptr;
};
