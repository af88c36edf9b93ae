#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <mutex>

// The program's small persistent settings (last catalogue update, list tab, sort and filter):
// an INI file, "UserDefaults.ini", in the data home (FileFunctions::getDocumentDirectoryPath()).
// Changes are visible at once and reach the disk on synchronize() (or when Qt flushes on its
// own). Absent keys read as a null QString, 0 or false. Values come back as text after the file
// is read anew, so read them with the typed getters rather than objectForKey().
// Meant for the main thread; every call takes the instance's lock, so other threads are safe.
class UserDefaults {
public:
    // The shared instance, opened on first use in the current data home.
    static UserDefaults* standardUserDefaults();
    // Tests only: drops the shared instance (writing what it holds) so that the next
    // standardUserDefaults() opens the file of the data home that is current then. Pointers to
    // the old instance dangle afterwards.
    static void resetStandardUserDefaults();

    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;
    ~UserDefaults();

    // Invalid QVariant when absent.
    QVariant objectForKey(const QString& defaultName) const;
    // Text values as they are ("" stays ""), numbers in their decimal form; null otherwise.
    QString stringForKey(const QString& defaultName) const;
    // Numbers truncated; text by its leading decimal integer ("12abc" is 12); 0 otherwise.
    int integerForKey(const QString& defaultName) const;
    // Numbers by non-zero; text true when its first non-blank character after any sign and
    // leading zeros is Y, y, T, t or a digit 1-9 ("YES", "true", "1"); false otherwise.
    bool boolForKey(const QString& defaultName) const;

    // An invalid QVariant or a null QString removes the key.
    void setObject(const QVariant& value, const QString& forKey);
    void setInteger(int value, const QString& forKey);
    // Kept as 1 or 0, so integer and text readers agree with the bool reader.
    void setBool(bool value, const QString& forKey);
    void removeObjectForKey(const QString& defaultName);

    // Writes pending changes and reads changes made by others; false (and a log line) when the
    // file cannot be written.
    bool synchronize();

    QString filePath() const;

private:
    explicit UserDefaults(const QString& path);

    mutable std::mutex mu_;
    // mu_ protects the following state.
    QSettings settings_;
};
