#include "UpdateController.h"

#include <QHash>
#include <QLocale>
#include <QTimer>
#include <algorithm>
#include <array>
#include <charconv>

#include "DBConversion2to3.h"
#include "DateFunctions.h"
#include "FetchedResultsController.h"
#include "FileFunctions.h"
#include "Format.h"
#include "Game.h"
#include "ManagedObjectContext.h"
#include "Model.h"
#include "MyLog.h"
#include "NotificationCenter.h"
#include "QlMetricWriter.h"
#include "StoreError.h"
#include "StringFunctions.h"
#include "TextInterner.h"
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
    const QString reportYMD = addGamesToEntityFromUpdateFileReturnReportYMD(body, true);
    // Any answer counts as today's attempt, so the service is asked once a day. Only a valid
    // report date moves the stored one: an error page must not make the next request skip
    // the rows published since.
    UserDefaults* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(DateFunctions::getYMDString(DateFunctions::getNow()),
                        getLastUpdateAttemptYMDKey());
    defaults->synchronize();
    if (reportYMD.size() == 10) {
        setLastUpdateYMD(reportYMD);
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
    QTimer::singleShot(kInstallDelayMs, Qt::PreciseTimer, this,
                       &UpdateController::startBundleFileInstall);
}

void UpdateController::startBundleFileInstall() {
    getLastUpdateYMD();
    MYLOG_IF(0, u"Installing initial file (start)"_s);
    const int count = getGameCountFromEntity();
    MYLOG_IF(0, u"installing: The current number of games in the DB is [%d]"_s, count);
    const QString reportYMD =
        addGamesToEntityFromUpdateFileReturnReportYMD(getInitialInstallUpdateFile(), count != 0);

    int converted = 0;
    int unfound = 0;
    DBConversion2to3 conversion;
    if (const std::optional<QHash<QString, QString>> userData =
            conversion.getHistoricalUserDataDictionary()) {
        QlMetricWriter::writeMetric(u"Data converted"_s, u"Data"_s);
        for (auto it = userData->cbegin(); it != userData->cend(); ++it) {
            const QString score = StringFunctions::fLeftOf(u":"_s, it.value());
            const bool wished = StringFunctions::fRightOf(u":"_s, it.value()) == u"1"_s;
            // The earlier version scored out of 10; stars go to 5, in halves.
            const float newScore =
                getFloatValue(Format::format(u"%.1f"_s, double(getFloatValue(score)) * 0.5));
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
    // place, so the next start installs again by id and carries the marks over again.
    if (saveContext()) {
        conversion.delete2_0DatabaseFile();
        setLastUpdateYMD(reportYMD);
    } else {
        MYLOG(u"installing: the store could not be saved; the next start installs again"_s);
    }
    MYLOG_IF(0, u"Installing initial file (end)"_s);
    NotificationCenter::defaultCenter()->postNotificationName(
        u"NOTIF_INSTALLING_BUNDLE_FILE_END"_s);
}

namespace {

// The fields of a row as views into it, cut like getFieldsFromCSVRow (opening quote and last
// two characters dropped, split at the separator). Stores the first kRowFields and answers
// how many there are, counting no further than kRowFields.
using FieldViews = std::array<QStringView, UpdateController::kRowFields>;
qsizetype splitFields(QStringView row, FieldViews& fields) {
    if (row.size() <= 2) {
        return 0;
    }
    const QStringView inner = row.mid(1, row.size() - 3);
    const QStringView separator = UpdateController::kSeparator;
    qsizetype count = 0;
    qsizetype from = 0;
    while (count < UpdateController::kRowFields) {
        const qsizetype at = StringFunctions::findText(inner, separator, from);
        fields[size_t(count++)] = at < 0 ? inner.mid(from) : inner.mid(from, at - from);
        if (at < 0) {
            break;
        }
        from = at + separator.size();
    }
    return count;
}

// The three cleaners in turn, for a field known to hold an escape, entity or tag.
QString cleanedField(const QString& text) {
    const QString unescaped = StringFunctions::unescapeString(text);
    const QString untagged = StringFunctions::replaceHTMLTags(unescaped);
    return StringFunctions::replaceKnownExtraHTMLEscapedValues(untagged);
}

bool isPlainField(QStringView text) {
    return std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c == u'%' || c == u'&' || c == u'<'; });
}

// Cleans the fields of one catalogue file. Plain fields (most of them) are copied once, and
// repeated ones (codes, kinds, makers) shared; release dates repeat too and are read once each.
class FieldCleaner {
public:
    QString text(int column, QStringView field) {
        if (!isPlainField(field)) {
            return getHTMLCleaned(field);
        }
        // The id is asked for twice per row (as the key, then as the field): one copy serves.
        if (field.data() == last_.data() && field.size() == last_.size()) {
            return lastText_;
        }
        last_ = field;
        lastText_ = interner_.text(column, field.isNull() ? QStringView(u"") : field);
        return lastText_;
    }
    // StringFunctions::unescapeString of the field.
    QString unescaped(int column, QStringView field) {
        return isPlainField(field) ? text(column, field)
                                   : StringFunctions::unescapeString(field.toString());
    }
    float number(QStringView field) {
        return isPlainField(field) ? UpdateController::getFloatValue(field)
                                   : UpdateController::getFloatValue(getHTMLCleaned(field));
    }
    std::optional<qint64> date(QStringView field) {
        const std::optional<int> key = ymdKey(field);
        if (!key) {
            return msecsOf(UpdateController::getHTMLCleanedAndUnescapedString(field.toString()));
        }
        const auto it = dates_.constFind(*key);
        if (it != dates_.cend()) {
            return *it;
        }
        return *dates_.insert(*key, msecsOf(field.toString()));
    }

private:
    // For fields already known not to be plain: no second scan.
    static QString getHTMLCleaned(QStringView field) { return cleanedField(field.toString()); }
    static std::optional<qint64> msecsOf(const QString& ymd) {
        const QDateTime date = DateFunctions::getDateFromYMDString(ymd);
        return date.isValid() ? std::optional<qint64>(date.toMSecsSinceEpoch()) : std::nullopt;
    }
    // yyyymmdd for a field that is exactly "yyyy-mm-dd" (which cleaning leaves as it is).
    static std::optional<int> ymdKey(QStringView field) {
        if (field.size() != 10 || field[4] != u'-' || field[7] != u'-') {
            return std::nullopt;
        }
        int key = 0;
        for (const qsizetype at : {0, 1, 2, 3, 5, 6, 8, 9}) {
            const char16_t c = field[at].unicode();
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            key = key * 10 + (c - u'0');
        }
        return key;
    }

    TextInterner interner_;
    QHash<int, std::optional<qint64>> dates_;
    QStringView last_;
    QString lastText_;
};

// Writes the catalogue fields of a row; the user's marks are never touched.
void populateGameFromFields(Game* game, const FieldViews& fields, FieldCleaner& cleaner) {
    const auto text = [&](int index) { return cleaner.text(index, fields[size_t(index)]); };
    const auto number = [&](int index) { return cleaner.number(fields[size_t(index)]); };
    game->setTitle(text(0));
    game->setScoreCriticon(number(1));
    game->setScoreCritic(number(2));
    game->setScoreUsers(number(3));
    game->setIdCriticon(text(4));
    game->setIdPlaybase(text(5));
    game->setPlatformCode(text(6));
    game->setGenreCode(text(7));
    game->setEsrbCode(text(8));
    game->setPlatformDescription(text(9));
    game->setGenreDescription(text(10));
    game->setEsrbDescription(text(11));
    game->setUrlBoxArt(text(12));
    game->setUrlCriticonLink(text(13));
    game->setUrlPlaybaseLink(text(14));
    game->setGameDescription(text(15));
    game->setDateMsecs(GameAttribute::releaseDate, cleaner.date(fields[16]));
    game->setDeveloper(text(17));
    game->setPublisher(text(18));

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
    if (!text.contains(u"<reportDateYMD>"_s)) {
        MYLOG_IF(0, u"File does not contain any rows."_s);
        return QString();
    }
    const QString reportYMD =
        StringFunctions::fBetween(text, u"<reportDateYMD>"_s, u"</reportDateYMD>"_s);
    const QStringView rows = StringFunctions::fBetweenView(text, u"<games>", u"</games>");
    int updates = 0;
    int adds = 0;
    FieldCleaner cleaner;
    FieldViews fields;
    // Rows of one file that share an id end in one record, the later row winning; the map also
    // keeps a first installation free of store lookups.
    QHash<QString, Game*> appliedThisFile;
    qsizetype lines = 1;
    for (qsizetype at = rows.indexOf(u'\n'); at >= 0; at = rows.indexOf(u'\n', at + 1)) {
        ++lines;  // a vectorised search: a plain count over the characters is many times slower
    }
    appliedThisFile.reserve(lines);
    for (qsizetype from = 0; from <= rows.size();) {
        qsizetype end = rows.indexOf(u'\n', from);
        if (end < 0) {
            end = rows.size();
        }
        const QStringView row = rows.mid(from, end - from);
        from = end + 1;
        if (StringFunctions::findText(row, kSeparator) < 0) {
            continue;
        }
        // A row without every field cannot be applied; it is skipped, not half-written.
        if (splitFields(row, fields) < kRowFields) {
            MYLOG(u"Skipping a catalogue row without all its fields: %@"_s, row.left(80));
            continue;
        }
        const QString key = cleaner.unescaped(4, fields[4]);
        // One lookup per row: the slot is filled in below.
        Game** applied = key.isEmpty() ? nullptr : &appliedThisFile[key];
        Game* game = applied ? *applied : nullptr;
        if (!game && attemptUpdates) {
            game = getGameFromEntityWithCriticonID(key);
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
        populateGameFromFields(game, fields, cleaner);
    }
    MYLOG(u"Update File Results -- [%d] updates, [%d] adds"_s, updates, adds);
    saveChanges();
    return reportYMD;
}

QStringList UpdateController::getFieldsFromCSVRow(const QString& row) {
    if (row.size() <= 2) {
        return {};
    }
    return row.mid(1, row.size() - 3).split(kSeparator);
}

QString UpdateController::getCriticonIdFromCSVRow(const QString& row) {
    const QStringList fields = getFieldsFromCSVRow(row);
    if (fields.size() < 5) {
        return QString();
    }
    return StringFunctions::unescapeString(fields[4]);
}

QString UpdateController::getHTMLCleanedAndUnescapedString(const QString& text) {
    // Most catalogue fields hold no escape, entity or tag; for them the three cleaners would
    // each answer the text unchanged, so one scan decides.
    if (isPlainField(text)) {
        return text.isNull() ? u""_s : text;
    }
    return cleanedField(text);
}

float UpdateController::getFloatValue(QStringView text) {
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size && text[at].isSpace()) {
        ++at;
    }
    qsizetype start = at;
    if (at < size && (text[at] == u'-' || text[at] == u'+')) {
        ++at;
    }
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < size && text[at] >= u'0' && text[at] <= u'9') {
            ++at;
        }
        return at - from;
    };
    qsizetype mantissa = digits();
    if (at < size && text[at] == u'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return 0.0f;
    }
    qsizetype end = at;
    if (at < size && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        if (at < size && (text[at] == u'-' || text[at] == u'+')) {
            ++at;
        }
        if (digits() > 0) {
            end = at;
        }
    }
    // Every character of the number is ASCII; from_chars reads it as the C locale does but
    // takes no "+".
    if (text[start] == u'+') {
        ++start;
    }
    std::array<char, 64> ascii;
    if (end - start > qsizetype(ascii.size())) {
        bool ok = false;
        const double value = QLocale::c().toDouble(text.mid(start, end - start), &ok);
        return ok ? float(value) : 0.0f;
    }
    for (qsizetype i = start; i < end; ++i) {
        ascii[size_t(i - start)] = char(text[i].unicode());
    }
    double value = 0;
    const std::from_chars_result read =
        std::from_chars(ascii.data(), ascii.data() + (end - start), value);
    return read.ec == std::errc() ? float(value) : 0.0f;
}

void UpdateController::populateGame(Game* game, const QString& fromCSVRow) {
    FieldViews fields;
    if (!game || splitFields(fromCSVRow, fields) < kRowFields) {
        return;
    }
    FieldCleaner cleaner;
    populateGameFromFields(game, fields, cleaner);
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
