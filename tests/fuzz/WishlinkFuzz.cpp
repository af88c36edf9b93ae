// The program's own links. Any text read as a link must not crash; and a link made for a game
// must give its id and title back when read, apart from the bracket escapes that reading turns
// into brackets on purpose. The input is "<id>\n<title>".
#include <QRegularExpression>

#include "FuzzTarget.h"
#include "WishLink.h"

namespace {

QString bracketsUnescaped(QString text) {
    static const QRegularExpression open(QStringLiteral("%3C|&#60;"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression close(QStringLiteral("%3E|&#62;"),
                                          QRegularExpression::CaseInsensitiveOption);
    return text.replace(open, QStringLiteral("<")).replace(close, QStringLiteral(">"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const WishLink read = WishLink::fromURLString(input);
    FUZZ_CHECK(read.offersWish() ==
               (read.action == QStringLiteral("WISH") && !read.idCriticon.isEmpty()));

    const qsizetype split = input.indexOf(u'\n');
    const QString id = split < 0 ? input : input.left(split);
    const QString title = split < 0 ? QString() : input.mid(split + 1);
    const QString link =
        WishLink::linkForGame(QStringLiteral("questlog-wii"), QStringLiteral("wish"), id, title);
    const WishLink back = WishLink::fromURLString(link);
    FUZZ_CHECK(back.action == QStringLiteral("WISH"));
    FUZZ_CHECK(back.idCriticon == bracketsUnescaped(id));
    FUZZ_CHECK(back.title == bracketsUnescaped(title));
    return 0;
}
