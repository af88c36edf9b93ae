#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "CapturedConsole.h"
#include "DateFunctions.h"
#include "FakeHttpServer.h"
#include "Model.h"
#include "NotificationCenter.h"
#include "QStringPrinter.h"
#include "ScopedClock.h"
#include "TestStore.h"
#include "UpdateController.h"
#include "UserDefaults.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString row(const QString& title, const QString& id) {
    const QStringList fields = {title,        u"0"_s,          u"4"_s,   u"3"_s,    id,
                                u"pb"_s + id, u"wii"_s,        u"RPG"_s, u"TEEN"_s, u"Wii"_s,
                                u"RPG"_s,     u"Teen"_s,       u""_s,    u""_s,     u""_s,
                                u"Text"_s,    u"2010-03-01"_s, u"Dev"_s, u"Pub"_s};
    return u"\""_s + fields.join(u"\",\""_s) + u"\"\r"_s;
}

class WebUpdate : public testing::Test {
protected:
    WebUpdate()
        : clock_(QDateTime(QDate(2010, 3, 10), QTime(9, 0), Qt::LocalTime)),
          controller_(store_.context.get(), store_.model.get()) {
        qputenv("QUESTLOG_CATALOGUE_SERVICE", server_.url().toUtf8());
        Model::setInformationFilePath(u":/builds/wii/Info.json"_s);
        Model::resetInstance();
        UserDefaults::resetStandardUserDefaults();
        NotificationCenter::defaultCenter()->addObserver(
            this, u"NOTIF_GAMES_UPDATED"_s, [this](const Notification&) { ++updatedPosts_; });
    }
    ~WebUpdate() override {
        NotificationCenter::defaultCenter()->removeObserver(this);
        qunsetenv("QUESTLOG_CATALOGUE_SERVICE");
        Model::resetInstance();
        UserDefaults::resetStandardUserDefaults();
    }

    void answerWith(const QByteArray& body, int status = 200) {
        FakeHttpServer::Response response;
        response.status = status;
        response.body = body;
        server_.answer(u"/DB2Web/execute.do"_s, response);
    }

    // Runs the day's update and waits until the answer has been applied (or failed).
    void runUpdate() {
        controller_.startWebUpdateCall();
        ASSERT_NE(controller_.connection(), nullptr);
        // The connection keeps its outcome record once the transfer has ended either way.
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller_.connection()->result() != nullptr; }));
    }

    QList<Game*> games() { return store_.gamesByTitle(); }

    FakeHttpServer server_;
    ScopedClock clock_;
    TestStore store_;
    UpdateController controller_;
    int updatedPosts_ = 0;
};

}  // namespace

TEST_F(WebUpdate, AsksWithPlatformAndStoredDate) {
    controller_.setLastUpdateYMD(u"2010-03-01"_s);
    const QString url = controller_.getUpdateFileURL();
    EXPECT_TRUE(url.startsWith(server_.url(u"/DB2Web/execute.do?name=questlog_cvs_game_list&"_s)))
        << url.toStdString();
    EXPECT_TRUE(url.endsWith(u"PLATFORM=wii&LAST_UPDATED=2010-03-01"_s)) << url.toStdString();
    controller_.setLastUpdateYMD(u"2010-3-1"_s);
    EXPECT_TRUE(controller_.getUpdateFileURL().isNull());
}

TEST_F(WebUpdate, AtMostOnceADay) {
    controller_.setLastUpdateYMD(u"2010-03-10"_s);
    answerWith("<reportDateYMD>2010-03-11</reportDateYMD>");
    controller_.startWebUpdateCall();
    EXPECT_EQ(controller_.connection(), nullptr);  // nothing was asked
}

TEST_F(WebUpdate, AnswerUpdatesKnownGamesAddsNewOnesAndAnnouncesIt) {
    controller_.addGamesToEntityFromUpdateFileReturnReportYMD(
        u"<reportDateYMD>2010-03-01</reportDateYMD><games>\n"_s + row(u"Known"_s, u"k1"_s) +
            u"\n</games>"_s,
        false);
    games().first()->setMyIsWished(1);
    controller_.setLastUpdateYMD(u"2010-03-01"_s);
    answerWith((u"<reportDateYMD>2010-03-05</reportDateYMD>\n<games>\n"_s +
                row(u"Known, renamed"_s, u"k1"_s) + u"\n"_s + row(u"New"_s, u"n1"_s) +
                u"\n</games>"_s)
                   .toUtf8());
    runUpdate();
    ASSERT_EQ(server_.requests().size(), 1);
    const QList<Game*> all = games();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0]->title(), u"Known, renamed"_s);
    EXPECT_EQ(all[0]->myIsWished(), 1);
    EXPECT_EQ(all[1]->title(), u"New"_s);
    EXPECT_EQ(controller_.getLastUpdateYMD(), u"2010-03-05"_s);
    EXPECT_EQ(updatedPosts_, 1);
    EXPECT_FALSE(store_.context->hasChanges());
}

TEST_F(WebUpdate, ErrorPageKeepsTheStoredDateAndWaitsForTomorrow) {
    controller_.setLastUpdateYMD(u"2010-03-01"_s);
    for (const QByteArray& body :
         {QByteArray("<html>Service down</html>\n<games>\n" + row(u"Ignored"_s, u"x"_s).toUtf8() +
                     "\n</games>"),
          QByteArray(), QByteArray("\xff\xfe<reportDateYMD>2010-03-09</reportDateYMD>")}) {
        UserDefaults::standardUserDefaults()->removeObjectForKey(
            controller_.getLastUpdateAttemptYMDKey());
        answerWith(body, 500);
        runUpdate();
        EXPECT_TRUE(games().isEmpty());
        EXPECT_EQ(controller_.getLastUpdateYMD(), u"2010-03-01"_s);
        EXPECT_EQ(updatedPosts_, 0);
    }
    // Asked today already: no second request until tomorrow, which asks with the old date.
    const OrvConnection* asked = controller_.connection();
    controller_.startWebUpdateCall();
    EXPECT_EQ(controller_.connection(), asked);  // no new request
    ScopedClock tomorrow(QDateTime(QDate(2010, 3, 11), QTime(9, 0), Qt::LocalTime));
    EXPECT_TRUE(controller_.getUpdateFileURL().endsWith(u"LAST_UPDATED=2010-03-01"_s));
}

TEST_F(WebUpdate, ReportDateThatIsNotADateStillAppliesItsRows) {
    controller_.setLastUpdateYMD(u"2010-03-01"_s);
    answerWith(("<reportDateYMD>2010-3-9</reportDateYMD><games>\n" +
                row(u"Applied"_s, u"a1"_s).toUtf8() + "\n</games>"));
    runUpdate();
    EXPECT_EQ(games().size(), 1);
    EXPECT_EQ(controller_.getLastUpdateYMD(), u"2010-03-01"_s);
    EXPECT_EQ(updatedPosts_, 0);
}

TEST_F(WebUpdate, FailedRequestChangesNothing) {
    controller_.setLastUpdateYMD(u"2010-03-01"_s);
    FakeHttpServer::Response cut;
    cut.body = QByteArray(4000, 'x');
    cut.cutMidBody = true;
    server_.answer(u"/DB2Web/execute.do"_s, cut);
    CapturedConsole captured;
    runUpdate();
    const QString log = captured.text();
    EXPECT_TRUE(log.contains(u"Connection failed: "_s)) << log.toStdString();
    EXPECT_EQ(controller_.getLastUpdateYMD(), u"2010-03-01"_s);
    EXPECT_EQ(updatedPosts_, 0);
}

TEST_F(WebUpdate, FirstLaunchHasNoDateSoNothingIsApplied) {
    CapturedConsole captured;
    runUpdate();  // no stored date: no address, the request fails at once
    const QString log = captured.text();
    EXPECT_TRUE(log.contains(u"Connection failed: "_s)) << log.toStdString();
    EXPECT_TRUE(server_.requests().isEmpty());
    EXPECT_TRUE(controller_.getLastUpdateYMD().isNull());
}
