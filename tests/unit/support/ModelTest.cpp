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

// Every build names its platform and scheme and sends no metrics; the environment overrides
// the deployment settings (set but empty switches a service off), never the identity.
TEST(Model, EveryBuildNamesItsPlatformAndTheEnvironmentOverridesOnlyDeployment) {
    for (const QString& code : {u"xbox360"_s, u"wii"_s, u"ps3"_s, u"psp"_s, u"pc"_s, u"ds"_s}) {
        const Model* settings = settingsOf(buildInfo(code));
        EXPECT_EQ(settings->platformCode() + settings->metricsServiceURL(), code);
        EXPECT_EQ(settings->customURLScheme(), u"questlog-"_s + code);
    }
    EXPECT_EQ(Model::instanceOf()->reviewServiceURL(), u"http://127.0.0.1:8471"_s);
    qputenv("QUESTLOG_CATALOGUE_SERVICE", "http://127.0.0.1:1/catalogue");
    qputenv("QUESTLOG_REVIEW_SERVICE", "");
    const Model* settings = settingsOf(buildInfo(u"wii"_s));
    qunsetenv("QUESTLOG_CATALOGUE_SERVICE");
    qunsetenv("QUESTLOG_REVIEW_SERVICE");
    EXPECT_EQ(settings->catalogueServiceURL(), u"http://127.0.0.1:1/catalogue"_s);
    EXPECT_EQ(settings->reviewServiceURL(), u""_s);
    EXPECT_EQ(settings->platformCode(), u"wii"_s);
}

TEST(Model, MissingBrokenOrOddInformationFilesGiveEmptySettings) {
    QFile file(qEnvironmentVariable("QUESTLOG_HOME") + u"/Info.json"_s);
    for (const QByteArray& content :
         {QByteArray("{ \"Platform Code\": "), QByteArray(R"({"Platform Code": 7})")}) {
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        EXPECT_TEXT(settingsOf(file.fileName())->platformCode(), u""_s);
        EXPECT_TEXT(settingsOf(file.fileName())->customURLScheme(), u""_s);
    }
    EXPECT_TEXT(settingsOf(u":/no/such/Info.json"_s)->platformCode(), u""_s);
}

}  // namespace
