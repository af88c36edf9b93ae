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
    ActionSheetTest() {
        window_.resize(320, 480);
        view_ = new QWidget(&window_);
        window_.show();
    }
    ~ActionSheetTest() override { qDeleteAll(ActionSheet::visibleSheets()); }
    static QPushButton* buttonTitled(ActionSheet* sheet, const QString& text) {
        for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return button;
            }
        }
        return nullptr;
    }

    QWidget window_;
    QWidget* view_ = nullptr;
};

}  // namespace

// Destructive first, then the others in order, cancel last; missing ones shift the rest.
TEST_F(ActionSheetTest, IndexesRunDestructiveThenOthersThenCancel) {
    const struct {
        QString cancel, destructive;
        QStringList others, titles;
        int destructiveIndex, firstOther, cancelIndex;
    } cases[] = {
        {u"Cancel"_s,
         u"Delete"_s,
         {u"Launch"_s, u"Send"_s},
         {u"Delete"_s, u"Launch"_s, u"Send"_s, u"Cancel"_s},
         0,
         1,
         3},
        {u"Cancel"_s,
         QString(),
         {u"Launch"_s, u"Send"_s},
         {u"Launch"_s, u"Send"_s, u"Cancel"_s},
         -1,
         0,
         2},
        {u"Cancel"_s, u"Feedback"_s, {}, {u"Feedback"_s, u"Cancel"_s}, 0, -1, 1},
        {u""_s, u""_s, {}, {}, -1, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.titles.join(u',').toStdString());
        ActionSheet sheet(u"Actions"_s, c.cancel, c.destructive, c.others);
        EXPECT_EQ(sheet.buttonTitles(), c.titles);
        EXPECT_EQ(sheet.numberOfButtons(), c.titles.size());
        EXPECT_EQ(sheet.destructiveButtonIndex(), c.destructiveIndex);
        EXPECT_EQ(sheet.firstOtherButtonIndex(), c.firstOther);
        EXPECT_EQ(sheet.cancelButtonIndex(), c.cancelIndex);
        EXPECT_EQ(sheet.buttonTitleAtIndex(0), c.titles.value(0));
        EXPECT_TRUE(sheet.buttonTitleAtIndex(int(c.titles.size())).isNull());
        EXPECT_TRUE(sheet.buttonTitleAtIndex(-1).isNull());
    }
}

TEST_F(ActionSheetTest, OpensOverTheWindowBottomWithoutBlocking) {
    QPointer<ActionSheet> sheet = new ActionSheet(u"Tell others"_s, u"Cancel"_s, u"Tell"_s);
    bool timerFired = false;
    QTimer::singleShot(0, &window_, [&] { timerFired = true; });
    ASSERT_TRUE(sheet->showInView(view_));
    EXPECT_FALSE(timerFired);  // returned at once: no nested loop
    EXPECT_EQ(sheet->parentWidget(), &window_);
    EXPECT_FALSE(sheet->isWindow());  // part of the window, so snapshots include it
    EXPECT_EQ(ActionSheet::visibleSheets(), QList<ActionSheet*>{sheet.data()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerFired; }));

    // The sheet covers the window, so a click there reaches the sheet, not the screen; its
    // buttons sit in the lower half, and follow a resize.
    QPushButton* cancel = buttonTitled(sheet, u"Cancel"_s);
    EXPECT_GT(cancel->mapTo(&window_, QPoint(0, 0)).y(), window_.height() / 2);
    window_.resize(480, 320);
    EXPECT_EQ(sheet->geometry(), window_.rect());
    EXPECT_LE(cancel->mapTo(&window_, QPoint(0, cancel->height())).y(), 320);
    EXPECT_FALSE(ActionSheet(u"A"_s, u"Cancel"_s, QString()).showInView(nullptr));
}

TEST_F(ActionSheetTest, APressReportsIndexAndTitleOnceThenTheSheetGoes) {
    QPointer<ActionSheet> sheet =
        new ActionSheet(u"Actions"_s, u"Cancel"_s, QString(), {u"Launch"_s, u"Q&A"_s});
    QSignalSpy clicked(sheet.data(), &ActionSheet::clickedButtonAtIndex);
    sheet->showInView(view_);
    EXPECT_FALSE(sheet->dismissWithClickedButtonIndex(3, true));
    EXPECT_TRUE(sheet->isVisible());
    QTest::mouseClick(buttonTitled(sheet, u"Q&&A"_s), Qt::LeftButton);  // "&" shown as written
    sheet->dismissWithClickedButtonIndex(0, true);  // arrives before the sheet is gone
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Q&A"_s);
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }));
}

TEST_F(ActionSheetTest, EscapeMeansCancelAndWithoutCancelTheSheetStays) {
    auto* sheet = new ActionSheet(u"Actions"_s, u"Cancel"_s, u"Tell someone"_s);
    QSignalSpy clicked(sheet, &ActionSheet::clickedButtonAtIndex);
    sheet->showInView(view_);
    QTest::keyClick(sheet, Qt::Key_Escape);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), sheet->cancelButtonIndex());

    auto* stuck = new ActionSheet(u"Choose"_s, QString(), u"Tell someone"_s);
    QSignalSpy stuckClicked(stuck, &ActionSheet::clickedButtonAtIndex);
    stuck->showInView(view_);
    QTest::keyClick(stuck, Qt::Key_Escape);
    EXPECT_TRUE(stuck->isVisible());
    EXPECT_EQ(stuckClicked.size(), 0);
}

TEST_F(ActionSheetTest, OutsideTitleShowsAsWrittenNeverAsMarkup) {
    const QString title = u"<img src=\"file:///etc/passwd\"> Tom & Jerry"_s;
    auto* sheet = new ActionSheet(title, u"Cancel"_s, u"Add to Wish List"_s);
    sheet->showInView(view_);
    const auto* label = sheet->findChild<QLabel*>(u"actionSheetTitle"_s);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), title);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}
