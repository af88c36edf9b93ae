#include "MarksKeeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>
#include <QRegularExpression>
#include <QSet>

#include "Clock.h"
#include "FetchRequest.h"
#include "FileFunctions.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "Model.h"
#include "MyLog.h"
#include "NotificationCenter.h"
#include "StoreError.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString gamesText(int count) {
    return count == 1 ? u"1 game"_s : u"%1 games"_s.arg(count);
}

QList<Game*> allGames(ManagedObjectContext* context, StoreError* error) {
    FetchRequest request;
    request.setEntityName(u"Game"_s);
    return context ? context->executeFetchRequest(request, error).value_or(QList<Game*>())
                   : QList<Game*>();
}

// The list in a file, or nothing with the reason.
std::optional<MarksFile> readFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"it cannot be read (%1)"_s.arg(file.errorString());
        return std::nullopt;
    }
    // No more than one byte past the largest list is read: a huge file is surely no list.
    return MarksFile::fromBytes(file.read(MarksFile::kMaxBytes + 1), error);
}

// What follows the export date, which differs between two backups of the same marks.
QByteArrayView marksPart(const QByteArray& json) {
    const qsizetype games = json.indexOf("\"games\":");
    return games < 0 ? QByteArrayView() : QByteArrayView(json).sliced(games);
}

struct Backup {
    QString stamp;
    int sequence;  // 1, 2… for backups of the same second
    QString path;
};

// Oldest first.
QList<Backup> backups() {
    static const QRegularExpression name(
        u"^marks-(\\d{4}-\\d\\d-\\d\\d-\\d{6})(?:-(\\d+))?\\.json$"_s);
    QList<Backup> found;
    const QString folder = MarksKeeper::backupFolderPath();
    for (const QString& entry :
         FileFunctions::getDirectoryContentsAtPath(folder).value_or(QStringList())) {
        const QRegularExpressionMatch match = name.match(entry);
        if (match.hasMatch()) {
            found.append(
                {match.captured(1), std::max(1, match.captured(2).toInt()), folder + u'/' + entry});
        }
    }
    std::ranges::sort(found, [](const Backup& a, const Backup& b) {
        return std::tie(a.stamp, a.sequence) < std::tie(b.stamp, b.sequence);
    });
    return found;
}

}  // namespace

MarksKeeper::MarksKeeper(ManagedObjectContext* context) : context_(context) {}

std::optional<MarksFile> MarksKeeper::currentMarks(StoreError* error) const {
    StoreError failure;
    const QList<Game*> games = allGames(context_, &failure);
    if (!context_ || failure.code != StoreError::NoError) {
        if (error) {
            *error = failure;
        }
        return std::nullopt;
    }
    MarksFile file;
    file.platform = Model::instanceOf()->platformCode();
    file.exported = Clock::now();
    for (Game* game : games) {
        const bool wished = game->myIsWished().value_or(0) != 0;
        const bool played = game->myIsPlayed().value_or(0) != 0;
        if (game->myScore().value_or(0) > 0 || wished || played) {
            file.games.append({.id = game->idCriticon(),
                               .title = game->title(),
                               .myScore = game->myScore(),
                               .wished = wished,
                               .played = played});
        }
    }
    return file;
}

MarksKeeper::Result MarksKeeper::exportToFile(const QString& path) const {
    const QString name = QFileInfo(path).fileName();
    StoreError error;
    const std::optional<MarksFile> marks = currentMarks(&error);
    if (!marks) {
        return {Outcome::StoreFailed,
                u"Could not export: the store cannot be read (%1)"_s.arg(error.message)};
    }
    QString failure;
    if (!FileFunctions::writeFileAtPath(path, marks->toBytes(MarksFile::formatForPath(path)),
                                        &failure)) {
        return {Outcome::BadInput, u"Could not export to %1: %2"_s.arg(name, failure)};
    }
    return {Outcome::Done, u"Exported %1 to %2"_s.arg(gamesText(int(marks->games.size())), name),
            int(marks->games.size())};
}

MarksKeeper::Result MarksKeeper::importFromFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QString reason;
    std::optional<MarksFile> file = readFile(path, &reason);
    const QString platform = Model::instanceOf()->platformCode();
    if (file && !file->platform.isEmpty() && file->platform != platform) {
        reason =
            u"it is a list for the %1 catalogue, not the %2 one"_s.arg(file->platform, platform);
        file.reset();
    }
    if (!file) {
        return {Outcome::BadInput, u"Could not import %1: %2"_s.arg(name, reason)};
    }
    // The marks the file would overwrite must be safe first.
    bool failed = false;
    backUp(u"import"_s, &failed);
    if (failed) {
        return {Outcome::StoreFailed,
                u"Could not import %1: the marks held now could not be backed up first, so "
                u"nothing was changed"_s.arg(name)};
    }
    return merge(*file, true);
}

MarksKeeper::Result MarksKeeper::merge(const MarksFile& file, bool keepUnmatched) {
    StoreError error;
    const QList<Game*> games = allGames(context_, &error);
    if (!context_ || error.code != StoreError::NoError) {
        return {Outcome::StoreFailed, u"The store cannot be read (%1)"_s.arg(error.message)};
    }
    QMultiHash<QString, Game*> byId;
    byId.reserve(games.size());
    for (Game* game : games) {
        if (!game->idCriticon().isEmpty()) {
            byId.insert(game->idCriticon(), game);
        }
    }
    QSet<QString> found;
    QHash<QString, qsizetype> unmatchedAt;
    QList<MarksFile::Entry> unmatched;
    bool changed = false;
    // A game listed twice takes its last marks.
    for (const MarksFile::Entry& entry : file.games) {
        auto [it, end] = byId.equal_range(entry.id);
        if (it == end) {
            if (const auto at = unmatchedAt.constFind(entry.id); at != unmatchedAt.cend()) {
                unmatched[*at] = entry;
            } else {
                unmatchedAt.insert(entry.id, unmatched.size());
                unmatched.append(entry);
            }
            continue;
        }
        found.insert(entry.id);
        for (; it != end; ++it) {
            changed |= setMarks(*it, entry);
        }
    }
    // The list shows the marks held, saved or not: a failed save keeps them for the next one.
    if (changed) {
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
    }
    Result result{Outcome::Done, QString(), int(found.size()), int(unmatched.size())};
    if (!context_->save(&error)) {
        return {Outcome::StoreFailed, u"The marks could not be saved (%1)"_s.arg(error.message),
                result.games, result.unknown};
    }
    if (keepUnmatched && (!unmatched.isEmpty() || !found.isEmpty())) {
        keepInSideFile(unmatched, found);
    }
    result.message = u"Imported %1"_s.arg(gamesText(result.games));
    if (result.unknown > 0) {
        result.message += u"; %1 not in this catalogue"_s.arg(result.unknown);
    }
    return result;
}

bool MarksKeeper::setMarks(Game* game, const MarksFile::Entry& marks) {
    bool changed = false;
    // No score and a score of 0 both show the critics' score.
    if (game->myScore().value_or(0) != marks.myScore.value_or(0) ||
        (marks.myScore && !game->myScore())) {
        game->setMyScore(marks.myScore);
        game->setScoreDisplay(marks.myScore.value_or(0) > 0 ? marks.myScore : game->scoreCritic());
        changed = true;
    }
    if ((game->myIsWished().value_or(0) != 0) != marks.wished) {
        game->setMyIsWished(marks.wished ? 1 : 0);
        changed = true;
    }
    if ((game->myIsPlayed().value_or(0) != 0) != marks.played) {
        game->setMyIsPlayed(marks.played ? 1 : 0);
        changed = true;
    }
    return changed;
}

// The side file gathers what every import could not place; a game found since leaves it.
void MarksKeeper::keepInSideFile(const QList<MarksFile::Entry>& unmatched,
                                 const QSet<QString>& found) {
    const QString path = FileFunctions::getPathForDocumentDirectoryResource(kUnmatchedFileName);
    MarksFile side;
    if (FileFunctions::fileExistsAtPath(path)) {
        QString reason;
        if (std::optional<MarksFile> earlier = readFile(path, &reason)) {
            side = std::move(*earlier);
        } else if (unmatched.isEmpty()) {
            return;
        } else {
            MYLOG(
                u"The marks of games not in the catalogue in %@ cannot be read (%@): moved "
                u"aside to %@"_s,
                path, reason, FileFunctions::moveItemAsideAtPath(path, u"damaged"_s));
        }
    }
    QSet<QString> incoming;
    for (const MarksFile::Entry& entry : unmatched) {
        incoming.insert(entry.id);
    }
    const qsizetype before = side.games.size();
    side.games.removeIf([&](const MarksFile::Entry& entry) {
        return found.contains(entry.id) || incoming.contains(entry.id);
    });
    if (unmatched.isEmpty() && side.games.size() == before) {
        return;
    }
    side.games.append(unmatched);
    side.platform = Model::instanceOf()->platformCode();
    side.exported = Clock::now();
    QString failure;
    if (!FileFunctions::writeFileAtPath(path, side.toBytes(MarksFile::Format::Json), &failure)) {
        MYLOG(u"The marks of %d games not in the catalogue could not be kept in %@: %@"_s,
              int(unmatched.size()), path, failure);
    }
}

QString MarksKeeper::backupFolderPath() {
    return FileFunctions::getPathForDocumentDirectoryResource(kBackupFolderName);
}

QStringList MarksKeeper::backupPaths() {
    QStringList paths;
    for (const Backup& backup : backups()) {
        paths.append(backup.path);
    }
    return paths;
}

QString MarksKeeper::backUp(const QString& step, bool* failed) const {
    const auto answer = [failed](const QString& path, bool done) {
        if (failed) {
            *failed = !done;
        }
        return path;
    };
    StoreError error;
    const std::optional<MarksFile> marks = currentMarks(&error);
    if (!marks) {
        MYLOG(u"No backup of the marks before the %@: the store cannot be read (%@)"_s, step,
              error.message);
        return answer(QString(), false);
    }
    if (marks->games.isEmpty()) {
        return answer(QString(), true);
    }
    const QByteArray bytes = marks->toBytes(MarksFile::Format::Json);
    const QList<Backup> earlier = backups();
    if (!earlier.isEmpty()) {
        QFile newest(earlier.last().path);
        if (newest.open(QIODevice::ReadOnly) && marksPart(newest.readAll()) == marksPart(bytes)) {
            return answer(earlier.last().path, true);
        }
    }
    const QString folder = backupFolderPath();
    QDir().mkpath(folder);
    // A later backup of the same second counts on from the newest, never from a name that the
    // pruning below let go, so the newest always sorts last.
    const QString stamp = marks->exported.toString(u"yyyy-MM-dd-HHmmss"_s);
    QString path = u"%1/marks-%2.json"_s.arg(folder, stamp);
    if (!earlier.isEmpty() && earlier.last().stamp >= stamp) {
        path = u"%1/marks-%2-%3.json"_s.arg(folder, earlier.last().stamp)
                   .arg(earlier.last().sequence + 1);
    }
    QString failure;
    if (!FileFunctions::writeFileAtPath(path, bytes, &failure)) {
        MYLOG(u"No backup of the marks before the %@: %@ cannot be written (%@)"_s, step, path,
              failure);
        return answer(QString(), false);
    }
    const QStringList kept = backupPaths();
    for (qsizetype i = 0; i + kBackupsKept < kept.size(); ++i) {
        FileFunctions::deleteFileAtPath(kept[i]);
    }
    return answer(path, true);
}

MarksKeeper::Result MarksKeeper::restoreFromNewestBackup() {
    const QStringList backups = backupPaths();
    for (auto it = backups.crbegin(); it != backups.crend(); ++it) {
        QString reason;
        if (const std::optional<MarksFile> file = readFile(*it, &reason)) {
            Result result = merge(*file, false);
            if (result.outcome == Outcome::Done) {
                result.message =
                    u"Restored the marks of %1 from %2"_s.arg(gamesText(result.games), *it);
            }
            return result;
        }
        MYLOG(u"The backup %@ cannot be read (%@)"_s, *it, reason);
    }
    return {Outcome::BadInput, u"No backup of the marks to restore from"_s};
}
