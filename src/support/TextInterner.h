#pragma once

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Hands out one shared QString per distinct text of a column, so repeated texts (codes, names
// of kinds, makers) cost one allocation in all instead of one per record. A column stops being
// shared once it has shown `maxShared` distinct texts: columns of mostly unique texts (titles,
// descriptions) then pay nothing but the first lookups. Keys of one column must all come in
// one form, UTF-8 bytes or UTF-16 views. Columns are small numbers from 0. Not thread-safe;
// one instance per job.
class TextInterner {
public:
    explicit TextInterner(size_t maxShared = 512) : maxShared_(maxShared) {}

    // A null view gives a null QString, an empty one a non-null "".
    QString text(int column, QStringView value);
    // Null data gives a null QString, zero bytes a non-null "".
    QString text(int column, const char* utf8, int bytes);

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    struct Column {
        std::unordered_map<std::string, QString, Hash, std::equal_to<>> texts;
        bool gaveUp = false;
    };
    template <typename Make>
    QString shared(int column, std::string_view key, const Make& make);

    size_t maxShared_;
    std::vector<Column> columns_;  // by column number
};
