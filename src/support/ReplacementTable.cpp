#include "ReplacementTable.h"

#include <algorithm>

namespace {

using Row = ReplacementTable::Row;

// One UTF-16 unit of the text against one ASCII unit of a find text, compared the way Qt's
// case-insensitive search compares them: both case-folded.
char16_t folded(char16_t unit) {
    const char16_t f = unit < 0x80 ? unit : QChar::toCaseFolded(unit);
    return f >= u'A' && f <= u'Z' ? char16_t(f | 0x20) : f;
}

bool foldedEqual(char16_t unit, char16_t ascii) {
    return folded(unit) == folded(ascii);
}

// Whether `find` occurs in `text` at `at`. Case-insensitive comparison needs an ASCII find
// text (see hasFastSearch).
bool matchesAt(QStringView text, qsizetype at, QStringView find, Qt::CaseSensitivity cs) {
    if (at < 0 || at + find.size() > text.size()) {
        return false;
    }
    if (cs == Qt::CaseSensitive) {
        return text.mid(at, find.size()) == find;
    }
    for (qsizetype i = 0; i < find.size(); ++i) {
        if (!foldedEqual(text[at + i].unicode(), find[i].unicode())) {
            return false;
        }
    }
    return true;
}

// Whether every occurrence starts with find's first character exactly, so a vectorised
// search for that character finds every candidate: always when case matters; ignoring case,
// for ASCII find texts led by a character without case ("%", "&", "<").
bool hasFastSearch(QStringView find, Qt::CaseSensitivity cs) {
    if (find.isEmpty()) {
        return false;
    }
    if (cs == Qt::CaseSensitive) {
        return true;
    }
    return std::all_of(find.cbegin(), find.cend(), [](QChar c) { return c.unicode() < 0x80; }) &&
           !find.front().isLetter();
}

// Replaces, left to right and without overlap, what `match` finds at each place of `lead`:
// match(view, at) answers the row that occurs there, or nothing. A text where nothing matches
// is left alone without allocating.
template <typename Match>
void replaceAtLeads(QString& text, QChar lead, const Match& match) {
    const QStringView view(text);
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = view.indexOf(lead); at >= 0; at = view.indexOf(lead, at)) {
        const Row* row = match(view, at);
        if (!row) {
            ++at;
            continue;
        }
        if (out.isNull()) {
            out.reserve(view.size());
        }
        out.append(view.mid(copied, at - copied)).append(row->second);
        at += row->first.size();
        copied = at;
    }
    if (out.isNull()) {
        return;
    }
    out.append(view.mid(copied));
    text = out;
}

// Whether row `index`'s replacement holds a character of a later row's find text, and so can
// make an occurrence of that row that was not in the text before.
bool makesLaterRows(const QList<Row>& rows, qsizetype index) {
    for (const QChar made : rows[index].second) {
        for (qsizetype later = index + 1; later < rows.size(); ++later) {
            for (const QChar c : rows[later].first) {
                if (folded(made.unicode()) == folded(c.unicode())) {
                    return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

// When all find texts share a lead character that occurs nowhere else in them, occurrences of
// different rows never overlap, so consecutive rows can be replaced in one pass (the earlier
// row winning where two match at one place); a new pass starts only after a row whose
// replacement can make occurrences of later rows ("&amp;" makes "&quot;" out of "&amp;quot;").
ReplacementTable::ReplacementTable(const QList<Row>& rows) {
    for (const Row& row : rows) {
        if (!row.first.isEmpty()) {
            rows_.append(row);
        }
    }
    const auto onePassable = [&](const Row& row) {
        return hasFastSearch(row.first, Qt::CaseInsensitive) &&
               row.first.front() == rows_.front().first.front() &&
               row.first.indexOf(row.first.front(), 1) < 0;
    };
    onePass_ = !rows_.isEmpty() && std::all_of(rows_.cbegin(), rows_.cend(), onePassable);
    for (qsizetype row = 0; onePass_ && row < rows_.size(); ++row) {
        if (row + 1 == rows_.size() || makesLaterRows(rows_, row)) {
            passEnds_.append(row);
        }
    }
}

void ReplacementTable::apply(QString& text) const {
    if (!onePass_) {
        for (const Row& row : rows_) {
            replaceAll(text, row.first, row.second, Qt::CaseInsensitive);
        }
        return;
    }
    const QChar lead = rows_.front().first.front();
    qsizetype first = 0;
    for (const qsizetype last : passEnds_) {
        replaceAtLeads(text, lead, [&](QStringView view, qsizetype at) {
            for (qsizetype row = first; row <= last; ++row) {
                if (matchesAt(view, at, rows_[row].first, Qt::CaseInsensitive)) {
                    return &rows_[row];
                }
            }
            return static_cast<const Row*>(nullptr);
        });
        first = last + 1;
    }
}

void ReplacementTable::replaceAll(QString& text, const QString& find, const QString& replacement,
                                  Qt::CaseSensitivity cs) {
    if (!hasFastSearch(find, cs)) {
        text.replace(find, replacement, cs);
        return;
    }
    const Row row{find, replacement};
    replaceAtLeads(text, find.front(), [&](QStringView view, qsizetype at) {
        return matchesAt(view, at, find, cs) ? &row : nullptr;
    });
}
