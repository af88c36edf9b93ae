#include "TableHeaderRow.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "QStringPrinter.h"
#include "SectionTotal.h"

using namespace Qt::Literals::StringLiterals;

TEST(TableHeaderRow, LoadsItsTwoLabelsFromTheInterfaceFile) {
    TableHeaderRow header;
    ASSERT_NE(header.label(), nullptr);
    ASSERT_NE(header.count(), nullptr);
    EXPECT_EQ(header.label()->objectName(), u"label"_s);
    EXPECT_EQ(header.count()->objectName(), u"count"_s);
    EXPECT_EQ(header.label()->parentWidget(), &header);
    EXPECT_EQ(header.count()->parentWidget(), &header);

    header.resize(320, 40);
    header.show();
    EXPECT_EQ(header.height(), TableHeaderRow::kHeight);
    EXPECT_LT(header.label()->geometry().left(), header.count()->geometry().left());
}

TEST(TableHeaderRow, ShowsTheSectionLabelAndItsGameCount) {
    TableHeaderRow header;
    SectionTotal section = SectionTotal::sectionTotalForType(935000);
    section.setCount(42);
    header.showSection(section);
    EXPECT_EQ(header.label()->text(), u"3\u00BD - 4 stars"_s);
    EXPECT_EQ(header.count()->text(), u"42 games"_s);

    section.setCount(1);
    header.showSection(section);
    EXPECT_EQ(header.count()->text(), u"1 games"_s);
}

TEST(TableHeaderRow, ShowsThroughLabelsSetInPlaceOfItsOwn) {
    TableHeaderRow header;
    QLabel* own = header.count();
    auto* other = new QLabel(&header);
    header.setCount(other);
    SectionTotal section = SectionTotal::sectionTotalForType(0);
    section.setCount(3);
    header.showSection(section);
    EXPECT_EQ(other->text(), u"3 games"_s);
    EXPECT_TRUE(own->text().isEmpty());

    delete other;  // a label that goes away is no longer written to
    header.showSection(section);
    EXPECT_EQ(header.count(), nullptr);
    EXPECT_EQ(header.label()->text(), u"Today"_s);
}
