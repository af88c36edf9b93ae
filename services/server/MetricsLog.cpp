#include "MetricsLog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

MetricsLog::MetricsLog(const QString& path) : path_(path) {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    while (!file.atEnd()) {
        const QJsonDocument line = QJsonDocument::fromJson(file.readLine());
        if (line.isObject()) {
            recent_.push_back(line.object());
            if (recent_.size() > size_t(kRecent)) {
                recent_.pop_front();
            }
        }
    }
}

bool MetricsLog::append(const QJsonObject& event) {
    const QByteArray line = QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n';
    std::lock_guard lock(mu_);
    QFile file(path_);
    // One write of a whole line in append mode: lines of concurrent posts never interleave.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size()) {
        return false;
    }
    recent_.push_back(event);
    if (recent_.size() > size_t(kRecent)) {
        recent_.pop_front();
    }
    return true;
}

QByteArray MetricsLog::recentJson() const {
    QJsonArray events;
    std::lock_guard lock(mu_);
    for (const QJsonObject& event : recent_) {
        events.append(event);
    }
    return QJsonDocument(events).toJson(QJsonDocument::Compact);
}
