#include "ActionSheet.h"

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

// A window with a screen inside it to show sheets in.
class ActionSheetTest : public testing::Test {
protected:
    ActionSheetTest() { window_.show(); }
    ~ActionSheetTest() override { qDeleteAll(ActionSheet::visibleSheets()); }
    QWidget window_;
    QWidget* view_ = new QWidget(&window_);
};

}  // namespace

// The sheet is a layer over the whole window (so snapshots show it and it takes the clicks),
// and it opens without a nested event loop.
TEST_F(ActionSheetTest, OpensOverTheWindowBottomWithoutBlocking) {
    const QString title = u"<img src=\"file:///etc/passwd\"> Tom & Jerry"_s;  // from a link
    QPointer<ActionSheet> sheet = new ActionSheet(title, u"Cancel"_s, u"Tell"_s);
    bool timerFired = false;
    QTimer::singleShot(0, &window_, [&] { timerFired = true; });
    ASSERT_TRUE(sheet->showInView(view_));
    EXPECT_FALSE(timerFired);
    EXPECT_EQ(sheet->parentWidget(), &window_);
    EXPECT_FALSE(sheet->isWindow());
    EXPECT_EQ(ActionSheet::visibleSheets(), QList<ActionSheet*>{sheet.data()});
    QCoreApplication::processEvents();
    EXPECT_TRUE(timerFired);
    const auto* label = sheet->findChild<QLabel*>(u"actionSheetTitle"_s);
    EXPECT_EQ(label->text(), title);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    window_.resize(480, 320);
    EXPECT_EQ(sheet->geometry(), window_.rect());
    EXPECT_FALSE(ActionSheet(u"A"_s, u"Cancel"_s, QString()).showInView(nullptr));
}

// A press reports index and title once, then the sheet goes; Escape means cancel, and without
// a cancel button the sheet stays.
TEST_F(ActionSheetTest, APressOrEscapeReportsIndexAndTitleOnceThenTheSheetGoes) {
    QPointer<ActionSheet> sheet =
        new ActionSheet(u"Actions"_s, u"Cancel"_s, QString(), {u"Launch"_s, u"Q&A"_s});
    QSignalSpy clicked(sheet.data(), &ActionSheet::clickedButtonAtIndex);
    sheet->showInView(view_);
    EXPECT_FALSE(sheet->dismissWithClickedButtonIndex(3, true));
    const QList<QPushButton*> buttons = sheet->findChildren<QPushButton*>();
    QTest::mouseClick(*std::ranges::find(buttons, u"Q&&A"_s, &QPushButton::text),
                      Qt::LeftButton);                           // "&" shown as written
    EXPECT_TRUE(sheet->dismissWithClickedButtonIndex(0, true));  // before it is gone: ignored
    EXPECT_EQ(clicked, (QList<QVariantList>{{1, u"Q&A"_s}}));
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    QSignalSpy destroyed(sheet.data(), &QObject::destroyed);
    EXPECT_TRUE(sheet.isNull() || destroyed.wait());
    for (const QString& cancel : {u"Cancel"_s, QString()}) {
        auto* escaped = new ActionSheet(u"Actions"_s, cancel, u"Tell someone"_s);
        QSignalSpy spy(escaped, &ActionSheet::clickedButtonAtIndex);
        escaped->showInView(view_);
        QTest::keyClick(escaped, Qt::Key_Escape);
        EXPECT_EQ(spy.value(0).value(1).toString(), cancel);
        EXPECT_EQ(escaped->isVisible(), cancel.isNull());
    }
}
