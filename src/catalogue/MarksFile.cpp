#include "MarksFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStringList>
#include <charconv>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList kCsvColumns = {u"id"_s, u"title"_s, u"myScore"_s, u"wished"_s, u"played"_s};

// The shortest text that reads back as the same float: 4.3, not 4.30000019.
QByteArray scoreText(float score) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, score);
    return QByteArray(buffer, result.ptr - buffer);
}

// A zero-width no-break space is written escaped: Qt's reader drops it where it stands as is.
void appendJsonString(QByteArray& out, const QString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else if (byte == 0xEF && QByteArrayView(utf8).sliced(i).startsWith("\xEF\xBB\xBF")) {
            out += "\\ufeff";
            i += 2;
        } else {
            out += c;
        }
    }
    out += '"';
}

bool soundScore(double score) {
    return std::isfinite(score) && score >= 0 && score <= MarksFile::kMaxScore;
}

// Spreadsheets run a cell that starts like a formula; such a title is written after a quote
// mark, which they show as text, and read back without it.
bool looksLikeFormula(QStringView text) {
    return !text.isEmpty() && u"=+-@\t\r"_s.contains(text.front());
}

// How a game of a JSON list is named in a message: "game 12 (Title)".
QString gameName(qsizetype number, const QString& title) {
    return title.isEmpty() ? u"game %1"_s.arg(number) : u"game %1 (%2)"_s.arg(number).arg(title);
}

// Reads a mark that is on or off. Nothing for a value that is neither.
std::optional<bool> readFlag(const QJsonValue& value) {
    if (value.isUndefined() || value.isNull()) {
        return false;
    }
    if (value.isBool()) {
        return value.toBool();
    }
    if (value.isDouble() && (value.toDouble() == 0 || value.toDouble() == 1)) {
        return value.toDouble() == 1;
    }
    return std::nullopt;
}

std::optional<bool> readFlagText(QStringView text) {
    const QString word = text.trimmed().toString().toLower();
    if (word.isEmpty() || word == u"0"_s || word == u"false"_s || word == u"no"_s) {
        return false;
    }
    if (word == u"1"_s || word == u"true"_s || word == u"yes"_s || word == u"x"_s) {
        return true;
    }
    return std::nullopt;
}

// One CSV record from `pos` on (quoted fields may hold separators, quotes doubled, line
// breaks); false at the end of the text. `line` counts the lines the record started on.
bool nextRecord(QStringView text, qsizetype& pos, QChar separator, QStringList& fields,
                qsizetype& line) {
    fields.clear();
    if (pos >= text.size()) {
        return false;
    }
    QString field;
    bool quoted = false;
    qsizetype breaks = 0;
    while (pos < text.size()) {
        const QChar c = text[pos++];
        if (quoted) {
            if (c == u'"') {
                if (pos < text.size() && text[pos] == u'"') {
                    field += u'"';
                    ++pos;
                } else {
                    quoted = false;
                }
            } else {
                breaks += c == u'\n';
                field += c;
            }
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == separator) {
            fields.append(std::exchange(field, QString()));
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && pos < text.size() && text[pos] == u'\n') {
                ++pos;
            }
            break;
        } else {
            field += c;
        }
    }
    fields.append(field);
    line += 1 + breaks;
    return true;
}

bool needsQuotes(const QString& field) {
    return field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
           field.contains(u'\r') || field.startsWith(u' ') || field.endsWith(u' ');
}

void appendCsvField(QByteArray& out, const QString& field) {
    if (!needsQuotes(field)) {
        out += field.toUtf8();
        return;
    }
    out += '"';
    out += QString(field).replace(u"\""_s, u"\"\""_s).toUtf8();
    out += '"';
}

// No list, with the reason for the user when the caller wants it.
std::nullopt_t failWith(QString* error, const QString& reason) {
    if (error) {
        *error = reason;
    }
    return std::nullopt;
}

}  // namespace

MarksFile::Format MarksFile::formatForPath(const QString& path) {
    return path.endsWith(u".csv"_s, Qt::CaseInsensitive) ? Format::Csv : Format::Json;
}

QByteArray MarksFile::toBytes(Format format) const {
    return format == Format::Csv ? toCsv() : toJson();
}

QByteArray MarksFile::toJson() const {
    QByteArray out;
    out.reserve(128 + games.size() * 96);
    out += "{\"platform\":";
    appendJsonString(out, platform);
    out += ",\"exported\":";
    appendJsonString(out, exported.toUTC().toString(Qt::ISODate));
    out += ",\"games\":[";
    for (qsizetype i = 0; i < games.size(); ++i) {
        const Entry& game = games[i];
        out += i == 0 ? "\n{\"id\":" : ",\n{\"id\":";
        appendJsonString(out, game.id);
        out += ",\"title\":";
        appendJsonString(out, game.title);
        out += ",\"myScore\":";
        out += game.myScore ? scoreText(*game.myScore) : QByteArray("null");
        out += game.wished ? ",\"wished\":true" : ",\"wished\":false";
        out += game.played ? ",\"played\":true}" : ",\"played\":false}";
    }
    out += "\n]}\n";
    return out;
}

QByteArray MarksFile::toCsv() const {
    QByteArray out;
    out.reserve(64 + games.size() * 64);
    out += kCsvColumns.join(u',').toUtf8() + "\r\n";
    for (const Entry& game : games) {
        appendCsvField(out, game.id);
        out += ',';
        appendCsvField(out, looksLikeFormula(game.title) ? u'\'' + game.title : game.title);
        out += ',';
        if (game.myScore) {
            out += scoreText(*game.myScore);
        }
        out += game.wished ? ",true" : ",false";
        out += game.played ? ",true\r\n" : ",false\r\n";
    }
    return out;
}

std::optional<MarksFile> MarksFile::fromBytes(const QByteArray& bytes, QString* error) {
    const auto fail = [error](const QString& reason) { return failWith(error, reason); };
    if (bytes.size() > kMaxBytes) {
        return fail(
            u"it is larger than %1 MB, too large for a list of marks"_s.arg(kMaxBytes >> 20));
    }
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (start < bytes.size() && QChar::isSpace(uchar(bytes[start]))) {
        ++start;
    }
    if (start == bytes.size()) {
        return fail(u"it is empty"_s);
    }
    if (bytes[start] == '{') {
        return fromJson(bytes.sliced(start), error);
    }
    return fromCsv(QString::fromUtf8(bytes.constData() + start, bytes.size() - start), error);
}

std::optional<MarksFile> MarksFile::fromJson(const QByteArray& bytes, QString* error) {
    const auto fail = [error](const QString& reason) { return failWith(error, reason); };
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return fail(u"it is not valid JSON (%1 at byte %2)"_s.arg(parseError.errorString())
                        .arg(parseError.offset));
    }
    const QJsonObject top = document.object();
    const QJsonValue platform = top.value(u"platform"_s);
    if (!top.value(u"games"_s).isArray() || !(platform.isUndefined() || platform.isString())) {
        return fail(u"it is JSON, but not a list of marks: it holds no \"games\" list"_s);
    }
    MarksFile file;
    file.platform = platform.toString(QString());
    file.exported = QDateTime::fromString(top.value(u"exported"_s).toString(), Qt::ISODate);
    const QJsonArray games = top.value(u"games"_s).toArray();
    file.games.reserve(games.size());
    qsizetype number = 0;
    for (const QJsonValue& value : games) {
        const QJsonObject game = value.toObject();
        ++number;
        Entry entry;
        entry.title = game.value(u"title"_s).toString();
        const QJsonValue id = game.value(u"id"_s);
        if (id.isString()) {
            entry.id = id.toString().trimmed();
        } else if (id.isDouble() && id.toDouble() == std::floor(id.toDouble())) {
            entry.id = QString::number(id.toInteger());
        }
        if (entry.id.isEmpty()) {
            return fail(u"%1 has no id"_s.arg(gameName(number, entry.title)));
        }
        const QJsonValue score = game.value(u"myScore"_s);
        if (score.isDouble() && soundScore(score.toDouble())) {
            entry.myScore = float(score.toDouble());
        } else if (!score.isNull() && !score.isUndefined()) {
            return fail(u"%1 has the score %2; scores go from 0 to %3"_s
                            .arg(gameName(number, entry.title),
                                 score.isDouble() ? QString::number(score.toDouble())
                                                  : score.toVariant().toString())
                            .arg(kMaxScore));
        }
        const std::optional<bool> wished = readFlag(game.value(u"wished"_s));
        const std::optional<bool> played = readFlag(game.value(u"played"_s));
        if (!wished || !played) {
            return fail(u"%1: \"%2\" is neither true nor false"_s.arg(
                gameName(number, entry.title), wished ? u"played"_s : u"wished"_s));
        }
        entry.wished = *wished;
        entry.played = *played;
        file.games.append(std::move(entry));
    }
    return file;
}

std::optional<MarksFile> MarksFile::fromCsv(const QString& text, QString* error) {
    const auto fail = [error](const QString& reason) { return failWith(error, reason); };
    // Spreadsheets set to a decimal comma write ";" between fields.
    const QStringView firstLine = QStringView(text).left(text.indexOf(u'\n'));
    const QChar separator = firstLine.contains(u';') && !firstLine.contains(u',') ? u';' : u',';
    qsizetype pos = 0;
    qsizetype line = 0;
    QStringList fields;
    nextRecord(text, pos, separator, fields, line);
    // The header names the columns, in any order; only "id" must be there.
    QList<qsizetype> column(kCsvColumns.size(), -1);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        for (qsizetype k = 0; k < kCsvColumns.size(); ++k) {
            if (column[k] < 0 &&
                kCsvColumns[k].compare(fields[i].trimmed(), Qt::CaseInsensitive) == 0) {
                column[k] = i;
            }
        }
    }
    if (column[0] < 0) {
        return fail(
            u"it is neither JSON nor a CSV list of marks (whose first line is \"%1\")"_s.arg(
                kCsvColumns.join(u',')));
    }
    const qsizetype width = fields.size();
    MarksFile file;
    while (nextRecord(text, pos, separator, fields, line)) {
        if (fields.size() == 1 && fields[0].trimmed().isEmpty()) {
            continue;
        }
        if (fields.size() != width) {
            return fail(u"line %1 has %2 fields where the first line has %3"_s.arg(line)
                            .arg(fields.size())
                            .arg(width));
        }
        const auto field = [&](int k) { return column[k] < 0 ? QString() : fields[column[k]]; };
        Entry entry;
        entry.id = field(0).trimmed();
        entry.title = field(1);
        if (entry.title.startsWith(u'\'') && looksLikeFormula(QStringView(entry.title).mid(1))) {
            entry.title.remove(0, 1);
        }
        if (entry.id.isEmpty()) {
            return fail(u"line %1 has no id"_s.arg(line));
        }
        QString score = field(2).trimmed();
        if (!score.isEmpty()) {
            if (separator == u';') {
                score.replace(u',', u'.');
            }
            bool number = false;
            const double value = QLocale::c().toDouble(score, &number);
            if (!number || !soundScore(value)) {
                return fail(u"line %1 has the score %2; scores go from 0 to %3"_s.arg(line)
                                .arg(field(2).trimmed())
                                .arg(kMaxScore));
            }
            entry.myScore = float(value);
        }
        const std::optional<bool> wished = readFlagText(field(3));
        const std::optional<bool> played = readFlagText(field(4));
        if (!wished || !played) {
            return fail(u"line %1: \"%2\" is neither true nor false"_s.arg(line).arg(
                wished ? u"played"_s : u"wished"_s));
        }
        entry.wished = *wished;
        entry.played = *played;
        file.games.append(std::move(entry));
    }
    return file;
}
