#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "MarksFile.h"

class Game;
class ManagedObjectContext;
struct StoreError;

// The user's marks (own score, wished, played) are the one thing in the store that cannot be
// downloaded again. This takes them out to a file the user keeps and brings them back, and keeps
// the automatic backups written before every step that rewrites the store, from which a store
// lost to damage gets its marks back. Borrows the context; main thread only, like the context.
class MarksKeeper {
public:
    enum class Outcome { Done, BadInput, StoreFailed };
    struct Result {
        Outcome outcome = Outcome::Done;
        QString message;  // for the user: what was done, or what went wrong
        int games = 0;    // written, or found in this catalogue and given the file's marks
        int unknown = 0;  // not in this catalogue, kept in the side file
    };

    static constexpr int kBackupsKept = 10;
    static inline const QString kBackupFolderName = QStringLiteral("backups");
    // Where the marks of games an import did not find are kept, in the data home.
    static inline const QString kUnmatchedFileName = QStringLiteral("import-unmatched.json");

    explicit MarksKeeper(ManagedObjectContext* context);

    // Every game with a score above 0, wished or played, in store order; nothing when the
    // store cannot be read.
    std::optional<MarksFile> currentMarks(StoreError* error) const;

    // Writes the marks held now to `path` in the format its name says, atomically.
    Result exportToFile(const QString& path) const;
    // Reads a list in either format and merges it by id: the file's marks win, games not in
    // the catalogue go to the side file. A backup comes first (no backup, no import); one
    // save; the list refreshes. A file that is not sound changes nothing.
    Result importFromFile(const QString& path);

    // Writes the marks held now to backups/marks-<yyyy-MM-dd-HHmmss>.json before `step`
    // ("install", "update", "import"), keeping the last kBackupsKept. Nothing is written when
    // no game has a mark, nor when the marks are those of the newest backup, so that a store
    // started again from nothing, or days without changes, never push the useful ones out.
    // The backup that holds the marks, or null when none was needed or it failed (logged, and
    // said in `failed`).
    QString backUp(const QString& step, bool* failed = nullptr) const;
    // Gives the store the marks of the newest backup that can be read (games not in the
    // catalogue are left in it). BadInput when there is none.
    Result restoreFromNewestBackup();

    static QString backupFolderPath();
    // Full paths, oldest first.
    static QStringList backupPaths();

private:
    // Gives the games of the file their marks and saves once.
    Result merge(const MarksFile& file, bool keepUnmatched);
    void keepInSideFile(const QList<MarksFile::Entry>& unmatched, const QSet<QString>& found);
    static bool setMarks(Game* game, const MarksFile::Entry& marks);

    ManagedObjectContext* context_;
};
