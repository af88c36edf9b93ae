#include "TableHeaderRow.h"

#include <gtest/gtest.h>

#include <QLabel>

#include "QStringPrinter.h"
#include "SectionTotal.h"

using namespace Qt::Literals::StringLiterals;

TEST(TableHeaderRow, ShowsTheSectionThroughTheLabelsItHolds) {
    TableHeaderRow header;
    SectionTotal section = SectionTotal::sectionTotalForType(935000);
    section.setCount(1);
    header.showSection(section);
    EXPECT_EQ(header.label()->text(), u"3\u00BD - 4 stars"_s);
    EXPECT_EQ(header.count()->text(), u"1 games"_s);  // the same wording for one game

    // A label set in place of its own is written to, and no longer once it goes away.
    auto* other = new QLabel(&header);
    header.setCount(other);
    section.setCount(42);
    header.showSection(section);
    EXPECT_EQ(other->text(), u"42 games"_s);
    delete other;
    header.showSection(SectionTotal::sectionTotalForType(0));
    EXPECT_EQ(header.count(), nullptr);
    EXPECT_EQ(header.label()->text(), u"Today"_s);
}
