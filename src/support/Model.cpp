#include "Model.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <mutex>

#include "MyLog.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// instanceMutex guards the following state.
std::mutex instanceMutex;
Model* sharedInstance = nullptr;
QString infoPath = u":/Info.json"_s;

QJsonObject readInformationFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        MYLOG(u"Model: cannot read the information file %@"_s, path);
        return {};
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        MYLOG(u"Model: the information file %@ is not a JSON object: %@"_s, path,
              error.errorString());
        return {};
    }
    return document.object();
}

// A missing key reads as "" so that links and titles degrade instead of failing.
QString stringValue(const QJsonObject& info, const QString& key) {
    const QJsonValue value = info.value(key);
    return value.isString() ? value.toString() : u""_s;
}

// The environment wins over the information file when the variable is set at all, so an empty
// value can switch a service off.
QString setting(const QJsonObject& info, const QString& key, const char* environmentVariable) {
    if (qEnvironmentVariableIsSet(environmentVariable)) {
        return qEnvironmentVariable(environmentVariable);
    }
    return stringValue(info, key);
}

}  // namespace

Model* Model::instanceOf() {
    std::lock_guard lock(instanceMutex);
    if (!sharedInstance) {
        sharedInstance = new Model();
        sharedInstance->initializeSingleton();
    }
    return sharedInstance;
}

void Model::resetInstance() {
    std::lock_guard lock(instanceMutex);
    if (sharedInstance) {
        sharedInstance->initializeSingleton();
    }
}

void Model::setInformationFilePath(const QString& path) {
    std::lock_guard lock(instanceMutex);
    infoPath = path;
}

QString Model::informationFilePath() {
    std::lock_guard lock(instanceMutex);
    return infoPath;
}

void Model::initializeSingleton() {
    initializeAppProperties();
}

void Model::initializeAppProperties() {
    // Runs under instanceMutex (from instanceOf / resetInstance), so infoPath is read directly.
    const QJsonObject info = readInformationFile(infoPath);
    _platformCode = stringValue(info, u"Platform Code"_s);
    _homescreenTitle = stringValue(info, u"CFBundleDisplayName"_s);
    _iTunesURL = stringValue(info, u"iTunes URL"_s);
    _customURLScheme = stringValue(info, u"Custom URL Scheme"_s);
    if (_platformCode.isEmpty()) {
        MYLOG(
            u"Model: the information file %@ names no platform code; no catalogue can be "
            u"installed"_s,
            infoPath);
    }

    catalogueServiceURL_ = setting(info, u"Catalogue Service URL"_s, "QUESTLOG_CATALOGUE_SERVICE");
    reviewServiceURL_ = setting(info, u"Review Service URL"_s, "QUESTLOG_REVIEW_SERVICE");
    metricsServiceURL_ = setting(info, u"Metrics Service URL"_s, "QUESTLOG_METRICS_SERVICE");
    reviewSiteURL_ = setting(info, u"Review Site URL"_s, "QUESTLOG_REVIEW_SITE");
    gameSiteURL_ = setting(info, u"Game Site URL"_s, "QUESTLOG_GAME_SITE");
    feedbackAddress_ = stringValue(info, u"Feedback Address"_s);
    wishLinkHost_ = stringValue(info, u"Wish Link Host"_s);
}
