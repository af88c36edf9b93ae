#include "FoldedText.h"

#include <QHash>
#include <QString>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The full fold of one code point: decompose, drop marks, fold case, and once more, since
// folding can yield a character that decomposes again (U+0130 → "i̇").
QByteArray slowFold(char32_t codePoint) {
    const auto dropMarks = [](const QString& text) {
        QString kept;
        kept.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            qsizetype width = 1;
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                width = 2;
            }
            const QChar::Category category = QChar::category(c);
            if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing) {
                kept.append(text.mid(i, width));
            }
            i += width - 1;
        }
        return kept;
    };
    QString text = QString::fromUcs4(&codePoint, 1);
    text = dropMarks(text.normalized(QString::NormalizationForm_KD)).toCaseFolded();
    text = dropMarks(text.normalized(QString::NormalizationForm_KD));
    return text.toUtf8();
}

// One entry per BMP code unit: 0 = not computed yet; otherwise the low byte holds the length
// (1 to 7) of the folded UTF-8 bytes kept in the upper bytes, or 0xFF when the fold is empty,
// or 0xFE when it is longer and kept in the overflow map. Entries are written once with the
// same value by whichever thread gets there first, so relaxed atomics suffice.
constexpr quint64 kEmpty = 0xFF;
constexpr quint64 kLong = 0xFE;
std::array<std::atomic<quint64>, 0x10000> bmpTable;

std::mutex overflowMutex;
QHash<char32_t, QByteArray>& overflow() {
    static QHash<char32_t, QByteArray> map;  // protected by overflowMutex
    return map;
}

QByteArray overflowFold(char32_t codePoint) {
    {
        const std::lock_guard lock(overflowMutex);
        const auto it = overflow().constFind(codePoint);
        if (it != overflow().cend()) {
            return *it;
        }
    }
    const QByteArray folded = slowFold(codePoint);
    const std::lock_guard lock(overflowMutex);
    overflow().insert(codePoint, folded);
    return folded;
}

}  // namespace

quint64 FoldedText::bmpEntry(char16_t codeUnit) {
    std::atomic<quint64>& slot = bmpTable[codeUnit];
    quint64 entry = slot.load(std::memory_order_relaxed);
    if (entry != 0) {
        return entry;
    }
    const QByteArray folded = slowFold(codeUnit);
    if (folded.isEmpty()) {
        entry = kEmpty;
    } else if (folded.size() <= 7) {
        entry = quint64(folded.size());
        for (qsizetype i = 0; i < folded.size(); ++i) {
            entry |= quint64(quint8(folded[i])) << (8 * (i + 1));
        }
    } else {
        entry = kLong;
        const std::lock_guard lock(overflowMutex);
        overflow().insert(codeUnit, folded);
    }
    slot.store(entry, std::memory_order_relaxed);
    return entry;
}

void FoldedText::appendFold(QStringView text, QByteArray& out) {
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    const qsizetype base = out.size();
    // Room for all-ASCII text; anything longer grows the buffer as it goes.
    out.resize(base + size + 16);
    char* write = out.data() + base;
    char* end = out.data() + out.size();
    const auto reserve = [&](qsizetype bytes) {
        if (end - write < bytes) {
            const qsizetype offset = write - out.data();
            out.resize(std::max(out.size() * 2, offset + bytes + 16));
            write = out.data() + offset;
            end = out.data() + out.size();
        }
    };
    const auto appendBytes = [&](const QByteArray& bytes) {
        reserve(bytes.size());
        std::memcpy(write, bytes.constData(), size_t(bytes.size()));
        write += bytes.size();
    };
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = data[i];
        if (c < 0x80) {
            reserve(1);
            *write++ = char(c >= u'A' && c <= u'Z' ? c + 32 : c);
            ++i;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(data[i + 1])) {
            appendBytes(overflowFold(QChar::surrogateToUcs4(c, data[i + 1])));
            i += 2;
            continue;
        }
        ++i;
        if (QChar::isSurrogate(c)) {
            appendBytes(QByteArray("\xEF\xBF\xBD"));  // a lone surrogate has no UTF-8 form
            continue;
        }
        const quint64 entry = bmpEntry(c);
        if (entry == kEmpty) {
            continue;
        }
        if (entry == kLong) {
            appendBytes(overflowFold(c));
            continue;
        }
        reserve(8);
        const int length = int(entry & 0xFF);
        for (int k = 0; k < length; ++k) {
            write[k] = char(quint8(entry >> (8 * (k + 1))));
        }
        write += length;
    }
    out.resize(write - out.data());
}

QByteArray FoldedText::fold(QStringView text) {
    QByteArray out;
    appendFold(text, out);
    return out;
}

bool FoldedText::contains(QByteArrayView haystack, QByteArrayView needle) {
    const size_t size = size_t(haystack.size());
    const size_t length = size_t(needle.size());
    if (length == 0 || length > size) {
        return false;
    }
    const char* text = haystack.data();
    const char* pattern = needle.data();
    if (length == 1) {
        return std::memchr(text, pattern[0], size) != nullptr;
    }
#if defined(__SSE2__)
    // Sixteen candidate positions at a time: a position qualifies when both the needle's first
    // and last bytes sit where they belong; only those are compared in full. Folded catalogue
    // text rarely has such pairs, so this runs several times faster than memmem here.
    const __m128i first = _mm_set1_epi8(pattern[0]);
    const __m128i last = _mm_set1_epi8(pattern[length - 1]);
    size_t i = 0;
    for (; i + length - 1 + 16 <= size; i += 16) {
        const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i atLast =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + length - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(first, atFirst), _mm_cmpeq_epi8(last, atLast))));
        while (mask != 0) {
            const int bit = __builtin_ctz(mask);
            if (std::memcmp(text + i + bit + 1, pattern + 1, length - 2) == 0) {
                return true;
            }
            mask &= mask - 1;
        }
    }
    for (; i + length <= size; ++i) {
        if (text[i] == pattern[0] && std::memcmp(text + i, pattern, length) == 0) {
            return true;
        }
    }
    return false;
#else
    return memmem(text, size, pattern, length) != nullptr;
#endif
}
