#pragma once

#include <QHash>
#include <QString>
#include <optional>

// Reads the user's wish-list marks and scores out of the previous generation's database file
// (documents directory, "Questlog.<code>.sqlite") so the first catalogue installation can carry
// them over, and deletes that file afterwards. Holds no state between calls. Main thread only.
class DBConversion2to3 {
public:
    QString get2_0DatabaseFileName() const;
    QString get2_0DatabaseFilePath() const;
    // playbase id -> "<score>:<wish>"; nothing when the file is missing or cannot be opened, an
    // empty dictionary when it holds no readable GAMES rows.
    std::optional<QHash<QString, QString>> getHistoricalUserDataDictionary();
    // Missing files and failed removals are ignored.
    void delete2_0DatabaseFile();
};
