#include <gtest/gtest.h>

#include <QStringList>

#include "QStringPrinter.h"
#include "TextInterner.h"

using namespace Qt::Literals::StringLiterals;

TEST(TextInterner, EqualTextsOfAColumnShareOneString) {
    TextInterner interner;
    const QString source = u"RPG,RPG,Teen"_s;
    const QString first = interner.text(1, QStringView(source).mid(0, 3));
    const QString second = interner.text(1, QStringView(source).mid(4, 3));
    EXPECT_EQ(first, u"RPG"_s);
    EXPECT_EQ(first.constData(), second.constData());
    // Another column keeps its own strings.
    EXPECT_NE(interner.text(2, QStringView(source).mid(0, 3)).constData(), first.constData());
    // UTF-8 keys behave alike.
    const QString utf8 = interner.text(3, "Caf\xc3\xa9", 5);
    EXPECT_EQ(utf8, u"Caf\u00e9"_s);
    EXPECT_EQ(interner.text(3, "Caf\xc3\xa9", 5).constData(), utf8.constData());
}

TEST(TextInterner, NullAndEmptyStayApart) {
    TextInterner interner;
    EXPECT_TRUE(interner.text(0, QStringView()).isNull());
    EXPECT_TRUE(interner.text(0, nullptr, 0).isNull());
    const QString empty = interner.text(0, QStringView(u""));
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_FALSE(interner.text(0, "", 0).isNull());
}

TEST(TextInterner, AColumnOfManyDistinctTextsStopsSharing) {
    TextInterner interner(4);
    QStringList distinct;
    for (int i = 0; i < 6; ++i) {
        distinct.append(interner.text(0, QString::number(i)));
    }
    // Still the right texts after giving up, but no longer shared.
    const QString again = interner.text(0, u"1"_s);
    EXPECT_EQ(again, u"1"_s);
    EXPECT_NE(again.constData(), distinct[1].constData());
    // Other columns are unaffected.
    const QString code = interner.text(5, u"wii"_s);
    EXPECT_EQ(interner.text(5, u"wii"_s).constData(), code.constData());
    // A negative column is never shared and never indexes anything.
    EXPECT_EQ(interner.text(-1, u"x"_s), u"x"_s);
}
