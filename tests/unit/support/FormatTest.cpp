#include "Format.h"

#include <gtest/gtest.h>

#include <limits>

#include "CommaDecimalLocale.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(Format, PrintfDirectivesMatchTheCLibraryWhateverTheArguments) {
    const std::pair<QString, QString> cases[] = {
        {Format::format(u"%d|%i|%u|%+d"_s, 42, -7, 7u, 3), u"42|-7|7|+3"_s},
        {Format::format(u"%5d|%-5d|%05d|%*d|%-*d|"_s, 42, 42, 42, 4, 7, 3, 7),
         u"   42|42   |00042|   7|7  |"_s},
        {Format::format(u"%.2f|%.0f|%8.3f|%e|%.*f"_s, 2.345678, 2.5, 3.14159, 12345.0, 1, 2.25),
         u"2.35|2|   3.142|1.234500e+04|2.2"_s},
        {Format::format(u"%x|%#X|%c%c|100%%"_s, 255, 255, 'o', 'k'), u"ff|0XFF|ok|100%"_s},
        // Length modifiers follow the argument, not the pattern.
        {Format::format(u"%d %ld"_s, qint64(9000000000LL), qint64(9000000000LL)),
         u"9000000000 9000000000"_s},
        {Format::format(u"%u|%x|%d"_s, -1, qint64(-1), std::numeric_limits<quint32>::max()),
         u"4294967295|ffffffffffffffff|-1"_s},
        // Mismatched arguments are converted, never misread.
        {Format::format(u"%d|%.1f|%d|[%s]|%d"_s, 2.9, 3, u"text"_s, u"q"_s, true),
         u"2|3.0|text|[q]|1"_s},
        // Missing arguments print nothing; stray percents and unknown directives stay.
        {Format::format(u"a%db%@c"_s, 1), u"a1bc"_s},
        {Format::format(u"%y only text 50%"_s, 1, 2), u"%y only text 50%"_s},
        // Objects: null text reads "(null)"; widths count characters.
        {Format::format(u"%@|%@|[%6@]"_s, u"Zelda"_s, QString(), u"äbc"_s),
         u"Zelda|(null)|[   äbc]"_s},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_TEXT(actual, expected);
    }
    EXPECT_EQ(Format::format(u"%99999999999999d"_s, 1).size(), 4096);
    EXPECT_EQ(Format::format(u"%.99999999999999f"_s, 1.0).size(), 4098);
    EXPECT_EQ(Format::format(u"%*d"_s, std::numeric_limits<int>::min(), 1).size(), 4096);
}

// A user whose environment uses a decimal comma: a score written "3,5" would read back as 3.
TEST(Format, NumbersIgnoreTheProcessLocale) {
    const CommaDecimalLocale german;
    ASSERT_TRUE(german.active());
    EXPECT_TEXT(Format::format(u"%.1f|%e|%g|%'d|%'.1f"_s, 3.5, 12345.0, 0.25, 1234567, 1234.5),
                u"3.5|1.234500e+04|0.25|1234567|1234.5"_s);
}

}  // namespace
