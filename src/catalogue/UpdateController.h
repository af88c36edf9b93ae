#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "OrvConnection.h"
#include "OrvConnectionDelegate.h"
#include "PullFetchedRequestPullFetchedRequestMaker.h"

class Game;
class ManagedObjectContext;
class ManagedObjectModel;

// The catalogue controller: counts, finds and saves games in the shared store, and keeps the
// catalogue current. Borrows the context and model from the application delegate and owns its
// own query builder, whose two id filters it sets before every query. Main thread only.
class UpdateController : public QObject, public OrvConnectionDelegate {
    Q_OBJECT
public:
    static std::unique_ptr<UpdateController> updateControllerWithContext(
        ManagedObjectContext* context, ManagedObjectModel* andModel);
    UpdateController(ManagedObjectContext* context, ManagedObjectModel* andModel);
    ~UpdateController() override;

    static constexpr int kInstallDelayMs = 100;
    // The largest update answer taken. Changes to a tenth of a 100,000-game catalogue come to
    // about 5 MB (the whole catalogue, which ships with the build, to 52 MB); a bigger answer is
    // aborted as it arrives and the day's update fails, to be asked again at the next start.
    static constexpr qint64 kMaxUpdateBytes = 32 * 1024 * 1024;

    // Installs the shipped catalogue when needed, then asks for the day's update.
    void updateGames();

    // The shipped catalogue: installed when the last-update value is not a 10-character date.
    void installBundleFile();
    void startBundleFileInstall();

    // Applies a catalogue file: every row becomes a new record, or with `attemptUpdates` updates
    // the record with its review-service id. Saves, and answers the report date (empty when
    // the tags enclose none), or nothing when the text has no report date at all.
    QString addGamesToEntityFromUpdateFileReturnReportYMD(const QString& text, bool attemptUpdates);
    // Writes the catalogue fields of a row; the user's marks are never touched. A row that
    // does not hold every field is left alone.
    void populateGame(Game* game, const QString& fromCSVRow);
    // The row's review-service id, or nothing.
    QString getCriticonIdFromCSVRow(const QString& row);
    // Percent escapes and entities decoded, tags removed (CatalogueFileReader::cleaned).
    static QString getHTMLCleanedAndUnescapedString(const QString& text);

    static inline const QString kUpdatePathTemplate = QStringLiteral(
        "/DB2Web/execute.do?name=questlog_cvs_game_list&PLATFORM=**PLATFORM**&LAST_UPDATED="
        "**LAST_UPDATED**");

    // The day's web update: asks the catalogue service at most once per calendar day, with
    // the platform and the report date the store reflects; the answer is applied by id.
    void startWebUpdateCall();
    // The service address for the stored report date, or nothing when there is no valid one.
    QString getUpdateFileURL();
    void processWebUpdateFile(const QString& body);
    void orvConnectionSuccessWithConnection(OrvConnection* connection,
                                            const QString& andBody) override;
    void orvConnectionFailureWithConnection(OrvConnection* connection,
                                            const OrvError& andError) override;
    OrvConnection* connection() const { return connection_.get(); }

    QString getInitialInstallUpdateFile();
    QString getLastUpdateFileYMDKey();
    // The day of the last answered update request, kept apart from the report date so an
    // answer without a valid date neither moves that date nor lets the service be asked twice
    // a day.
    QString getLastUpdateAttemptYMDKey();
    QString getLastUpdateYMD();
    void setLastUpdateYMD(const QString& ymd);

    // Every Game record, or -99 when the query fails.
    int getGameCountFromEntity();
    // The one game with that id; nothing for no match, several matches, a failed query, or an
    // empty or absent id.
    Game* getGameFromEntityWithCriticonID(const QString& criticonId);
    Game* getGameFromEntityWithPlaybaseID(const QString& playbaseId);
    // Saves the context when it has changes; a failure is logged and the changes stay.
    void saveChanges();

    ManagedObjectContext* managedObjectContext() const { return managedObjectContext_; }
    ManagedObjectModel* managedObjectModel() const { return managedObjectModel_; }
    PullFetchedRequestPullFetchedRequestMaker* requestMaker() const { return requestMaker_.get(); }

private:
    // The games matching the builder's current filters, or nothing after logging `failure`.
    std::optional<QList<Game*>> runQuery(const QString& failure);
    Game* lookup(const QString& criticonId, const QString& playbaseId, const QString& failure);
    // Saves when there are changes; false when the save failed or there is no context.
    bool saveContext();

    ManagedObjectContext* managedObjectContext_;
    ManagedObjectModel* managedObjectModel_;
    std::unique_ptr<PullFetchedRequestPullFetchedRequestMaker> requestMaker_;
    // The update request of this launch; destroying it cancels it.
    std::unique_ptr<OrvConnection> connection_;
};
