#include "UserDefaults.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "Console.h"
#include "FileFunctions.h"
#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// instanceMutex guards the following state.
std::mutex instanceMutex;
std::unique_ptr<UserDefaults> sharedInstance;

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

qsizetype skipBlanks(const QString& text, qsizetype i) {
    while (i < text.size() && text[i].isSpace()) {
        ++i;
    }
    return i;
}

// The leading decimal integer of the text, saturated to int.
int leadingInteger(const QString& text) {
    qsizetype i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1) {
            break;
        }
    }
    value = negative ? -value : value;
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}

bool leadingTruth(const QString& text) {
    qsizetype i = skipBlanks(text, 0);
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        ++i;
    }
    while (i < text.size() && text[i] == u'0') {
        ++i;
    }
    if (i >= text.size()) {
        return false;
    }
    const QChar c = text[i];
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

// QSettings drops the lines it cannot read at its next write. So a file it cannot read wholly is
// moved aside first, and a copy takes its place: the readable values stay in use and the
// original bytes are never written over.
// What QSettings writes is UTF-8 text with control characters escaped, in lines it can parse.
bool readsWhole(const QString& path) {
    const QString text = FileFunctions::getStringFileValue(path);
    if (text.isNull() || std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() < 0x20 && c != u'\n' && c != u'\r' && c != u'\t';
        })) {
        return false;
    }
    // Parsed from a copy: QSettings shares one parsed file per path across the process, and one
    // holding a change it failed to write earlier would write it now, over the file under test.
    const QTemporaryDir scratch;
    const QString copy = scratch.filePath(u"probe.ini"_s);
    return !scratch.isValid() || !QFile::copy(path, copy) ||
           QSettings(copy, QSettings::IniFormat).status() != QSettings::FormatError;
}

QString setAsideIfDamaged(const QString& path) {
    if (!QFileInfo(path).isFile() || readsWhole(path)) {
        return path;
    }
    const QString aside = FileFunctions::moveItemAsideAtPath(path, u"damaged"_s);
    if (aside.isNull()) {
        Console::log(
            u"UserDefaults: %@ is damaged and cannot be moved aside; it is left as it is"_s, path);
    } else if (QFile::copy(aside, path)) {
        Console::log(u"UserDefaults: %@ is damaged; kept as %@, the readable settings stay"_s, path,
                     aside);
    } else {
        Console::log(u"UserDefaults: %@ is damaged; kept as %@, settings start empty"_s, path,
                     aside);
    }
    return path;
}

}  // namespace

UserDefaults* UserDefaults::standardUserDefaults() {
    std::lock_guard lock(instanceMutex);
    if (!sharedInstance) {
        sharedInstance.reset(new UserDefaults(
            FileFunctions::getPathForDocumentDirectoryResource(u"UserDefaults.ini"_s)));
    }
    return sharedInstance.get();
}

void UserDefaults::resetStandardUserDefaults() {
    std::lock_guard lock(instanceMutex);
    sharedInstance.reset();
}

UserDefaults::UserDefaults(const QString& path)
    : settings_(setAsideIfDamaged(path), QSettings::IniFormat) {}

UserDefaults::~UserDefaults() = default;

QVariant UserDefaults::objectForKey(const QString& defaultName) const {
    if (defaultName.isEmpty()) {
        return {};
    }
    std::lock_guard lock(mu_);
    return settings_.value(defaultName);
}

QString UserDefaults::stringForKey(const QString& defaultName) const {
    const QVariant value = objectForKey(defaultName);
    if (isText(value)) {
        // An empty value read back from the file may come as a null string; it is still there.
        const QString text = value.toString();
        return text.isNull() ? u""_s : text;
    }
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? u"1"_s : u"0"_s;
    }
    if (isNumber(value)) {
        return value.toString();
    }
    return {};
}

int UserDefaults::integerForKey(const QString& defaultName) const {
    const QVariant value = objectForKey(defaultName);
    if (isText(value)) {
        const QString text = value.toString();
        // QSettings writes a bool it was given as "true" or "false".
        if (text.trimmed().compare(u"true"_s, Qt::CaseInsensitive) == 0) {
            return 1;
        }
        return leadingInteger(text);
    }
    if (isNumber(value)) {
        const double number = value.toDouble();
        if (std::isnan(number)) {
            return 0;
        }
        return int(std::clamp<double>(number, std::numeric_limits<int>::min(),
                                      std::numeric_limits<int>::max()));
    }
    return 0;
}

bool UserDefaults::boolForKey(const QString& defaultName) const {
    const QVariant value = objectForKey(defaultName);
    if (isText(value)) {
        return leadingTruth(value.toString());
    }
    if (isNumber(value)) {
        return value.toDouble() != 0;
    }
    return false;
}

void UserDefaults::setObject(const QVariant& value, const QString& forKey) {
    if (forKey.isEmpty()) {
        MYLOG(u"UserDefaults: a value without a key was not stored"_s);
        return;
    }
    if (!value.isValid() || (isText(value) && value.toString().isNull())) {
        removeObjectForKey(forKey);
        return;
    }
    std::lock_guard lock(mu_);
    // Storing what is already there leaves nothing for synchronize to write: every write on
    // disk waits for the device, and screens store their choices on every press.
    const QVariant existing = settings_.value(forKey);
    if (existing.metaType() == value.metaType() && existing == value) {
        return;
    }
    settings_.setValue(forKey, value);
}

void UserDefaults::setInteger(int value, const QString& forKey) {
    setObject(QVariant(value), forKey);
}

void UserDefaults::setBool(bool value, const QString& forKey) {
    setObject(QVariant(value ? 1 : 0), forKey);
}

void UserDefaults::removeObjectForKey(const QString& defaultName) {
    if (defaultName.isEmpty()) {
        return;
    }
    std::lock_guard lock(mu_);
    settings_.remove(defaultName);
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mu_);
    settings_.sync();
    // A FormatError is the unreadable lines of the file as first read (logged on opening);
    // the values are written all the same. QSettings keeps the first error it met.
    if (settings_.status() == QSettings::AccessError) {
        MYLOG(u"UserDefaults: cannot write %@"_s, settings_.fileName());
        return false;
    }
    return true;
}

QString UserDefaults::filePath() const {
    std::lock_guard lock(mu_);
    return settings_.fileName();
}
