#include "FileFunctions.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>

#include "Clock.h"
#include "Format.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString decodeUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    if (text.isNull()) {
        text = u""_s;  // an empty file is "", not nothing
    }
    return text;
}

bool copyRecursively(const QString& source, const QString& destination) {
    const QFileInfo info(source);
    if (info.isDir() && !info.isSymLink()) {
        if (!QDir().mkdir(destination)) {
            return false;
        }
        const QDir dir(source);
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : entries) {
            if (!copyRecursively(source + u'/' + name, destination + u'/' + name)) {
                return false;
            }
        }
        return true;
    }
    return QFile::copy(source, destination);
}

}  // namespace

QString FileFunctions::getDocumentDirectoryPath() {
    QString path = qEnvironmentVariable("QUESTLOG_HOME");
    if (path.isEmpty()) {
        path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    QDir().mkpath(path);
    return QDir::cleanPath(path);
}

QString FileFunctions::getPathForDocumentDirectoryResource(const QString& fileName) {
    return Format::format(u"%@/%@"_s, getDocumentDirectoryPath(), fileName);
}

QString FileFunctions::getPathForBundleResource(const QString& fileName) {
    return u":/"_s + fileName;
}

QString FileFunctions::getStringFileValueFromBundle(const QString& name,
                                                    const QString& withExtention) {
    if (name.isEmpty()) {
        return {};
    }
    const QString fileName = withExtention.isEmpty() ? name : name + u'.' + withExtention;
    return getStringFileValue(getPathForBundleResource(fileName));
}

QString FileFunctions::getStringFileValue(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return decodeUtf8(file.readAll());
}

QString FileFunctions::getStringFileValueFromDocumentDirectory(const QString& fileName) {
    return getStringFileValue(getPathForDocumentDirectoryResource(fileName));
}

void FileFunctions::saveStringAsFile(const QString& text, const QString& toFullFilePath) {
    QString ignored;
    writeFileAtPath(toFullFilePath, text.toUtf8(), &ignored);
}

void FileFunctions::saveStringAsFileToDocumentDirectory(const QString& text,
                                                        const QString& withFileName) {
    saveStringAsFile(text, getPathForDocumentDirectoryResource(withFileName));
}

bool FileFunctions::fileExistsAtPath(const QString& path) {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool FileFunctions::createFileAtPath(const QString& path, const QByteArray& contents,
                                     const QVariantMap&) {
    QString error;
    return writeFileAtPath(path, contents, &error);
}

bool FileFunctions::writeFileAtPath(const QString& path, const QByteArray& contents,
                                    QString* error) {
    if (path.isEmpty()) {
        *error = u"no file name"_s;
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool FileFunctions::createDirectoryAtPath(const QString& path, const QVariantMap&) {
    return !path.isEmpty() && QDir().mkdir(path);
}

bool FileFunctions::copyItemAtPath(const QString& source, const QString& toPath) {
    if (source.isEmpty() || toPath.isEmpty() || !QFileInfo::exists(source) ||
        QFileInfo::exists(toPath)) {
        return false;
    }
    if (copyRecursively(source, toPath)) {
        return true;
    }
    deleteFileAtPath(toPath);  // no half-made copy is left behind
    return false;
}

void FileFunctions::deleteFileAtPath(const QString& path) {
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        QDir(path).removeRecursively();
    } else {
        QFile::remove(path);
    }
}

void FileFunctions::deleteFileFromDocumentDirectory(const QString& fileName) {
    if (fileName.isEmpty() || fileName == u"."_s || fileName == u".."_s) {
        return;  // never the documents directory itself, nor what holds it
    }
    deleteFileAtPath(getPathForDocumentDirectoryResource(fileName));
}

std::optional<QStringList> FileFunctions::getDirectoryContentsAtPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable()) {
        return std::nullopt;
    }
    return QDir(path).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

std::optional<QStringList> FileFunctions::getDirectoryContentsAtDocumentDirectory() {
    return getDirectoryContentsAtPath(getDocumentDirectoryPath());
}

bool FileFunctions::isWritableAtPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isWritable()) {
        return false;
    }
    return info.ownerId() != uint(::geteuid()) || info.permission(QFile::WriteOwner);
}

QString FileFunctions::moveItemAsideAtPath(const QString& path, const QString& suffix,
                                           const QStringList& companionSuffixes) {
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return {};
    }
    const QString stamp = Clock::now().toString(u"yyyy-MM-dd-HHmmss"_s);
    const auto taken = [&](const QString& name) {
        if (QFileInfo::exists(name)) {
            return true;
        }
        return std::any_of(
            companionSuffixes.begin(), companionSuffixes.end(),
            [&](const QString& companion) { return QFileInfo::exists(name + companion); });
    };
    QString target;
    for (int number = 1; number < 1000 && target.isNull(); ++number) {
        const QString candidate = number == 1
                                      ? u"%1.%2.%3"_s.arg(path, stamp, suffix)
                                      : u"%1.%2-%3.%4"_s.arg(path, stamp).arg(number).arg(suffix);
        if (!taken(candidate)) {
            target = candidate;
        }
    }
    if (target.isNull()) {
        return {};
    }
    // Companions first: a journal left behind without its database could be replayed into the
    // new database made at the old name.
    QStringList moved;
    const auto undo = [&] {
        for (const QString& companion : std::as_const(moved)) {
            QFile::rename(target + companion, path + companion);
        }
        return QString();
    };
    for (const QString& companion : companionSuffixes) {
        if (QFileInfo::exists(path + companion)) {
            // QFile::rename never replaces an existing file.
            if (!QFile::rename(path + companion, target + companion)) {
                return undo();
            }
            moved.append(companion);
        }
    }
    if (!QFile::rename(path, target)) {
        return undo();
    }
    return target;
}
