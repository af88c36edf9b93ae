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

// A handset-sized window with a screen inside it to show sheets in.
class ActionSheetTest : public testing::Test {
protected:
    void SetUp() override {
        window_.resize(320, 480);
        view_ = new QWidget(&window_);
        view_->setGeometry(0, 44, 320, 436);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    void TearDown() override {
        for (ActionSheet* sheet : ActionSheet::visibleSheets()) {
            delete sheet;
        }
    }
    static QPushButton* buttonTitled(ActionSheet* sheet, const QString& title) {
        for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
            if (button->text() == title) {
                return button;
            }
        }
        return nullptr;
    }

    QWidget window_;
    QWidget* view_ = nullptr;
};

}  // namespace

TEST_F(ActionSheetTest, IndexesRunDestructiveThenOthersThenCancel) {
    ActionSheet sheet(u"Actions"_s, u"Cancel"_s, u"Delete"_s,
                      {u"Launch in Safari"_s, u"Send link in email"_s});
    EXPECT_EQ(sheet.buttonTitles(), (QStringList{u"Delete"_s, u"Launch in Safari"_s,
                                                 u"Send link in email"_s, u"Cancel"_s}));
    EXPECT_EQ(sheet.destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet.firstOtherButtonIndex(), 1);
    EXPECT_EQ(sheet.cancelButtonIndex(), 3);
    EXPECT_EQ(sheet.numberOfButtons(), 4);
    EXPECT_EQ(sheet.buttonTitleAtIndex(2), u"Send link in email"_s);
    EXPECT_TRUE(sheet.buttonTitleAtIndex(4).isNull());
    EXPECT_TRUE(sheet.buttonTitleAtIndex(-1).isNull());
    EXPECT_EQ(sheet.title(), u"Actions"_s);
}

TEST_F(ActionSheetTest, MissingButtonsShiftTheIndexes) {
    ActionSheet noDestructive(u"Actions"_s, u"Cancel"_s, QString(),
                              {u"Launch in Safari"_s, u"Send link in email"_s});
    EXPECT_EQ(noDestructive.destructiveButtonIndex(), -1);
    EXPECT_EQ(noDestructive.firstOtherButtonIndex(), 0);
    EXPECT_EQ(noDestructive.cancelButtonIndex(), 2);

    ActionSheet feedback(u"Got ideas for us, let us know!"_s, u"Cancel"_s, u"Send feedback"_s);
    EXPECT_EQ(feedback.buttonTitles(), (QStringList{u"Send feedback"_s, u"Cancel"_s}));
    EXPECT_EQ(feedback.firstOtherButtonIndex(), -1);
    EXPECT_EQ(feedback.cancelButtonIndex(), 1);

    ActionSheet none(QString(), u""_s, u""_s);
    EXPECT_EQ(none.numberOfButtons(), 0);
    EXPECT_EQ(none.cancelButtonIndex(), -1);
}

TEST_F(ActionSheetTest, OpensOverTheWindowBottomWithoutBlocking) {
    QPointer<ActionSheet> sheet =
        new ActionSheet(u"Tell others about this game"_s, u"Cancel"_s, u"Tell someone"_s);
    bool timerFired = false;
    QTimer::singleShot(30, &window_, [&] { timerFired = true; });
    ASSERT_TRUE(sheet->showInView(view_));
    EXPECT_FALSE(timerFired);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), &window_);
    EXPECT_FALSE(sheet->isWindow());  // part of the window, so snapshots include it
    EXPECT_EQ(sheet->geometry(), window_.rect());
    EXPECT_EQ(ActionSheet::visibleSheets(), QList<ActionSheet*>{sheet.data()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return timerFired; }, 2000));

    QPushButton* cancel = buttonTitled(sheet, u"Cancel"_s);
    ASSERT_NE(cancel, nullptr);
    const QRect onWindow(cancel->mapTo(&window_, QPoint(0, 0)), cancel->size());
    EXPECT_GT(onWindow.top(), window_.height() / 2);
    EXPECT_LE(onWindow.bottom(), window_.height());
    // The sheet covers the window, so a click there reaches the sheet, not the screen.
    EXPECT_EQ(window_.childAt(160, 100), sheet.data());

    window_.resize(480, 320);
    EXPECT_EQ(sheet->geometry(), window_.rect());
    EXPECT_LE(QRect(cancel->mapTo(&window_, QPoint(0, 0)), cancel->size()).bottom(), 320);
}

TEST_F(ActionSheetTest, RealClickReportsIndexAndTitleThenCloses) {
    QPointer<ActionSheet> sheet = new ActionSheet(u"Actions"_s, u"Cancel"_s, QString(),
                                                  {u"Launch in Safari"_s, u"Send link in email"_s});
    QSignalSpy clicked(sheet.data(), &ActionSheet::clickedButtonAtIndex);
    QString titleSeenInHandler;
    QObject::connect(sheet.data(), &ActionSheet::clickedButtonAtIndex, sheet.data(),
                     [&](int index) { titleSeenInHandler = sheet->buttonTitleAtIndex(index); });
    sheet->showInView(view_);
    QTest::mouseClick(buttonTitled(sheet, u"Send link in email"_s), Qt::LeftButton);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Send link in email"_s);
    EXPECT_EQ(titleSeenInHandler, u"Send link in email"_s);
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 2000));
}

TEST_F(ActionSheetTest, TestHookPressesByIndexOnceOnly) {
    auto* sheet = new ActionSheet(u"Add to Wish List?"_s, u"Cancel"_s, u"Add to Wish List"_s);
    QSignalSpy clicked(sheet, &ActionSheet::clickedButtonAtIndex);
    sheet->showInView(view_);
    EXPECT_FALSE(sheet->dismissWithClickedButtonIndex(2, true));
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->dismissWithClickedButtonIndex(0, true));
    // A second press arriving before the sheet is gone is not a second answer.
    sheet->dismissWithClickedButtonIndex(1, true);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Add to Wish List"_s);
    EXPECT_FALSE(sheet->isVisible());
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

TEST_F(ActionSheetTest, NoViewNoSheet) {
    auto sheet = std::make_unique<ActionSheet>(u"Actions"_s, u"Cancel"_s, QString());
    EXPECT_FALSE(sheet->showInView(nullptr));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(ActionSheet::visibleSheets().isEmpty());
}

TEST_F(ActionSheetTest, OutsideTextShowsAsWrittenNeverAsMarkup) {
    // The wish-list sheet takes its title from a link opened from outside.
    const QString title = u"<img src=\"file:///etc/passwd\"> Tom & Jerry"_s;
    auto* sheet = new ActionSheet(title, u"Cancel"_s, u"Add to Wish List"_s, {u"Q&A"_s});
    QSignalSpy clicked(sheet, &ActionSheet::clickedButtonAtIndex);
    sheet->showInView(view_);
    const auto* label = sheet->findChild<QLabel*>(u"actionSheetTitle"_s);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), title);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), u"Q&A"_s);
    QTest::mouseClick(buttonTitled(sheet, u"Q&&A"_s), Qt::LeftButton);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(1).toString(), u"Q&A"_s);
}
