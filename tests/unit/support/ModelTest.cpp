#include "Model.h"

#include <gtest/gtest.h>

#include <QFile>
#include <thread>
#include <vector>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Points the settings at an information file and reads it anew.
const Model* settingsOf(const QString& path) {
    Model::setInformationFilePath(path);
    Model::resetInstance();
    return Model::instanceOf();
}
QString buildInfo(const QString& code) {
    return u":/builds/%1/Info.json"_s.arg(code);
}

TEST(Model, ConcurrentFirstCallsCreateOneInstanceReadOnce) {
    Model::setInformationFilePath(buildInfo(u"ds"_s));
    std::vector<Model*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (Model*& instance : seen) {
        threads.emplace_back([&instance] { instance = Model::instanceOf(); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), seen.front()), 8);
    EXPECT_EQ(seen.front()->platformCode(), u"ds"_s);
    // Later calls do not read the file again: only resetInstance does, into the same instance.
    Model::setInformationFilePath(buildInfo(u"pc"_s));
    EXPECT_EQ(Model::instanceOf()->platformCode(), u"ds"_s);
    EXPECT_EQ(settingsOf(buildInfo(u"pc"_s)), seen.front());
    EXPECT_EQ(seen.front()->platformCode(), u"pc"_s);
}

TEST(Model, EveryBuildNamesItsPlatformAndSchemeAndSendsNoMetrics) {
    for (const QString& code : {u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s, u"ds"_s}) {
        const Model* settings = settingsOf(buildInfo(code));
        EXPECT_EQ(settings->platformCode(), code);
        EXPECT_EQ(settings->customURLScheme(), u"questlog-"_s + code);
        EXPECT_EQ(settings->metricsServiceURL(), u""_s);
    }
}

TEST(Model, EnvironmentOverridesTheDeploymentSettingsNotTheIdentity) {
    qputenv("QUESTLOG_CATALOGUE_SERVICE", "http://127.0.0.1:1/catalogue");
    qputenv("QUESTLOG_METRICS_SERVICE", "http://127.0.0.1:3");
    qputenv("QUESTLOG_GAME_SITE", "http://127.0.0.1:5/games");
    qputenv("QUESTLOG_REVIEW_SERVICE", "");  // set but empty switches a service off
    const Model* settings = settingsOf(buildInfo(u"wii"_s));
    EXPECT_EQ(settings->catalogueServiceURL(), u"http://127.0.0.1:1/catalogue"_s);
    EXPECT_EQ(settings->metricsServiceURL(), u"http://127.0.0.1:3"_s);
    EXPECT_EQ(settings->gameSiteURL(), u"http://127.0.0.1:5/games"_s);
    EXPECT_EQ(settings->reviewServiceURL(), u""_s);
    EXPECT_EQ(settings->platformCode(), u"wii"_s);
    for (const char* name : {"QUESTLOG_CATALOGUE_SERVICE", "QUESTLOG_METRICS_SERVICE",
                             "QUESTLOG_GAME_SITE", "QUESTLOG_REVIEW_SERVICE"}) {
        qunsetenv(name);
    }
    EXPECT_EQ(settingsOf(buildInfo(u"wii"_s))->reviewServiceURL(), u"http://127.0.0.1:8471"_s);
}

TEST(Model, MissingBrokenOrOddInformationFilesGiveEmptySettings) {
    QFile file(qEnvironmentVariable("QUESTLOG_HOME") + u"/Info.json"_s);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ \"Platform Code\": ");
    file.close();
    for (const QString& path : {file.fileName(), u":/no/such/Info.json"_s}) {
        EXPECT_TEXT(settingsOf(path)->platformCode(), u""_s);
        EXPECT_TEXT(settingsOf(path)->customURLScheme(), u""_s);
    }
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"Platform Code": 7, "CFBundleDisplayName": "Questlog Odd"})");
    file.close();
    EXPECT_TEXT(settingsOf(file.fileName())->platformCode(), u""_s);
    EXPECT_EQ(settingsOf(file.fileName())->homescreenTitle(), u"Questlog Odd"_s);
}

}  // namespace
