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

class AlertViewTest : public testing::Test {
protected:
    AlertViewTest() { window_.show(); }
    // Nothing opened by one test may be found by the next.
    ~AlertViewTest() override { qDeleteAll(AlertView::visibleAlerts()); }
    AlertView* alert(const QString& title, const QString& cancel = u"Cancel"_s) {
        return new AlertView(title, u"No network."_s, cancel, &window_);
    }

    QWidget window_;
};

}  // namespace

// Open alerts are listed oldest first until answered or destroyed; show() returns at once.
TEST_F(AlertViewTest, OpensWithoutBlockingAndAnAnswerFromTheEventLoopClosesIt) {
    QPointer<AlertView> first = alert(u"one"_s, u"OK"_s);
    AlertView* second = alert(u"two"_s);
    QSignalSpy clicked(first.data(), &AlertView::clickedButtonAtIndex);
    bool timerFired = false;
    QTimer::singleShot(0, &window_, [&] { timerFired = true; });
    first->show();
    second->show();
    second->show();  // shown twice, listed once
    EXPECT_FALSE(timerFired);
    EXPECT_EQ(AlertView::visibleAlerts(), (QList<AlertView*>{first, second}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerFired; }));
    QTimer::singleShot(0, first, [&] { first->dismissWithClickedButtonIndex(0, true); });
    ASSERT_TRUE(clicked.wait());
    EXPECT_EQ(clicked, (QList<QVariantList>{{0, u"OK"_s}}));
    EXPECT_EQ(AlertView::visibleAlerts(), QList<AlertView*>{second});
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
    delete second;
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
}

// Cancel is button 0 when given; added buttons follow. Clicks and Escape (cancel) press them;
// unknown indexes press nothing. Outside text shows as written, never as markup.
TEST_F(AlertViewTest, ButtonsAreNumberedInOrderAndPressedOnce) {
    const QString title = u"<b>Halo</b> & Co"_s;
    AlertView* noCancel = new AlertView(title, u"<img src=\"file:///x\">"_s, QString(), &window_);
    EXPECT_EQ(noCancel->cancelButtonIndex(), -1);
    EXPECT_EQ(noCancel->addButtonWithTitle(u"Only"_s), 0);
    AlertView* withCancel = alert(u"Network"_s);
    EXPECT_EQ(withCancel->addButtonWithTitle(u"Retry"_s), 1);
    EXPECT_EQ(withCancel->buttonTitles(), (QStringList{u"Cancel"_s, u"Retry"_s}));
    EXPECT_TRUE(withCancel->buttonTitleAtIndex(2).isNull());
    QSignalSpy escaped(withCancel, &AlertView::clickedButtonAtIndex);
    withCancel->show();
    EXPECT_FALSE(withCancel->dismissWithClickedButtonIndex(2, false));
    EXPECT_FALSE(withCancel->dismissWithClickedButtonIndex(-1, false));
    QTest::keyClick(withCancel, Qt::Key_Escape);
    EXPECT_EQ(escaped, (QList<QVariantList>{{0, u"Cancel"_s}}));
    QSignalSpy clicked(noCancel, &AlertView::clickedButtonAtIndex);
    noCancel->show();
    int plainLabels = 0;  // the title and the message
    for (const QLabel* label : noCancel->findChildren<QLabel*>()) {
        const bool outside = label->text() == title || label->text().startsWith(u"<img"_s);
        plainLabels += outside && label->textFormat() == Qt::PlainText ? 1 : 0;
    }
    EXPECT_EQ(plainLabels, 2);
    QTest::mouseClick(noCancel->findChild<QPushButton*>(), Qt::LeftButton);
    EXPECT_EQ(clicked, (QList<QVariantList>{{0, u"Only"_s}}));
}
