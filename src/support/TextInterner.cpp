#include "TextInterner.h"

using namespace Qt::Literals::StringLiterals;

template <typename Make>
QString TextInterner::shared(int column, std::string_view key, const Make& make) {
    if (column < 0) {
        return make();
    }
    if (size_t(column) >= columns_.size()) {
        columns_.resize(size_t(column) + 1);
    }
    Column& texts = columns_[size_t(column)];
    if (texts.gaveUp) {
        return make();
    }
    const auto it = texts.texts.find(key);
    if (it != texts.texts.end()) {
        return it->second;
    }
    const QString value = make();
    if (texts.texts.size() >= maxShared_) {
        texts.gaveUp = true;
        texts.texts = {};
    } else {
        texts.texts.emplace(std::string(key), value);
    }
    return value;
}

QString TextInterner::text(int column, QStringView value) {
    if (value.isNull()) {
        return {};
    }
    if (value.isEmpty()) {
        return u""_s;
    }
    // The UTF-16 units' bytes serve as the key.
    const std::string_view key(reinterpret_cast<const char*>(value.utf16()),
                               size_t(value.size()) * sizeof(char16_t));
    return shared(column, key, [&] { return value.toString(); });
}

QString TextInterner::text(int column, const char* utf8, int bytes) {
    if (!utf8) {
        return {};
    }
    if (bytes == 0) {
        return u""_s;
    }
    return shared(column, std::string_view(utf8, size_t(bytes)),
                  [&] { return QString::fromUtf8(utf8, bytes); });
}
