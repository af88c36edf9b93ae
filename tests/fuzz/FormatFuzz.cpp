// The log's format language on any pattern, against arguments of every kind (and too few of
// them): no crash, no misread memory, and an answer bounded by the pattern, whatever widths and
// precisions it asks for.
#include <QPointF>
#include <QStringList>
#include <limits>
#include <optional>

#include "Format.h"
#include "FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    const QString pattern =
        QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));

    const QString text = QStringLiteral("t\u00e9xt \U0001F600");
    const QStringList list{QStringLiteral("a"), QString()};
    const std::optional<int> absent;
    const char* nullText = nullptr;
    const QPointF point(1.5, -2);
    const FormatArg args[] = {
        42,
        std::numeric_limits<qint64>::min(),
        std::numeric_limits<quint64>::max(),
        1e308,
        -0.0,
        std::numeric_limits<double>::quiet_NaN(),
        'x',
        QChar(0xd800),
        "c text",
        nullText,
        text,
        list,
        absent,
        point,
        short(-3),
        true,
    };
    const size_t count = data[0] % (std::size(args) + 1);  // the rest are missing
    const QString out = Format::formatList(pattern, args, count);

    // Every directive writes at most a capped width or precision plus the longest argument.
    constexpr qsizetype kPerCharacter = 2 * 4096 + 512;
    FUZZ_CHECK(out.size() <= (pattern.size() + 1) * kPerCharacter);
    FUZZ_CHECK(pattern.contains(u'%') || out == pattern);
    return 0;
}
