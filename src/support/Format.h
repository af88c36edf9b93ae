#pragma once

#include <QDateTime>
#include <QLocale>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <concepts>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

// describe(): the text an object shows for "%@". Types of this system add an overload in
// their own header (found by argument-dependent lookup) or a member `QString description()
// const`. Absent values (null pointers, empty optionals, null strings) describe as "(null)".
QString describe(const QString& text);
QString describe(const char* text);
QString describe(const QByteArray& bytes);
QString describe(const QStringList& list);
QString describe(const QVariant& value);
QString describe(const QVariantMap& map);
QString describe(const QVariantList& list);
QString describe(const QDateTime& date);
QString describe(const QUrl& url);
QString describe(const QPointF& point);
QString describe(bool value);
QString describe(QStringView text);
QString describe(QLatin1StringView text);
QString describe(const std::string& text);

template <class T>
requires std::is_arithmetic_v<T> &&(!std::is_same_v<T, bool>)QString describe(T value) {
    if constexpr (std::is_floating_point_v<T>) {
        return QString::number(double(value), 'g', QLocale::FloatingPointShortest);
    } else {
        return QString::number(value);
    }
}

template <class T>
concept HasDescription = requires(const T& v) {
    { v.description() } -> std::convertible_to<QString>;
};

template <HasDescription T>
QString describe(const T& value) {
    return value.description();
}

template <class T>
QString describe(const std::optional<T>& value);
template <class T>
QString describe(const T* value);
template <class T>
QString describe(const std::shared_ptr<T>& value);

template <class T>
QString describe(const std::optional<T>& value) {
    return value ? describe(*value) : QStringLiteral("(null)");
}
template <class T>
QString describe(const T* value) {
    return value ? describe(*value) : QStringLiteral("(null)");
}
template <class T>
QString describe(const std::shared_ptr<T>& value) {
    return describe(value.get());
}

// One argument of a format, held by reference: objects are described only when their
// directive is reached, so a line that is never written never runs describe().
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Floating, Character, CString, Object };

    template <class T>
    requires std::is_integral_v<T> &&(!std::is_same_v<T, bool>)&&(!std::is_same_v<T, char>)
        FormatArg(const T& value)  // NOLINT(google-explicit-constructor)
        : kind_(std::is_signed_v<T> ? Kind::Signed : Kind::Unsigned), bytes_(sizeof(T)) {
        if constexpr (std::is_signed_v<T>) {
            signed_ = value;
        } else {
            unsigned_ = value;
        }
    }
    template <class T>
    requires std::is_enum_v<T> FormatArg(const T& value)  // NOLINT(google-explicit-constructor)
        : FormatArg(static_cast<std::underlying_type_t<T>>(value)) {}
    template <class T>
    requires std::is_floating_point_v<T> FormatArg(const T& value)
        : kind_(Kind::Floating), floating_(value) {}                              // NOLINT
    FormatArg(char value) : kind_(Kind::Character), bytes_(1), signed_(value) {}  // NOLINT
    FormatArg(QChar value)
        : kind_(Kind::Character), bytes_(2), signed_(value.unicode()) {}               // NOLINT
    FormatArg(bool value) : kind_(Kind::Signed), bytes_(1), signed_(value ? 1 : 0) {}  // NOLINT
    FormatArg(const char* value) : kind_(Kind::CString), cstring_(value) {}            // NOLINT
    FormatArg(char* value) : kind_(Kind::CString), cstring_(value) {}                  // NOLINT
    template <class T>
    requires(!std::is_arithmetic_v<T> && !std::is_enum_v<T> &&
             !std::is_convertible_v<T, const char*>) FormatArg(const T& value)  // NOLINT
        : kind_(Kind::Object),
          object_(&value),
          describe_([](const void* p) { return describe(*static_cast<const T*>(p)); }) {}

    Kind kind() const { return kind_; }
    int bytes() const { return bytes_; }
    qint64 asSigned() const;
    quint64 asUnsigned() const;
    double asDouble() const;
    QString asText() const;

private:
    Kind kind_;
    int bytes_ = 8;
    qint64 signed_ = 0;
    quint64 unsigned_ = 0;
    double floating_ = 0;
    const char* cstring_ = nullptr;
    const void* object_ = nullptr;
    QString (*describe_)(const void*) = nullptr;
};

// The one formatter behind every log line and "%@"-style text of the system: printf directives
// (flags, width, precision, length modifiers) plus "%@" for describe() of an argument. Each
// argument keeps its own type, so "%d" of a 64-bit value or "%s" of a QString cannot misread
// memory; a missing argument prints nothing. Pure: any thread may call it.
class Format {
public:
    template <class... Args>
    static QString format(const QString& pattern, const Args&... args) {
        const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
        return formatList(pattern, list, sizeof...(Args));
    }

    static QString formatList(const QString& pattern, const FormatArg* args, size_t count);
};
