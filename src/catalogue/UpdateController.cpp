#include "UpdateController.h"

#include <QHash>

#include "Animator.h"
#include "CatalogueFileReader.h"
#include "DBConversion2to3.h"
#include "DateFunctions.h"
#include "FetchedResultsController.h"
#include "FileFunctions.h"
#include "Format.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "MarksKeeper.h"
#include "Model.h"
#include "MyLog.h"
#include "NotificationCenter.h"
#include "QlMetricWriter.h"
#include "StoreError.h"
#include "StringFunctions.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

std::unique_ptr<UpdateController> UpdateController::updateControllerWithContext(
    ManagedObjectContext* context, ManagedObjectModel* andModel) {
    return std::make_unique<UpdateController>(context, andModel);
}

UpdateController::UpdateController(ManagedObjectContext* context, ManagedObjectModel* andModel)
    : managedObjectContext_(context),
      managedObjectModel_(andModel),
      requestMaker_(
          PullFetchedRequestPullFetchedRequestMaker::makerWithContext(context, andModel)) {}

UpdateController::~UpdateController() = default;

void UpdateController::updateGames() {
    installBundleFile();
    startWebUpdateCall();
}

QString UpdateController::getLastUpdateAttemptYMDKey() {
    return Format::format(u"%@_%@"_s, u"LAST_UPDATE_ATTEMPT_YMD"_s,
                          Model::instanceOf()->platformCode());
}

void UpdateController::startWebUpdateCall() {
    const QString lastYMD = getLastUpdateYMD();
    const QString today = DateFunctions::getYMDString(DateFunctions::getNow());
    const QString lastAttempt =
        UserDefaults::standardUserDefaults()->stringForKey(getLastUpdateAttemptYMDKey());
    if (lastYMD == today || lastAttempt == today) {
        QlMetricWriter::writeMetric(u"Web file already pulled"_s, u"Data"_s);
        return;
    }
    QlMetricWriter::writeMetric(u"Web file pulled"_s, u"Data"_s);
    MYLOG_IF(0, u"Updating from web (start)"_s);
    connection_ = OrvConnection::connectionWithURLString(getUpdateFileURL(), this);
    connection_->setMaxBodyBytes(kMaxUpdateBytes);
    connection_->start();
}

QString UpdateController::getUpdateFileURL() {
    const QString lastYMD = getLastUpdateYMD();
    if (lastYMD.size() != 10) {
        MYLOG_IF(0, u"Invalid Last Report YMD -- BAILING [%@]"_s, lastYMD);
        return QString();
    }
    QString url = Model::instanceOf()->catalogueServiceURL() + kUpdatePathTemplate;
    url = StringFunctions::replace(url, u"**PLATFORM**"_s, Model::instanceOf()->platformCode());
    url = StringFunctions::replace(url, u"**LAST_UPDATED**"_s, lastYMD);
    MYLOG_IF(0, u"Update URL [%@]"_s, url);
    return url;
}

void UpdateController::orvConnectionSuccessWithConnection(OrvConnection*, const QString& andBody) {
    MYLOG_IF(0, u"Updating from web (connection finished)"_s);
    processWebUpdateFile(andBody);
}

void UpdateController::orvConnectionFailureWithConnection(OrvConnection*,
                                                          const OrvError& andError) {
    MYLOG(u"Connection failed: %@"_s, andError);
    MYLOG_IF(0, u"Updating from web (failed)"_s);
}

void UpdateController::processWebUpdateFile(const QString& body) {
    MYLOG_IF(0, u"Updated File  --------------\n%@\n-----------"_s, body);
    MarksKeeper(managedObjectContext_).backUp(u"update"_s);
    const QString reportYMD = addGamesToEntityFromUpdateFileReturnReportYMD(body, true);
    // Any answer counts as today's attempt, so the service is asked once a day. Only a valid
    // report date moves the stored one: an error page must not make the next request skip
    // the rows published since.
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(DateFunctions::getYMDString(DateFunctions::getNow()),
                        getLastUpdateAttemptYMDKey());
    defaults->synchronize();
    if (reportYMD.size() == 10) {
        // Rows that did not reach the file are held in memory for the next save, but a kill or
        // a failing disk can still lose them: the date moves only once they are stored, so the
        // next update asks for them again.
        if (managedObjectContext_ && !managedObjectContext_->hasChanges()) {
            setLastUpdateYMD(reportYMD);
        } else {
            MYLOG(u"Updating from web: rows not saved; the report date stays [%@]"_s,
                  getLastUpdateYMD());
        }
        MYLOG_IF(0, u"Updating from web (end)"_s);
        NotificationCenter::defaultCenter()->postNotificationName(u"NOTIF_GAMES_UPDATED"_s);
        return;
    }
    MYLOG_IF(0, u"Updating from web (end)"_s);
}

QString UpdateController::getLastUpdateFileYMDKey() {
    return Format::format(u"%@_%@"_s, u"LAST_UPDATE_FILE_YMD"_s,
                          Model::instanceOf()->platformCode());
}

QString UpdateController::getLastUpdateYMD() {
    const QString key = getLastUpdateFileYMDKey();
    const QString value = UserDefaults::standardUserDefaults()->stringForKey(key);
    MYLOG_IF(0, u"key [%@] got us lastYMD [%@]"_s, key, value);
    return value;
}

void UpdateController::setLastUpdateYMD(const QString& ymd) {
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    if (ymd.isNull()) {
        defaults->removeObjectForKey(getLastUpdateFileYMDKey());
    } else {
        defaults->setObject(ymd, getLastUpdateFileYMDKey());
    }
    defaults->synchronize();
}

QString UpdateController::getInitialInstallUpdateFile() {
    return FileFunctions::getStringFileValueFromBundle(Model::instanceOf()->platformCode(),
                                                       u"xml"_s);
}

void UpdateController::installBundleFile() {
    const QString lastReportYMD = getLastUpdateYMD();
    if (lastReportYMD.size() == 10) {
        return;
    }
    QlMetricWriter::writeMetric(u"Application installed"_s);
    MYLOG(u"installBundleFile: lastReportYMD          = [%@]"_s, lastReportYMD);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_START"_s);
    Animator::after(kInstallDelayMs, this, [this] { startBundleFileInstall(); });
}

void UpdateController::startBundleFileInstall() {
    getLastUpdateYMD();
    MYLOG_IF(0, u"Installing initial file (start)"_s);
    // One backup serves the install and the carry-over after it: the install leaves marks as
    // they were.
    MarksKeeper(managedObjectContext_).backUp(u"install"_s);
    const int count = getGameCountFromEntity();
    MYLOG_IF(0, u"installing: The current number of games in the DB is [%d]"_s, count);
    const QString reportYMD =
        addGamesToEntityFromUpdateFileReturnReportYMD(getInitialInstallUpdateFile(), count != 0);

    int converted = 0;
    int unfound = 0;
    DBConversion2to3 conversion;
    const std::optional<QHash<QString, QString>> userData =
        conversion.getHistoricalUserDataDictionary();
    // A file there that could not be read (a passing I/O error) still holds the only copy of
    // its marks.
    const bool earlierFileUnread =
        !userData && FileFunctions::fileExistsAtPath(conversion.get2_0DatabaseFilePath());
    if (userData) {
        QlMetricWriter::writeMetric(u"Data converted"_s, u"Data"_s);
        for (auto it = userData->cbegin(); it != userData->cend(); ++it) {
            const QString score = StringFunctions::fLeftOf(u":"_s, it.value());
            const bool wished = StringFunctions::fRightOf(u":"_s, it.value()) == u"1"_s;
            // The earlier version scored out of 10; stars go to 5, in halves.
            const float newScore = CatalogueFileReader::floatValue(
                Format::format(u"%.1f"_s, double(CatalogueFileReader::floatValue(score)) * 0.5));
            Game* game = getGameFromEntityWithPlaybaseID(it.key());
            if (!game) {
                ++unfound;
                continue;
            }
            if (score != u"0.0"_s) {
                game->setMyScore(newScore);
                game->setMyIsPlayed(1);
            }
            if (wished) {
                game->setMyIsWished(1);
            }
            ++converted;
        }
    }
    MYLOG_IF(0, u"installing: Games converted [%d]"_s, converted);
    MYLOG_IF(0, u"installing: Games to convert unfound [%d]"_s, unfound);
    // The rows and carried-over marks reach the store before the marks' only other copy goes,
    // and the report date, which says "installed", comes last: a start cut short anywhere
    // before it, or a failed save, leaves the catalogue uninstalled and the earlier file in
    // place, so the next start installs again by id and carries the marks over again. An
    // earlier file that could not be read is left for the next start in the same way.
    if (!saveContext()) {
        MYLOG(u"installing: the store could not be saved; the next start installs again"_s);
    } else if (earlierFileUnread) {
        MYLOG(u"installing: the earlier marks could not be read; the next start installs again"_s);
    } else {
        conversion.delete2_0DatabaseFile();
        setLastUpdateYMD(reportYMD);
    }
    MYLOG_IF(0, u"Installing initial file (end)"_s);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
}

namespace {

// Writes the catalogue fields of a row; the user's marks are never touched.
void applyRow(Game* game, const CatalogueRow& row) {
    const auto& text = row.text;
    game->setTitle(text[0]);
    game->setScoreCriticon(row.scores[0]);
    game->setScoreCritic(row.scores[1]);
    game->setScoreUsers(row.scores[2]);
    game->setIdCriticon(text[4]);
    game->setIdPlaybase(text[5]);
    game->setPlatformCode(text[6]);
    game->setGenreCode(text[7]);
    game->setEsrbCode(text[8]);
    game->setPlatformDescription(text[9]);
    game->setGenreDescription(text[10]);
    game->setEsrbDescription(text[11]);
    game->setUrlBoxArt(text[12]);
    game->setUrlCriticonLink(text[13]);
    game->setUrlPlaybaseLink(text[14]);
    game->setGameDescription(text[15]);
    game->setDateMsecs(GameAttribute::releaseDate, row.releaseDateMsecs);
    game->setDeveloper(text[17]);
    game->setPublisher(text[18]);

    if (game->scoreCritic().value_or(0.0f) == 0.0f && game->scoreCriticon().value_or(0.0f) > 0.0f) {
        game->setScoreCritic(game->scoreCriticon());
    }
    game->setScoreDisplay(game->myScore());
    if (game->myScore().value_or(0.0f) == 0.0f) {
        game->setScoreDisplay(game->scoreCritic());
    }
}

}  // namespace

QString UpdateController::addGamesToEntityFromUpdateFileReturnReportYMD(const QString& text,
                                                                        bool attemptUpdates) {
    CatalogueFileReader reader(text);
    if (!reader.hasReportDate()) {
        MYLOG_IF(0, u"File does not contain any rows."_s);
        return QString();
    }
    int updates = 0;
    int adds = 0;
    // Rows of one file that share an id end in one record, the later row winning; the map also
    // keeps a first installation free of store lookups.
    QHash<QString, Game*> appliedThisFile;
    appliedThisFile.reserve(reader.lineCount());
    CatalogueRow row;
    while (reader.next(row)) {
        // One lookup per row: the slot is filled in below.
        Game** applied = row.key.isEmpty() ? nullptr : &appliedThisFile[row.key];
        Game* game = applied ? *applied : nullptr;
        if (!game && attemptUpdates) {
            game = getGameFromEntityWithCriticonID(row.key);
        }
        if (game) {
            ++updates;
        } else {
            game = ManagedObjectContext::insertNewObjectForEntityForName(u"Game"_s,
                                                                         managedObjectContext_);
            if (!game) {
                continue;
            }
            ++adds;
        }
        if (applied) {
            *applied = game;
        }
        applyRow(game, row);
    }
    MYLOG(u"Update File Results -- [%d] updates, [%d] adds"_s, updates, adds);
    saveChanges();
    return reader.reportYMD();
}

QString UpdateController::getCriticonIdFromCSVRow(const QString& row) {
    const QStringList fields = CatalogueFileReader::fieldsOf(row);
    if (fields.size() < 5) {
        return QString();
    }
    return StringFunctions::unescapeString(fields[4]);
}

QString UpdateController::getHTMLCleanedAndUnescapedString(const QString& text) {
    return CatalogueFileReader::cleaned(text);
}

void UpdateController::populateGame(Game* game, const QString& fromCSVRow) {
    CatalogueRow row;
    if (game && CatalogueFileReader::readRow(fromCSVRow, row)) {
        applyRow(game, row);
    }
}

std::optional<QList<Game*>> UpdateController::runQuery(const QString& failure) {
    FetchedResultsController results(requestMaker_->getFetchRequest(), managedObjectContext_,
                                     QString(), u"Root"_s);
    StoreError error;
    if (!managedObjectContext_ || !results.performFetch(&error)) {
        MYLOG(failure, error, error.userInfo);
        return std::nullopt;
    }
    return results.fetchedObjects();
}

int UpdateController::getGameCountFromEntity() {
    requestMaker_->setFilterIdCriticon(QString());
    requestMaker_->setFilterIdPlaybase(QString());
    const std::optional<QList<Game*>> games =
        runQuery(u"getGameCountFromEntity: Unresolved error %@, %@"_s);
    return games ? int(games->size()) : -99;
}

Game* UpdateController::lookup(const QString& criticonId, const QString& playbaseId,
                               const QString& failure) {
    // An empty id would add no condition and match every game: a one-game store would then
    // hand back an unrelated record to be overwritten.
    if (criticonId.isEmpty() && playbaseId.isEmpty()) {
        return nullptr;
    }
    requestMaker_->setFilterIdCriticon(criticonId);
    requestMaker_->setFilterIdPlaybase(playbaseId);
    const std::optional<QList<Game*>> games = runQuery(failure);
    return games && games->size() == 1 ? games->first() : nullptr;
}

Game* UpdateController::getGameFromEntityWithCriticonID(const QString& criticonId) {
    return lookup(criticonId, QString(),
                  u"getGameFromEntityWithCriticonID: Unresolved error %@, %@"_s);
}

Game* UpdateController::getGameFromEntityWithPlaybaseID(const QString& playbaseId) {
    return lookup(QString(), playbaseId,
                  u"getGameFromEntityWithPlaybaseID: Unresolved error %@, %@"_s);
}

void UpdateController::saveChanges() {
    saveContext();
}

bool UpdateController::saveContext() {
    if (!managedObjectContext_ || !managedObjectContext_->hasChanges()) {
        return managedObjectContext_ != nullptr;
    }
    StoreError error;
    if (!managedObjectContext_->save(&error)) {
        MYLOG(u"save Changes: Unresolved error %@, %@"_s, error, error.userInfo);
        return false;
    }
    return true;
}
