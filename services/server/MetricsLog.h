#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <deque>
#include <mutex>

// The metrics service's records: each event is one JSON line in a file (its time and its form
// fields), and the last ones are kept in memory for a quick look. Any thread.
class MetricsLog {
public:
    static constexpr int kRecent = 100;

    // Reads the last kRecent events of an earlier run from the file, if there is one.
    explicit MetricsLog(const QString& path);

    // False when the line could not be written.
    bool append(const QJsonObject& event);
    // The last kRecent events, oldest first, as a JSON array.
    QByteArray recentJson() const;

private:
    QString path_;
    // mu_ protects the following state.
    mutable std::mutex mu_;
    std::deque<QJsonObject> recent_;
};
