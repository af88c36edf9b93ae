#include "Format.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <limits>
#include <memory>
#include <optional>

#include "CommaDecimalLocale.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Describing it has a side effect, so a test can tell whether it was described.
struct Counted {
    int* calls;
    QString description() const {
        ++*calls;
        return u"counted"_s;
    }
};

struct Game {
    QString title;
};
QString describe(const Game& game) {
    return u"<Game: "_s + game.title + u">"_s;
}

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

TEST(Format, ObjectsAreDescribedOnlyWhenTheirDirectiveIsReached) {
    const Game* none = nullptr;
    const std::pair<QString, QString> cases[] = {
        {Format::format(u"%@|%@"_s, u"Zelda"_s, QString()), u"Zelda|(null)"_s},
        {Format::format(u"%@ %@ %@"_s, Game{u"Halo"_s}, 12, 1.5), u"<Game: Halo> 12 1.5"_s},
        {Format::format(u"%@|%@|%@"_s, none, std::make_shared<Game>(Game{u"Fable"_s}),
                        std::optional<int>()),
         u"(null)|<Game: Fable>|(null)"_s},
        {Format::format(u"%@"_s, QStringList{u"a"_s, u"b"_s}), u"(\n    a,\n    b\n)"_s},
        // Widths and precisions count characters.
        {Format::format(u"[%6@][%-6s][%.2s]"_s, u"äbc"_s, u"äbc"_s, "abcdef"),
         u"[   äbc][äbc   ][ab]"_s},
        {Format::format(u"Pokémon %@ %c 🎮"_s, "🎮", QChar(u'é')), u"Pokémon 🎮 é 🎮"_s},
    };
    for (const auto& [actual, expected] : cases) {
        EXPECT_TEXT(actual, expected);
    }
    int calls = 0;
    EXPECT_TEXT(Format::format(u"%@ %@"_s, Counted{&calls}, Counted{&calls}), u"counted counted"_s);
    EXPECT_TEXT(Format::format(u"no directive"_s, Counted{&calls}), u"no directive"_s);
    EXPECT_EQ(calls, 2);
}

}  // namespace
