#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// A list of the user's marks, as written to and read from a file the user keeps: JSON
//   {"platform":"wii","exported":"2026-12-08T12:00:00Z","games":[{"id":"1","title":"…",
//    "myScore":3.5,"wished":true,"played":false},…]}
// with one game per line, or CSV with the header line "id,title,myScore,wished,played". Reading
// takes either, whatever the file is called, and checks every game before answering, so a bad
// file is refused whole. Plain value; any thread.
class MarksFile {
public:
    struct Entry {
        QString id;     // the review-service id, which finds the game in any catalogue
        QString title;  // for the reader of the file; never used to find the game
        std::optional<float> myScore;
        bool wished = false;
        bool played = false;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    enum class Format { Json, Csv };

    // Far above the 10 MB that every game of a large catalogue marked comes to.
    static constexpr qint64 kMaxBytes = 32 * 1024 * 1024;
    // Stars go from 0 to 5.
    static constexpr float kMaxScore = 5.0f;

    // CSV for a name ending in ".csv" (any case), JSON for any other.
    static Format formatForPath(const QString& path);

    QByteArray toBytes(Format format) const;
    // Nothing, with the reason for the user in `error` ("it is not valid JSON (…)"), when the
    // bytes are not a list of marks in either format or any game in it is not sound: no id, a
    // score outside 0 to 5, a mark that is neither true nor false.
    static std::optional<MarksFile> fromBytes(const QByteArray& bytes, QString* error);

    QString platform;  // null when the file does not say (CSV never does)
    QDateTime exported;
    QList<Entry> games;

private:
    QByteArray toJson() const;
    QByteArray toCsv() const;
    static std::optional<MarksFile> fromJson(const QByteArray& bytes, QString* error);
    static std::optional<MarksFile> fromCsv(const QString& text, QString* error);
};
