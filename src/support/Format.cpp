#include "Format.h"

#include <locale.h>
#include <QJsonDocument>
#include <QJsonValue>
#include <cstdio>
#include <limits>

using namespace Qt::Literals::StringLiterals;

QString describe(const QString& text) {
    return text.isNull() ? u"(null)"_s : text;
}
QString describe(const char* text) {
    return text ? QString::fromUtf8(text) : u"(null)"_s;
}
QString describe(const QByteArray& bytes) {
    return bytes.isNull() ? u"(null)"_s : QString::fromUtf8(bytes);
}
QString describe(QStringView text) {
    return text.toString();
}
QString describe(QLatin1StringView text) {
    return QString(text);
}
QString describe(const std::string& text) {
    return QString::fromStdString(text);
}
QString describe(bool value) {
    return value ? u"1"_s : u"0"_s;
}
QString describe(const QDateTime& date) {
    return date.isValid() ? date.toString(u"yyyy-MM-dd HH:mm:ss t"_s) : u"(null)"_s;
}
QString describe(const QUrl& url) {
    return url.isEmpty() ? u"(null)"_s : url.toString();
}
QString describe(const QPointF& point) {
    return u"{%1, %2}"_s.arg(describe(point.x()), describe(point.y()));
}

QString describe(const QStringList& list) {
    QString out = u"(\n"_s;
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += u"    "_s + list[i] + (i + 1 < list.size() ? u",\n"_s : u"\n"_s);
    }
    return out + u")"_s;
}

QString describe(const QVariantList& list) {
    QString out = u"(\n"_s;
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += u"    "_s + describe(list[i]) + (i + 1 < list.size() ? u",\n"_s : u"\n"_s);
    }
    return out + u")"_s;
}

QString describe(const QVariantMap& map) {
    QString out = u"{\n"_s;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        out += u"    "_s + it.key() + u" = "_s + describe(it.value()) + u";\n"_s;
    }
    return out + u"}"_s;
}

QString describe(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        return u"(null)"_s;
    }
    switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return describe(value.toMap());
        case QMetaType::QVariantList:
            return describe(value.toList());
        case QMetaType::QStringList:
            return describe(value.toStringList());
        case QMetaType::QDateTime:
            return describe(value.toDateTime());
        case QMetaType::Bool:
            return describe(value.toBool());
        case QMetaType::Double:
        case QMetaType::Float:
            return describe(value.toDouble());
        default:
            return value.toString();
    }
}

qint64 FormatArg::asSigned() const {
    switch (kind_) {
        case Kind::Signed:
        case Kind::Character:
            return signed_;
        case Kind::Unsigned:
            // Read as printf would read the same bits of a signed type of that width.
            if (bytes_ == 4) {
                return qint32(quint32(unsigned_));
            }
            if (bytes_ == 2) {
                return qint16(quint16(unsigned_));
            }
            if (bytes_ == 1) {
                return qint8(quint8(unsigned_));
            }
            return qint64(unsigned_);
        case Kind::Floating:
            if (floating_ != floating_) {
                return 0;
            }
            if (floating_ >= 9.2233720368547758e18) {
                return std::numeric_limits<qint64>::max();
            }
            if (floating_ <= -9.2233720368547758e18) {
                return std::numeric_limits<qint64>::min();
            }
            return qint64(floating_);
        default:
            return 0;
    }
}

quint64 FormatArg::asUnsigned() const {
    switch (kind_) {
        case Kind::Unsigned:
            return unsigned_;
        case Kind::Signed:
        case Kind::Character: {
            // Negative values show as the same bits of an unsigned type of their width.
            if (bytes_ >= 8) {
                return quint64(signed_);
            }
            const quint64 mask = (quint64(1) << (bytes_ * 8)) - 1;
            return quint64(signed_) & mask;
        }
        case Kind::Floating:
            return quint64(asSigned());
        default:
            return 0;
    }
}

double FormatArg::asDouble() const {
    switch (kind_) {
        case Kind::Floating:
            return floating_;
        case Kind::Signed:
        case Kind::Character:
            return double(signed_);
        case Kind::Unsigned:
            return double(unsigned_);
        default:
            return 0;
    }
}

QString FormatArg::asText() const {
    switch (kind_) {
        case Kind::Signed:
            return QString::number(signed_);
        case Kind::Unsigned:
            return QString::number(unsigned_);
        case Kind::Floating:
            return describe(floating_);
        case Kind::Character: {
            const char32_t code = char32_t(signed_);
            return QString::fromUcs4(&code, 1);
        }
        case Kind::CString:
            return describe(cstring_);
        case Kind::Object:
            return describe_(object_);
    }
    return {};
}

namespace {

// One parsed directive: everything between '%' and its conversion character.
// Wider fields than this are a mistake in a pattern; they are cut rather than overflowing.
constexpr int kMaxWidth = 4096;

struct Directive {
    QByteArray flags;
    int width = -1;
    int precision = -1;
    char conversion = 0;
};

// A printf conversion spelled out for the C library, built on the stack.
struct CFormat {
    char text[48];
};

// The system's texts are fixed, so numbers read "3.5" whatever locale the environment gave the
// process (Qt adopts it at start): a comma would be read back as the end of the number.
// uselocale() is per thread, so other threads keep theirs.
class CNumericLocale {
public:
    CNumericLocale() : previous_(uselocale(cLocale())) {}
    ~CNumericLocale() { uselocale(previous_); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    static locale_t cLocale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c ? c : LC_GLOBAL_LOCALE;
    }
    locale_t previous_;
};

QString runPrintf(const CFormat& cFormat, auto value) {
    const CNumericLocale cNumbers;
    char buffer[128];
    const int needed = std::snprintf(buffer, sizeof buffer, cFormat.text, value);
    if (needed < 0) {
        return {};
    }
    if (size_t(needed) < sizeof buffer) {
        return QString::fromUtf8(buffer, needed);
    }
    QByteArray out(needed + 1, '\0');  // wide fields and long fractions
    std::snprintf(out.data(), size_t(out.size()), cFormat.text, value);
    return QString::fromUtf8(out.constData(), needed);
}

CFormat cSpec(const Directive& d, const char* length, char conversion) {
    CFormat cFormat{};
    if (d.width >= 0 && d.precision >= 0) {
        std::snprintf(cFormat.text, sizeof cFormat.text, "%%%s%d.%d%s%c", d.flags.constData(),
                      d.width, d.precision, length, conversion);
    } else if (d.width >= 0) {
        std::snprintf(cFormat.text, sizeof cFormat.text, "%%%s%d%s%c", d.flags.constData(), d.width,
                      length, conversion);
    } else if (d.precision >= 0) {
        std::snprintf(cFormat.text, sizeof cFormat.text, "%%%s.%d%s%c", d.flags.constData(),
                      d.precision, length, conversion);
    } else {
        std::snprintf(cFormat.text, sizeof cFormat.text, "%%%s%s%c", d.flags.constData(), length,
                      conversion);
    }
    return cFormat;
}

bool isPlain(const Directive& d) {
    return d.flags.isEmpty() && d.width < 0 && d.precision < 0;
}

// Text directives (%@, %s, and a number shown through a text directive): precision cuts,
// width pads with blanks, on the left unless the '-' flag asks for the right.
QString padText(QString text, const Directive& d) {
    if (d.precision >= 0 && text.size() > d.precision) {
        text.truncate(d.precision);
    }
    if (d.width > text.size()) {
        const QString pad(d.width - text.size(), u' ');
        text = d.flags.contains('-') ? text + pad : pad + text;
    }
    return text;
}

bool isNumber(const FormatArg& arg) {
    return arg.kind() != FormatArg::Kind::CString && arg.kind() != FormatArg::Kind::Object;
}

QString render(const Directive& d, const FormatArg& arg) {
    switch (d.conversion) {
        case 'd':
        case 'i':
            if (!isNumber(arg)) {
                return padText(arg.asText(), d);
            }
            if (isPlain(d)) {
                return QString::number(arg.asSigned());
            }
            return runPrintf(cSpec(d, "ll", 'd'), static_cast<long long>(arg.asSigned()));
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (!isNumber(arg)) {
                return padText(arg.asText(), d);
            }
            return runPrintf(cSpec(d, "ll", d.conversion),
                             static_cast<unsigned long long>(arg.asUnsigned()));
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (!isNumber(arg)) {
                return padText(arg.asText(), d);
            }
            return runPrintf(cSpec(d, "", d.conversion), arg.asDouble());
        case 'c':
        case 'C':
            if (!isNumber(arg)) {
                return padText(arg.asText().left(1), d);
            }
            {
                const char32_t code = char32_t(arg.asUnsigned() & 0x10FFFF);
                return padText(QString::fromUcs4(&code, 1), Directive{d.flags, d.width, -1, 'c'});
            }
        case 'p':
            return runPrintf(cSpec(d, "", 'p'), reinterpret_cast<void*>(arg.asUnsigned()));
        case 's':
        case 'S':
        case '@':
        default:
            return padText(arg.asText(), d);
    }
}

}  // namespace

QString Format::formatList(const QString& pattern, const FormatArg* args, size_t count) {
    QString out;
    out.reserve(pattern.size() + 16 * qsizetype(count));
    size_t next = 0;
    const auto takeInt = [&]() -> int { return next < count ? int(args[next++].asSigned()) : 0; };

    const qsizetype n = pattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = pattern[i];
        if (c != u'%') {
            out += c;
            ++i;
            continue;
        }
        const qsizetype start = i++;
        Directive d;
        while (i < n && QStringView(u"-+ #0'").contains(pattern[i])) {
            const char flag = char(pattern[i].unicode());
            if (flag != '\'' && !d.flags.contains(flag)) {
                d.flags += flag;
            }
            ++i;
        }
        if (i < n && pattern[i] == u'*') {
            d.width = std::min(takeInt(), kMaxWidth);
            if (d.width < 0) {
                d.flags += '-';
                d.width = std::min(-std::max(d.width, -kMaxWidth), kMaxWidth);
            }
            ++i;
        } else {
            while (i < n && pattern[i].isDigit()) {
                d.width = std::min(std::max(d.width, 0) * 10 + pattern[i].digitValue(), kMaxWidth);
                ++i;
            }
        }
        if (i < n && pattern[i] == u'.') {
            ++i;
            d.precision = 0;
            if (i < n && pattern[i] == u'*') {
                d.precision = std::clamp(takeInt(), 0, kMaxWidth);
                ++i;
            } else {
                while (i < n && pattern[i].isDigit()) {
                    d.precision = std::min(d.precision * 10 + pattern[i].digitValue(), kMaxWidth);
                    ++i;
                }
            }
        }
        // Length modifiers: each argument carries its own width, so they only need skipping.
        while (i < n && QStringView(u"hlqLzjt").contains(pattern[i])) {
            ++i;
        }
        if (i >= n) {
            out += pattern.mid(start);  // a lone '%' at the end stays as written
            break;
        }
        const QChar conversion = pattern[i++];
        if (conversion == u'%') {
            out += u'%';
            continue;
        }
        if (!QStringView(u"diuxXofFeEgGaAcCpsS@").contains(conversion)) {
            out += pattern.mid(start, i - start);  // not a directive: keep the text as written
            continue;
        }
        d.conversion = char(conversion.unicode());
        if (next < count) {
            out += render(d, args[next++]);
        }
    }
    return out;
}
