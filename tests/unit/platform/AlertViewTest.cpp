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

const QString kMessage = u"You appear to not be connected to a network."_s;

class AlertViewTest : public testing::Test {
protected:
    AlertViewTest() { window_.show(); }
    // Nothing opened by one test may be found by the next.
    ~AlertViewTest() override { qDeleteAll(AlertView::visibleAlerts()); }

    QWidget window_;
};

}  // namespace

TEST_F(AlertViewTest, OpensWithoutBlockingAndAnAnswerFromTheEventLoopClosesIt) {
    QPointer<AlertView> alert = new AlertView(u"Network"_s, kMessage, u"OK"_s, &window_);
    QSignalSpy clicked(alert.data(), &AlertView::clickedButtonAtIndex);
    bool timerFired = false;
    QTimer::singleShot(0, &window_, [&] { timerFired = true; });
    alert->show();
    EXPECT_FALSE(timerFired);  // returned at once: no nested loop
    EXPECT_EQ(AlertView::visibleAlerts(), QList<AlertView*>{alert.data()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerFired; }));
    EXPECT_TRUE(alert->isVisible());

    QTimer::singleShot(0, alert.data(), [&] { alert->dismissWithClickedButtonIndex(0, true); });
    ASSERT_TRUE(clicked.wait());
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"OK"_s);
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return alert.isNull(); }));
}

TEST_F(AlertViewTest, CancelIsButtonZeroAndAddedButtonsFollowInOrder) {
    AlertView alert(u"Network"_s, kMessage, u"Cancel"_s, &window_);
    EXPECT_EQ(alert.addButtonWithTitle(u"Retry"_s), 1);
    EXPECT_EQ(alert.addButtonWithTitle(u"Settings"_s), 2);
    EXPECT_EQ(alert.buttonTitles(), (QStringList{u"Cancel"_s, u"Retry"_s, u"Settings"_s}));
    EXPECT_EQ(alert.cancelButtonIndex(), 0);
    EXPECT_TRUE(alert.buttonTitleAtIndex(3).isNull());
    EXPECT_TRUE(alert.buttonTitleAtIndex(-1).isNull());
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());  // not shown yet

    AlertView noCancel(u"Network"_s, kMessage, QString());
    EXPECT_EQ(noCancel.cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel.addButtonWithTitle(u"Only"_s), 0);
}

TEST_F(AlertViewTest, ClicksEscapeAndTheTestHookPressButtons) {
    auto* alert = new AlertView(u"Network"_s, kMessage, u"Cancel"_s, &window_);
    alert->addButtonWithTitle(u"Retry"_s);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(2, false));
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(-1, false));
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(clicked.size(), 0);
    for (QPushButton* button : alert->findChildren<QPushButton*>()) {
        if (button->text() == u"Retry"_s) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(alert->isVisible());

    auto* escaped = new AlertView(u"Network"_s, kMessage, u"OK"_s, &window_);
    escaped->addButtonWithTitle(u"Other"_s);
    QSignalSpy escapedClicked(escaped, &AlertView::clickedButtonAtIndex);
    escaped->show();
    QTest::keyClick(escaped, Qt::Key_Escape);
    ASSERT_EQ(escapedClicked.size(), 1);
    EXPECT_EQ(escapedClicked.at(0).at(0).toInt(), 0);
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
    AlertView alert(title, message, u"OK"_s, &window_);
    alert.show();
    int plainLabels = 0;
    for (const QLabel* label : alert.findChildren<QLabel*>()) {
        if (label->text() == title || label->text() == message) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
            ++plainLabels;
        }
    }
    EXPECT_EQ(plainLabels, 2);
}
