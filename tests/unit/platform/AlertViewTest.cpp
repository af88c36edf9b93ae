#include "AlertView.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTitle = u"Network unavailable"_s;
const QString kMessage =
    u"You appear to not be connected to a network. Some resources may be unavailable."_s;

class AlertViewTest : public testing::Test {
protected:
    void SetUp() override {
        window_.resize(320, 480);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    void TearDown() override {
        // Nothing opened by one test may be found by the next.
        for (AlertView* alert : AlertView::visibleAlerts()) {
            delete alert;
        }
    }
    QWidget window_;
};

}  // namespace

TEST_F(AlertViewTest, OpensWithoutBlockingWhileTimersRunAndATestAnswersIt) {
    QPointer<AlertView> alert = new AlertView(kTitle, kMessage, u"OK"_s, &window_);
    QSignalSpy clicked(alert.data(), &AlertView::clickedButtonAtIndex);
    bool timerFired = false;
    QTimer::singleShot(30, &window_, [&] { timerFired = true; });

    alert->show();  // returns at once: no nested loop
    EXPECT_FALSE(timerFired);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(AlertView::visibleAlerts(), QList<AlertView*>{alert.data()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerFired; }, 2000));
    EXPECT_TRUE(alert->isVisible());

    // Answered from the event loop, as a user would.
    QTimer::singleShot(0, alert.data(), [&] { alert->dismissWithClickedButtonIndex(0, true); });
    ASSERT_TRUE(clicked.wait(2000));
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 0);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"OK"_s);
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return alert.isNull(); }, 2000));
}

TEST_F(AlertViewTest, KeepsTitleMessageAndButtonsInHandsetOrder) {
    auto* alert = new AlertView(kTitle, kMessage, u"Cancel"_s, &window_);
    EXPECT_EQ(alert->addButtonWithTitle(u"Retry"_s), 1);
    EXPECT_EQ(alert->addButtonWithTitle(u"Settings"_s), 2);
    EXPECT_EQ(alert->title(), kTitle);
    EXPECT_EQ(alert->message(), kMessage);
    EXPECT_EQ(alert->buttonTitles(), (QStringList{u"Cancel"_s, u"Retry"_s, u"Settings"_s}));
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->numberOfButtons(), 3);
    EXPECT_EQ(alert->buttonTitleAtIndex(2), u"Settings"_s);
    EXPECT_TRUE(alert->buttonTitleAtIndex(3).isNull());
    EXPECT_TRUE(alert->buttonTitleAtIndex(-1).isNull());
    EXPECT_EQ(alert->parentWidget(), &window_);
    EXPECT_FALSE(alert->isVisible());
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());  // not shown yet
    delete alert;

    AlertView noCancel(kTitle, kMessage, QString());
    EXPECT_EQ(noCancel.cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel.addButtonWithTitle(u"Only"_s), 0);
}

TEST_F(AlertViewTest, RealClickReportsThatButton) {
    auto* alert = new AlertView(kTitle, kMessage, u"Cancel"_s, &window_);
    alert->addButtonWithTitle(u"Retry"_s);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    QPushButton* retry = nullptr;
    for (QPushButton* button : alert->findChildren<QPushButton*>()) {
        if (button->text() == u"Retry"_s) {
            retry = button;
        }
    }
    ASSERT_NE(retry, nullptr);
    QTest::mouseClick(retry, Qt::LeftButton);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Retry"_s);
    EXPECT_FALSE(alert->isVisible());
}

TEST_F(AlertViewTest, EscapePressesCancel) {
    auto* alert = new AlertView(kTitle, kMessage, u"OK"_s, &window_);
    alert->addButtonWithTitle(u"Other"_s);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    QTest::keyClick(alert, Qt::Key_Escape);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 0);
}

TEST_F(AlertViewTest, UnknownButtonIndexChangesNothing) {
    auto* alert = new AlertView(kTitle, kMessage, u"OK"_s, &window_);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(1, false));
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(-1, false));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(clicked.size(), 0);
    EXPECT_EQ(AlertView::visibleAlerts().size(), 1);
}

TEST_F(AlertViewTest, SeveralOpenAlertsAreListedOldestFirst) {
    auto* first = new AlertView(u"one"_s, kMessage, u"OK"_s, &window_);
    auto* second = new AlertView(u"two"_s, kMessage, u"OK"_s, &window_);
    first->show();
    second->show();
    second->show();  // shown twice, listed once
    EXPECT_EQ(AlertView::visibleAlerts(), (QList<AlertView*>{first, second}));
    first->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(AlertView::visibleAlerts(), QList<AlertView*>{second});
    delete second;  // destroyed without an answer: forgotten all the same
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
}

TEST_F(AlertViewTest, OutsideTextShowsAsWrittenNeverAsMarkup) {
    const QString title = u"<b>Halo</b> & Co"_s;
    const QString message = u"<img src=\"file:///etc/passwd\">"_s;
    auto* alert = new AlertView(title, message, u"Tom & Jerry"_s, &window_);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    int plainLabels = 0;
    for (const QLabel* label : alert->findChildren<QLabel*>()) {
        if (label->text() == title || label->text() == message) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            ++plainLabels;
        }
    }
    EXPECT_EQ(plainLabels, 2);
    EXPECT_EQ(alert->buttonTitles(), QStringList{u"Tom & Jerry"_s});
    alert->dismissWithClickedButtonIndex(0, false);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Tom & Jerry"_s);
}
