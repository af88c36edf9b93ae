#include "CatalogueFileReader.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <charconv>

#include "DateFunctions.h"
#include "HTMLText.h"
#include "MyLog.h"
#include "StringFunctions.h"
#include "TextInterner.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The fields of a row as views into it, cut like fieldsOf (opening quote and last
// two characters dropped, split at the separator). Stores the first kFields and answers
// how many there are, counting no further than kFields.
using FieldViews = std::array<QStringView, CatalogueRow::kFields>;
qsizetype splitFields(QStringView row, FieldViews& fields) {
    if (row.size() <= 2) {
        return 0;
    }
    const QStringView inner = row.mid(1, row.size() - 3);
    const QStringView separator = CatalogueFileReader::kSeparator;
    qsizetype count = 0;
    qsizetype from = 0;
    while (count < CatalogueRow::kFields) {
        const qsizetype at = StringFunctions::findText(inner, separator, from);
        fields[size_t(count++)] = at < 0 ? inner.mid(from) : inner.mid(from, at - from);
        if (at < 0) {
            break;
        }
        from = at + separator.size();
    }
    return count;
}

bool isPlainField(QStringView text) {
    return std::none_of(text.cbegin(), text.cend(),
                        [](QChar c) { return c == u'%' || c == u'&' || c == u'<'; });
}

}  // namespace

// Cleans the fields of one catalogue file. Plain fields (most of them) are copied once, and
// repeated ones (codes, kinds, makers) shared; release dates repeat too and are read once each.
class CatalogueFileReader::FieldCleaner {
public:
    // Every field of a row: cleaned texts, the scores and the release date.
    void read(const FieldViews& fields, CatalogueRow& row) {
        for (int index = 0; index < CatalogueRow::kFields; ++index) {
            const bool converted = (index >= 1 && index <= 3) || index == 16;
            row.text[size_t(index)] = converted ? QString() : text(index, fields[size_t(index)]);
            if (index == 4) {
                row.key = unescaped(4, fields[4]);  // right after its text, which it reuses
            }
        }
        for (int index = 1; index <= 3; ++index) {
            row.scores[size_t(index - 1)] = number(fields[size_t(index)]);
        }
        row.releaseDateMsecs = date(fields[16]);
    }

    QString text(int column, QStringView field) {
        if (!isPlainField(field)) {
            return getHTMLCleaned(field);
        }
        // The id is asked for twice per row (as the key, then as the field): one copy serves.
        if (field.data() == last_.data() && field.size() == last_.size()) {
            return lastText_;
        }
        last_ = field;
        lastText_ = interner_.text(column, field.isNull() ? QStringView(u"") : field);
        return lastText_;
    }
    // StringFunctions::unescapeString of the field.
    QString unescaped(int column, QStringView field) {
        return isPlainField(field) ? text(column, field)
                                   : StringFunctions::unescapeString(field.toString());
    }
    float number(QStringView field) {
        return isPlainField(field) ? CatalogueFileReader::floatValue(field)
                                   : CatalogueFileReader::floatValue(getHTMLCleaned(field));
    }
    std::optional<qint64> date(QStringView field) {
        const std::optional<int> key = ymdKey(field);
        if (!key) {
            return msecsOf(CatalogueFileReader::cleaned(field.toString()));
        }
        const auto it = dates_.constFind(*key);
        if (it != dates_.cend()) {
            return *it;
        }
        return *dates_.insert(*key, msecsOf(field.toString()));
    }

private:
    // For fields already known not to be plain: no second scan.
    static QString getHTMLCleaned(QStringView field) { return HTMLText::cleaned(field.toString()); }
    static std::optional<qint64> msecsOf(const QString& ymd) {
        const QDateTime date = DateFunctions::getDateFromYMDString(ymd);
        return date.isValid() ? std::optional<qint64>(date.toMSecsSinceEpoch()) : std::nullopt;
    }
    // yyyymmdd for a field that is exactly "yyyy-mm-dd" (which cleaning leaves as it is).
    static std::optional<int> ymdKey(QStringView field) {
        if (field.size() != 10 || field[4] != u'-' || field[7] != u'-') {
            return std::nullopt;
        }
        int key = 0;
        for (const qsizetype at : {0, 1, 2, 3, 5, 6, 8, 9}) {
            const char16_t c = field[at].unicode();
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            key = key * 10 + (c - u'0');
        }
        return key;
    }

    TextInterner interner_;
    QHash<int, std::optional<qint64>> dates_;
    QStringView last_;
    QString lastText_;
};

CatalogueFileReader::CatalogueFileReader(const QString& text)
    : text_(text), cleaner_(std::make_unique<FieldCleaner>()) {
    hasReportDate_ = text_.contains(u"<reportDateYMD>"_s);
    if (!hasReportDate_) {
        return;
    }
    reportYMD_ = StringFunctions::fBetween(text_, u"<reportDateYMD>"_s, u"</reportDateYMD>"_s);
    rows_ = StringFunctions::fBetweenView(text_, u"<games>", u"</games>");
}

CatalogueFileReader::~CatalogueFileReader() = default;

qsizetype CatalogueFileReader::lineCount() const {
    qsizetype lines = 1;
    for (qsizetype at = rows_.indexOf(u'\n', from_); at >= 0; at = rows_.indexOf(u'\n', at + 1)) {
        ++lines;  // a vectorised search: a plain count over the characters is many times slower
    }
    return lines;
}

bool CatalogueFileReader::next(CatalogueRow& row) {
    FieldViews fields;
    while (hasReportDate_ && from_ <= rows_.size()) {
        qsizetype end = rows_.indexOf(u'\n', from_);
        if (end < 0) {
            end = rows_.size();
        }
        const QStringView line = rows_.mid(from_, end - from_);
        from_ = end + 1;
        if (StringFunctions::findText(line, kSeparator) < 0) {
            continue;
        }
        // A row without every field cannot be applied; it is skipped, not half-written.
        if (splitFields(line, fields) < CatalogueRow::kFields) {
            MYLOG(u"Skipping a catalogue row without all its fields: %@"_s, line.left(80));
            continue;
        }
        cleaner_->read(fields, row);
        return true;
    }
    return false;
}

bool CatalogueFileReader::readRow(const QString& rowText, CatalogueRow& row) {
    FieldViews fields;
    if (splitFields(rowText, fields) < CatalogueRow::kFields) {
        return false;
    }
    FieldCleaner().read(fields, row);
    return true;
}

QStringList CatalogueFileReader::fieldsOf(const QString& row) {
    if (row.size() <= 2) {
        return {};
    }
    return row.mid(1, row.size() - 3).split(kSeparator);
}

QString CatalogueFileReader::cleaned(const QString& text) {
    // Most catalogue fields hold no escape, entity or tag; for them the three cleaners would
    // each answer the text unchanged, so one scan decides.
    if (isPlainField(text)) {
        return text.isNull() ? u""_s : text;
    }
    return HTMLText::cleaned(text);
}

float CatalogueFileReader::floatValue(QStringView text) {
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size && text[at].isSpace()) {
        ++at;
    }
    qsizetype start = at;
    if (at < size && (text[at] == u'-' || text[at] == u'+')) {
        ++at;
    }
    const auto digits = [&] {
        const qsizetype from = at;
        while (at < size && text[at] >= u'0' && text[at] <= u'9') {
            ++at;
        }
        return at - from;
    };
    qsizetype mantissa = digits();
    if (at < size && text[at] == u'.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return 0.0f;
    }
    qsizetype end = at;
    if (at < size && (text[at] == u'e' || text[at] == u'E')) {
        ++at;
        if (at < size && (text[at] == u'-' || text[at] == u'+')) {
            ++at;
        }
        if (digits() > 0) {
            end = at;
        }
    }
    // Every character of the number is ASCII; from_chars reads it as the C locale does but
    // takes no "+".
    if (text[start] == u'+') {
        ++start;
    }
    std::array<char, 64> ascii;
    if (end - start > qsizetype(ascii.size())) {
        bool ok = false;
        const double value = QLocale::c().toDouble(text.mid(start, end - start), &ok);
        return ok ? float(value) : 0.0f;
    }
    for (qsizetype i = start; i < end; ++i) {
        ascii[size_t(i - start)] = char(text[i].unicode());
    }
    double value = 0;
    const std::from_chars_result read =
        std::from_chars(ascii.data(), ascii.data() + (end - start), value);
    return read.ec == std::errc() ? float(value) : 0.0f;
}
