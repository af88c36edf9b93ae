#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <mutex>

// Generated pictures, made once: kept in memory and in a folder, so a later run starts warm.
// Memory holds at most kMaxMemoryBytes; past that it starts over, and the folder refills it.
// Any thread; two threads asking for the same new picture may both make it, and either answer
// is the same picture.
class ArtCache {
public:
    static constexpr qsizetype kMaxMemoryBytes = 96 * 1024 * 1024;

    // folder: where the files go; made when missing. An empty folder keeps memory only.
    explicit ArtCache(const QString& folder);

    // The picture under the key (letters, digits, '-', '_' and '.'), made by `make` the first
    // time.
    QByteArray get(const QString& key, const std::function<QByteArray()>& make);

private:
    QString folder_;
    // mu_ protects the following state.
    std::mutex mu_;
    QHash<QString, QByteArray> memory_;
    qsizetype memoryBytes_ = 0;
};
