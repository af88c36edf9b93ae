#include <gtest/gtest.h>

#include <QTest>

#include "CatalogueRows.h"
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

    // Runs the day's update and waits until the answer has been applied (or failed).
    void runUpdate() {
        controller_.startWebUpdateCall();
        ASSERT_NE(controller_.connection(), nullptr);
        // The connection keeps its outcome record once the transfer has ended either way.
        ASSERT_TRUE(QTest::qWaitFor([&] { return controller_.connection()->result() != nullptr; }));
    }

    FakeHttpServer server_;
    ScopedClock clock_;
    TestStore store_;
    UpdateController controller_;
    int updatedPosts_ = 0;
};

}  // namespace

// Only an answer with a valid report date moves the stored date and announces the update;
// error pages and a transfer cut midway change nothing, a report date that is no date still
// applies its rows. Any answer counts as the day's one question.
TEST_F(WebUpdate, AnswersApplyAndMoveTheDateOnlyWhenValid) {
    controller_.setLastUpdateYMD(u"2010-3-1"_s);
    EXPECT_TRUE(controller_.getUpdateFileURL().isNull());
    const QByteArray rows = "<games>\n" +
                            CatalogueGenerator::rowText(gameFields(u"New"_s, u"n1"_s)).toUtf8() +
                            "\n</games>";
    const struct {
        QByteArray body;
        int status;
        bool cut;
        const char* expected;  // games held | stored date | announcements
    } cases[] = {
        {"<html>Service down</html>\n" + rows, 500, false, "0|2010-03-01|0"},
        {QByteArray(), 500, false, "0|2010-03-01|0"},
        {"\xff\xfe<reportDateYMD>2010-03-09</reportDateYMD>", 500, false, "0|2010-03-01|0"},
        {QByteArray(4000, 'x'), 200, true, "0|2010-03-01|0"},
        {"<reportDateYMD>2010-3-9</reportDateYMD>" + rows, 200, false, "1|2010-03-01|0"},
        {"<reportDateYMD>2010-03-05</reportDateYMD>\n" + rows, 200, false, "1|2010-03-05|1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.left(20).toStdString());
        controller_.setLastUpdateYMD(u"2010-03-01"_s);
        UserDefaults::standardUserDefaults()->removeObjectForKey(
            controller_.getLastUpdateAttemptYMDKey());
        updatedPosts_ = 0;
        FakeHttpServer::Response response;
        response.status = c.status;
        response.body = c.body;
        response.cutMidBody = c.cut;
        server_.answer(u"/DB2Web/execute.do"_s, response);
        runUpdate();
        EXPECT_EQ(u"%1|%2|%3"_s.arg(store_.gamesByTitle().size())
                      .arg(controller_.getLastUpdateYMD())
                      .arg(updatedPosts_),
                  QString::fromUtf8(c.expected));
    }
    const OrvConnection* asked = controller_.connection();
    controller_.startWebUpdateCall();
    EXPECT_EQ(controller_.connection(), asked);  // answered today: not asked again
    ScopedClock tomorrow(QDateTime(QDate(2010, 3, 11), QTime(9, 0), Qt::LocalTime));
    EXPECT_TRUE(controller_.getUpdateFileURL().endsWith(u"LAST_UPDATED=2010-03-05"_s));
    controller_.setLastUpdateYMD(u"2010-03-11"_s);  // updated today: nothing is asked
    controller_.startWebUpdateCall();
    EXPECT_EQ(controller_.connection(), asked);
}
