#include "Model.h"

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString infoFileOf(const QString& code) {
    return u":/builds/%1/Info.json"_s.arg(code);
}

// Points the settings at one build's information file and reads it anew.
Model* settingsOf(const QString& code) {
    Model::setInformationFilePath(infoFileOf(code));
    Model::resetInstance();
    return Model::instanceOf();
}

const char* const kOverrides[] = {"QUESTLOG_CATALOGUE_SERVICE", "QUESTLOG_REVIEW_SERVICE",
                                  "QUESTLOG_METRICS_SERVICE", "QUESTLOG_REVIEW_SITE",
                                  "QUESTLOG_GAME_SITE"};

class ModelSettings : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kOverrides) {
            qunsetenv(name);
        }
    }
    void TearDown() override { SetUp(); }
};

}  // namespace

TEST_F(ModelSettings, ConcurrentFirstCallsCreateOneInstanceReadOnce) {
    Model::setInformationFilePath(infoFileOf(u"ds"_s));
    std::vector<std::thread> threads;
    std::vector<Model*> seen(8, nullptr);
    std::atomic<bool> go{false};
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go) {
            }
            seen[i] = Model::instanceOf();
        });
    }
    go = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(std::set<Model*>(seen.begin(), seen.end()).size(), 1u);
    EXPECT_EQ(seen.front()->platformCode(), u"ds"_s);

    // The file is not read again by later calls: only resetInstance reads anew.
    Model::setInformationFilePath(infoFileOf(u"pc"_s));
    EXPECT_EQ(Model::instanceOf()->platformCode(), u"ds"_s);
    Model::resetInstance();
    EXPECT_EQ(Model::instanceOf(), seen.front());
    EXPECT_EQ(Model::instanceOf()->platformCode(), u"pc"_s);
}

TEST_F(ModelSettings, EveryBuildNamesItsPlatformTitleAndScheme) {
    const struct {
        QString code, title;
    } builds[] = {{u"xbox360"_s, u"Questlog 360"_s}, {u"wii"_s, u"Questlog Wii"_s},
                  {u"ps3"_s, u"Questlog PS3"_s},     {u"psp"_s, u"Questlog PSP"_s},
                  {u"pc"_s, u"Questlog PC"_s},       {u"ds"_s, u"Questlog DS"_s}};
    for (const auto& build : builds) {
        const Model* settings = settingsOf(build.code);
        EXPECT_EQ(settings->platformCode(), build.code);
        EXPECT_EQ(settings->homescreenTitle(), build.title);
        EXPECT_EQ(settings->customURLScheme(), u"questlog-"_s + build.code);
        EXPECT_FALSE(settings->iTunesURL().isEmpty());
        EXPECT_FALSE(settings->feedbackAddress().isEmpty());
        // No metric leaves the machine unless a deployment asks for it.
        EXPECT_EQ(settings->metricsServiceURL(), u""_s);
        EXPECT_TRUE(settings->catalogueServiceURL().startsWith(u"http://"_s));
        EXPECT_TRUE(settings->reviewServiceURL().startsWith(u"http://"_s));
    }
}

TEST_F(ModelSettings, EnvironmentOverridesTheDeploymentSettings) {
    qputenv("QUESTLOG_CATALOGUE_SERVICE", "http://127.0.0.1:1/catalogue");
    qputenv("QUESTLOG_REVIEW_SERVICE", "http://127.0.0.1:2");
    qputenv("QUESTLOG_METRICS_SERVICE", "http://127.0.0.1:3");
    qputenv("QUESTLOG_REVIEW_SITE", "http://127.0.0.1:4/site");
    qputenv("QUESTLOG_GAME_SITE", "http://127.0.0.1:5/games");
    const Model* settings = settingsOf(u"wii"_s);
    EXPECT_EQ(settings->catalogueServiceURL(), u"http://127.0.0.1:1/catalogue"_s);
    EXPECT_EQ(settings->reviewServiceURL(), u"http://127.0.0.1:2"_s);
    EXPECT_EQ(settings->metricsServiceURL(), u"http://127.0.0.1:3"_s);
    EXPECT_EQ(settings->reviewSiteURL(), u"http://127.0.0.1:4/site"_s);
    EXPECT_EQ(settings->gameSiteURL(), u"http://127.0.0.1:5/games"_s);
    // The build's own identity is never overridden.
    EXPECT_EQ(settings->platformCode(), u"wii"_s);

    // Set but empty switches a service off.
    qputenv("QUESTLOG_REVIEW_SERVICE", "");
    Model::resetInstance();
    EXPECT_EQ(settings->reviewServiceURL(), u""_s);
    qunsetenv("QUESTLOG_REVIEW_SERVICE");
    Model::resetInstance();
    EXPECT_EQ(settings->reviewServiceURL(), u"http://127.0.0.1:8471"_s);
}

TEST_F(ModelSettings, MissingOrBrokenInformationFileGivesEmptySettings) {
    const QString broken = qEnvironmentVariable("QUESTLOG_HOME") + u"/Info.json"_s;
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{ \"Platform Code\": ");
    file.close();
    for (const QString& path : {broken, u":/no/such/Info.json"_s}) {
        Model::setInformationFilePath(path);
        Model::resetInstance();
        const Model* settings = Model::instanceOf();
        EXPECT_EQ(settings->platformCode(), u""_s);
        EXPECT_EQ(settings->homescreenTitle(), u""_s);
        EXPECT_FALSE(settings->customURLScheme().isNull());
    }
}

TEST_F(ModelSettings, KeysOfTheWrongTypeReadAsEmpty) {
    const QString odd = qEnvironmentVariable("QUESTLOG_HOME") + u"/Info.json"_s;
    QFile file(odd);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"Platform Code": 7, "CFBundleDisplayName": "Questlog Odd"})");
    file.close();
    Model::setInformationFilePath(odd);
    Model::resetInstance();
    EXPECT_EQ(Model::instanceOf()->platformCode(), u""_s);
    EXPECT_EQ(Model::instanceOf()->homescreenTitle(), u"Questlog Odd"_s);
}
