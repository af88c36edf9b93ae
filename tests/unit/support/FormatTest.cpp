#include "Format.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "CommaDecimalLocale.h"
#include "QStringPrinter.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// An object whose description counts how often it was asked for.
struct Counted {
    mutable int* calls;
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

}  // namespace

TEST(FormatPrintfDirectives, MatchTheCLibrary) {
    EXPECT_EQ(Format::format(u"%d|%i|%u"_s, 42, -7, 7u), u"42|-7|7"_s);
    EXPECT_EQ(Format::format(u"%5d|%-5d|%05d"_s, 42, 42, 42), u"   42|42   |00042"_s);
    EXPECT_EQ(Format::format(u"%f|%.2f|%.0f|%8.3f"_s, 1.5, 2.345678, 2.5, 3.14159),
              u"1.500000|2.35|2|   3.142"_s);
    EXPECT_EQ(Format::format(u"%x|%X|%#x"_s, 255, 255, 255), u"ff|FF|0xff"_s);
    EXPECT_EQ(Format::format(u"%c%c"_s, 'o', 'k'), u"ok"_s);
    EXPECT_EQ(Format::format(u"100%%"_s), u"100%"_s);
    EXPECT_EQ(Format::format(u"%+d %e"_s, 3, 12345.0), u"+3 1.234500e+04"_s);
}

// A user whose environment uses a decimal comma: a score written "3,5" reads back as 3.
TEST(FormatPrintfDirectives, NumbersIgnoreTheProcessLocale) {
    const CommaDecimalLocale german;
    ASSERT_TRUE(german.active());
    EXPECT_EQ(Format::format(u"%.1f|%f|%e|%g|%8.2f"_s, 3.5, 1.5, 12345.0, 0.25, 1234.5),
              u"3.5|1.500000|1.234500e+04|0.25| 1234.50"_s);
    EXPECT_EQ(Format::format(u"%'d|%'.1f|%5d"_s, 1234567, 1234.5, 1234), u"1234567|1234.5| 1234"_s);
}

TEST(FormatPrintfDirectives, LengthModifiersFollowTheArgumentNotThePattern) {
    const qint64 big = 9000000000LL;
    EXPECT_EQ(Format::format(u"%d %ld %lld"_s, big, big, big),
              u"9000000000 9000000000 9000000000"_s);
    // A negative 32-bit value read as unsigned keeps 32 bits, as printf of an int would.
    EXPECT_EQ(Format::format(u"%u"_s, -1), u"4294967295"_s);
    EXPECT_EQ(Format::format(u"%x"_s, qint64(-1)), u"ffffffffffffffff"_s);
    EXPECT_EQ(Format::format(u"%lu"_s, std::numeric_limits<quint64>::max()),
              u"18446744073709551615"_s);
    EXPECT_EQ(Format::format(u"%d"_s, std::numeric_limits<quint32>::max()), u"-1"_s);
}

TEST(FormatPrintfDirectives, MismatchedArgumentsNeverMisreadMemory) {
    EXPECT_EQ(Format::format(u"%d"_s, 2.9), u"2"_s);
    EXPECT_EQ(Format::format(u"%.1f"_s, 3), u"3.0"_s);
    EXPECT_EQ(Format::format(u"%d"_s, u"text"_s), u"text"_s);
    EXPECT_EQ(Format::format(u"[%s]"_s, u"qstring"_s), u"[qstring]"_s);
    EXPECT_EQ(Format::format(u"%d"_s, true), u"1"_s);
}

TEST(FormatPrintfDirectives, MissingAndExtraArgumentsAndStrayPercents) {
    EXPECT_EQ(Format::format(u"a%db%@c"_s, 1), u"a1bc"_s);
    EXPECT_EQ(Format::format(u"only text"_s, 1, 2), u"only text"_s);
    EXPECT_EQ(Format::format(u"50%"_s), u"50%"_s);
    EXPECT_EQ(Format::format(u"%y stays"_s, 1), u"%y stays"_s);
    EXPECT_EQ(Format::format(u""_s), u""_s);
}

TEST(FormatPrintfDirectives, AbsurdWidthsAndRepeatedFlagsAreContained) {
    EXPECT_EQ(Format::format(u"%99999999999999d"_s, 1).size(), 4096);
    EXPECT_EQ(Format::format(u"%.99999999999999f"_s, 1.0).size(), 4098);
    EXPECT_EQ(Format::format(u"%------------------------------------------------5d|"_s, 1),
              u"1    |"_s);
    EXPECT_EQ(Format::format(u"%*d"_s, std::numeric_limits<int>::min(), 1).size(), 4096);
}

TEST(FormatPrintfDirectives, StarTakesWidthAndPrecisionFromArguments) {
    EXPECT_EQ(Format::format(u"%*d|%.*f"_s, 4, 7, 1, 2.25), u"   7|2.2"_s);
    EXPECT_EQ(Format::format(u"%-*d|"_s, 3, 7), u"7  |"_s);
}

TEST(FormatObjects, DescribeTheArgument) {
    EXPECT_EQ(Format::format(u"%@"_s, u"Zelda"_s), u"Zelda"_s);
    EXPECT_EQ(Format::format(u"%@"_s, QString()), u"(null)"_s);
    EXPECT_EQ(Format::format(u"%@ and %@"_s, Game{u"Halo"_s}, 12), u"<Game: Halo> and 12"_s);
    EXPECT_EQ(Format::format(u"%@"_s, 1.5), u"1.5"_s);
    const Game* none = nullptr;
    EXPECT_EQ(Format::format(u"%@"_s, none), u"(null)"_s);
    EXPECT_EQ(Format::format(u"%@"_s, std::make_shared<Game>(Game{u"Fable"_s})),
              u"<Game: Fable>"_s);
    EXPECT_EQ(Format::format(u"%@"_s, std::optional<int>()), u"(null)"_s);
    EXPECT_EQ(Format::format(u"%@"_s, "utf-8 ✓"), u"utf-8 ✓"_s);
    EXPECT_EQ(Format::format(u"%@"_s, QStringList{u"a"_s, u"b"_s}), u"(\n    a,\n    b\n)"_s);
}

TEST(FormatObjects, ViewsStdStringsAndEnumsNeedNoConversionByTheCaller) {
    enum class Sort { Date = 1, Score = 2 };
    const QString text = u"view"_s;
    EXPECT_EQ(Format::format(u"%@ %@ %@ %d"_s, QStringView(text), std::string("std"),
                             QLatin1StringView("latin"), Sort::Score),
              u"view std latin 2"_s);
}

TEST(FormatObjects, WidthAndPrecisionApplyToTextInCharacters) {
    EXPECT_EQ(Format::format(u"[%6@]"_s, u"äbc"_s), u"[   äbc]"_s);
    EXPECT_EQ(Format::format(u"[%-6s]"_s, u"äbc"_s), u"[äbc   ]"_s);
    EXPECT_EQ(Format::format(u"[%.2s]"_s, "abcdef"), u"[ab]"_s);
}

TEST(FormatObjects, DescriptionsAreTakenOnlyWhenTheirDirectiveIsReached) {
    int calls = 0;
    const Counted counted{&calls};
    EXPECT_EQ(Format::format(u"%@ %@"_s, counted, counted), u"counted counted"_s);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(Format::format(u"no directive"_s, counted), u"no directive"_s);
    EXPECT_EQ(calls, 2);
}

TEST(FormatObjects, NonAsciiAndSurrogatePairsPassThrough) {
    EXPECT_EQ(Format::format(u"Pokémon %@ 🎮"_s, u"🎮"_s), u"Pokémon 🎮 🎮"_s);
    EXPECT_EQ(Format::format(u"%c"_s, QChar(u'é')), u"é"_s);
}
