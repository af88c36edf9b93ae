#include "DBConversion2to3.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FileFunctions.h"
#include "Format.h"
#include "Model.h"
#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

QString DBConversion2to3::get2_0DatabaseFileName() const {
    return Format::format(u"Questlog.%@.sqlite"_s, Model::instanceOf()->platformCode());
}

QString DBConversion2to3::get2_0DatabaseFilePath() const {
    return Format::format(u"%@/%@"_s, FileFunctions::getDocumentDirectoryPath(),
                          get2_0DatabaseFileName());
}

std::optional<QHash<QString, QString>> DBConversion2to3::getHistoricalUserDataDictionary() {
    const QString path = get2_0DatabaseFilePath();
    if (!FileFunctions::fileExistsAtPath(path)) {
        MYLOG(u"Database file does not exist -- no converserion needed  [%@]"_s, path);
        return std::nullopt;
    }
    // Closed when it goes out of scope.
    std::unique_ptr<FMDatabase> db = FMDatabase::databaseWithPath(path);
    if (!db->open()) {
        MYLOG(u"Could not open the DB file... bypassing conversion"_s);
        return std::nullopt;
    }

    QHash<QString, QString> userData;
    std::unique_ptr<FMResultSet> rs = db->executeQuery(
        u"SELECT * FROM GAMES where MY_WISH_LIST_FLAG = 1 OR MY_SCORE is not null"_s);
    while (rs && rs->next()) {
        const QString playbaseId = rs->stringForColumn(u"playbase_id"_s);
        if (playbaseId.isEmpty()) {
            continue;  // keyed by "", the marks would land on every game without an id
        }
        const QString wishFlag = rs->stringForColumn(u"my_wish_list_flag"_s);
        const QString myScore = rs->stringForColumn(u"my_score"_s);
        const QString scoreText = myScore.isEmpty() ? u"0.0"_s : myScore;
        const QString wishText = wishFlag == u"1"_s ? u"1"_s : u"0"_s;
        // A later row with the same id replaces the earlier one.
        userData.insert(playbaseId, Format::format(u"%@:%@"_s, scoreText, wishText));
    }
    if (rs) {
        rs->close();
    }
    return userData;
}

void DBConversion2to3::delete2_0DatabaseFile() {
    FileFunctions::deleteFileAtPath(get2_0DatabaseFilePath());
}
