#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstddef>
#include <optional>
#include <type_traits>

// Turns the arguments of a variadic query call into the QVariant objects the binding works on,
// checked at compile time: nullptr and an empty optional become SQL NULL, C strings are read as
// UTF-8, and every other type must be one QVariant can hold. Stateless.
class FMArguments {
public:
    static QVariant from(std::nullptr_t) { return {}; }
    static QVariant from(const QVariant& value) { return value; }
    static QVariant from(const char* text) {
        return text ? QVariant(QString::fromUtf8(text)) : QVariant();
    }
    template <class T>
    static QVariant from(const std::optional<T>& value) {
        return value ? from(*value) : QVariant();
    }
    template <class T>
    requires(!std::is_pointer_v<T> && !std::is_array_v<T>) static QVariant from(const T& value) {
        return QVariant::fromValue(value);
    }

    template <class... Args>
    static QVariantList list(const Args&... args) {
        return QVariantList{from(args)...};
    }
};
