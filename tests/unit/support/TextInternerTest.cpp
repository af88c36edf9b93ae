#include "TextInterner.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

// Equal texts of a column share one string until the column has too many; null and empty stay
// apart (the store tells them apart).
TEST(TextInterner, EqualTextsOfAColumnShareOneStringUntilTheColumnHasTooMany) {
    TextInterner interner(4);
    const QString source = u"RPG,RPG"_s;
    const QString first = interner.text(1, QStringView(source).mid(0, 3));
    EXPECT_EQ(interner.text(1, QStringView(source).mid(4, 3)).constData(), first.constData());
    EXPECT_NE(interner.text(2, u"RPG"_s).constData(), first.constData());  // a column each
    const QString utf8 = interner.text(3, "Caf\xc3\xa9", 5);
    EXPECT_EQ(interner.text(3, "Caf\xc3\xa9", 5).constData(), utf8.constData());
    EXPECT_TEXT(utf8, u"Caf\u00e9"_s);
    QStringList distinct;
    for (int i = 0; i < 6; ++i) {
        distinct.append(interner.text(0, QString::number(i)));
    }
    EXPECT_NE(interner.text(0, u"1"_s).constData(), distinct[1].constData());  // given up
    EXPECT_EQ(interner.text(1, u"RPG"_s).constData(), first.constData());
    EXPECT_TEXT(interner.text(0, QStringView()), QString());
    EXPECT_TEXT(interner.text(0, nullptr, 0), QString());
    EXPECT_TEXT(interner.text(0, QStringView(u"")), u""_s);
    EXPECT_TEXT(interner.text(0, "", 0), u""_s);
}
