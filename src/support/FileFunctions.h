#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

// The two places the program keeps files: the read-only bundle (the Qt resource system, ":/")
// and the writable documents directory ($QUESTLOG_HOME when set, else the build's per-user
// data folder, created on first use). Failures answer null, false or nothing; no messages.
// Stateless: any thread may call these.
class FileFunctions {
public:
    static QString getDocumentDirectoryPath();
    static QString getPathForDocumentDirectoryResource(const QString& fileName);
    static QString getPathForBundleResource(const QString& fileName);

    // Text as UTF-8; null when the file is missing, unreadable or not valid UTF-8.
    static QString getStringFileValueFromBundle(const QString& name, const QString& withExtention);
    static QString getStringFileValue(const QString& path);
    static QString getStringFileValueFromDocumentDirectory(const QString& fileName);

    // Atomic: readers see the old file or the new one, never half of it. Failures are ignored.
    static void saveStringAsFile(const QString& text, const QString& toFullFilePath);
    static void saveStringAsFileToDocumentDirectory(const QString& text,
                                                    const QString& withFileName);

    static bool fileExistsAtPath(const QString& path);
    static bool createFileAtPath(const QString& path, const QByteArray& contents,
                                 const QVariantMap& attributes = {});
    // As createFileAtPath (atomic), with the reason in `error` when it fails.
    static bool writeFileAtPath(const QString& path, const QByteArray& contents, QString* error);
    // The parent must exist already.
    static bool createDirectoryAtPath(const QString& path, const QVariantMap& attributes = {});
    // Files or whole directories; false when the destination exists or the copy fails.
    static bool copyItemAtPath(const QString& source, const QString& toPath);
    static void deleteFileAtPath(const QString& path);
    static void deleteFileFromDocumentDirectory(const QString& fileName);
    // Entry names (not full paths); nothing when the directory cannot be read.
    static std::optional<QStringList> getDirectoryContentsAtPath(const QString& path);
    static std::optional<QStringList> getDirectoryContentsAtDocumentDirectory();

    // Whether the program may write the file or folder: the system allows it and, for what we
    // own, the owner's write bit is set. A file or folder its owner made read-only stays so even
    // where the system would let us through (run as root).
    static bool isWritableAtPath(const QString& path);
    // Renames the file (and each of `path` + companion suffix that exists) to
    // "<path>.<yyyy-MM-dd-HHmmss>.<suffix>" (companions keep their suffix after that name), never
    // over anything: a name taken already gets "-2", "-3"... after the time. The new path of the
    // file, or null when it could not be moved; then nothing was moved.
    static QString moveItemAsideAtPath(const QString& path, const QString& suffix,
                                       const QStringList& companionSuffixes = {});
};
