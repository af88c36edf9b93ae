#include "AlertView.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
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
    QCoreApplication::processEvents();
    ASSERT_TRUE(timerFired);
    QTimer::singleShot(0, first, [&] { first->dismissWithClickedButtonIndex(0, true); });
    ASSERT_TRUE(clicked.wait());
    EXPECT_EQ(clicked, (QList<QVariantList>{{0, u"OK"_s}}));
    EXPECT_EQ(AlertView::visibleAlerts(), QList<AlertView*>{second});
    QSignalSpy destroyed(first.data(), &QObject::destroyed);
    EXPECT_TRUE(first.isNull() || destroyed.wait());
    delete second;
    EXPECT_TRUE(AlertView::visibleAlerts().isEmpty());
}

// What the program shows: cancel only, pressed by Escape; unknown indexes press nothing.
// Outside text shows as written, never as markup.
TEST_F(AlertViewTest, EscapePressesCancelAndTextIsPlain) {
    const QString title = u"<b>Halo</b> & Co"_s;
    AlertView* alert = new AlertView(title, u"<img src=\"file:///x\">"_s, u"OK"_s, &window_);
    EXPECT_EQ(alert->addButtonWithTitle(u"Retry"_s), 1);
    QSignalSpy clicked(alert, &AlertView::clickedButtonAtIndex);
    alert->show();
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(2, false));
    EXPECT_FALSE(alert->dismissWithClickedButtonIndex(-1, false));
    int plainLabels = 0;  // the title and the message
    for (const QLabel* label : alert->findChildren<QLabel*>()) {
        const bool outside = label->text() == title || label->text().startsWith(u"<img"_s);
        plainLabels += outside && label->textFormat() == Qt::PlainText ? 1 : 0;
    }
    EXPECT_EQ(plainLabels, 2);
    QTest::keyClick(alert, Qt::Key_Escape);
    EXPECT_EQ(clicked, (QList<QVariantList>{{0, u"OK"_s}}));
}
