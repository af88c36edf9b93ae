#include "ArtCache.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

ArtCache::ArtCache(const QString& folder) : folder_(folder) {
    if (!folder_.isEmpty()) {
        QDir().mkpath(folder_);
    }
}

QByteArray ArtCache::get(const QString& key, const std::function<QByteArray()>& make) {
    {
        std::lock_guard lock(mu_);
        const auto found = memory_.constFind(key);
        if (found != memory_.constEnd()) {
            return *found;
        }
    }
    const QString path = folder_.isEmpty() ? QString() : folder_ + u'/' + key;
    QByteArray bytes;
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            bytes = file.readAll();
        }
    }
    if (bytes.isEmpty()) {
        bytes = make();
        if (!path.isEmpty() && !bytes.isEmpty()) {
            // Whole or not at all: a killed run leaves no half picture for the next one.
            QSaveFile file(path);
            if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
                file.commit();
            }
        }
    }
    std::lock_guard lock(mu_);
    if (memoryBytes_ + bytes.size() > kMaxMemoryBytes) {
        memory_.clear();
        memoryBytes_ = 0;
    }
    if (!memory_.contains(key)) {
        memory_.insert(key, bytes);
        memoryBytes_ += bytes.size();
    }
    return bytes;
}
