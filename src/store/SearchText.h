#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

// The folded form (FoldedText) of a record's three searched texts — title, gameDescription,
// genreDescription, by GameAttributes::foldSlotOf — in one buffer with a NUL between them, and
// a bitmap of the byte pairs it holds. A search rules most records out on the bitmaps alone
// and scans one buffer for the rest. Built by Game on first search; immutable.
class SearchText {
public:
    static constexpr int kFields = 3;
    using Signature = std::array<quint64, 8>;

    SearchText(const QString& title, const QString& gameDescription,
               const QString& genreDescription);

    // The bitmap of a folded needle's byte pairs; empty for a needle of one byte.
    static Signature signatureOf(QByteArrayView folded);

    // False when the text cannot hold a needle with this signature.
    bool mayContain(const Signature& needle) const {
        for (size_t i = 0; i < needle.size(); ++i) {
            if ((needle[i] & ~signature_[i]) != 0) {
                return false;
            }
        }
        return true;
    }
    // Substring tests with a folded, non-empty needle.
    bool fieldContains(int field, QByteArrayView needle) const;
    // Any of the three fields; the needle must hold no NUL.
    bool anyFieldContains(QByteArrayView needle) const;

    QByteArrayView field(int field) const {
        return QByteArrayView(text_).sliced(starts_[field], ends_[field] - starts_[field]);
    }

private:
    QByteArray text_;
    std::array<qsizetype, kFields> starts_{};
    std::array<qsizetype, kFields> ends_{};
    Signature signature_{};
};
