#pragma once

#include <QString>

// The settings of this build, read once from the information file compiled into the
// executable (":/Info.json"): the platform it serves, its display name, store link and URL
// scheme, and the deployment settings (service addresses, feedback address, site pages), each
// of which an environment variable may override. One instance per process, created on first
// use under a lock; the getters take no lock because nothing changes after creation (except
// through resetInstance, which only tests call).
class Model {
public:
    static Model* instanceOf();
    // Reads the information file anew when the instance exists; otherwise does nothing.
    static void resetInstance();

    // Where the information file is read from; tests point it at another build's file.
    static void setInformationFilePath(const QString& path);
    static QString informationFilePath();

    void initializeSingleton();
    void initializeAppProperties();

    QString platformCode() const { return _platformCode; }
    QString homescreenTitle() const { return _homescreenTitle; }
    QString iTunesURL() const { return _iTunesURL; }
    QString customURLScheme() const { return _customURLScheme; }

    // Deployment settings. An empty metrics address means no metric leaves the machine.
    QString catalogueServiceURL() const { return catalogueServiceURL_; }
    QString reviewServiceURL() const { return reviewServiceURL_; }
    QString metricsServiceURL() const { return metricsServiceURL_; }
    QString reviewSiteURL() const { return reviewSiteURL_; }
    QString gameSiteURL() const { return gameSiteURL_; }
    QString feedbackAddress() const { return feedbackAddress_; }
    QString wishLinkHost() const { return wishLinkHost_; }

private:
    Model() = default;

    QString _platformCode;
    QString _homescreenTitle;
    QString _iTunesURL;
    QString _customURLScheme;

    QString catalogueServiceURL_;
    QString reviewServiceURL_;
    QString metricsServiceURL_;
    QString reviewSiteURL_;
    QString gameSiteURL_;
    QString feedbackAddress_;
    QString wishLinkHost_;
};
