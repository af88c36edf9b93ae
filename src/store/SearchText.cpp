#include "SearchText.h"

#include <cstring>

#include "FoldedText.h"

namespace {

void addPairs(QByteArrayView text, SearchText::Signature& signature) {
    const auto* bytes = reinterpret_cast<const quint8*>(text.data());
    for (qsizetype i = 1; i < text.size(); ++i) {
        const quint32 pair = (quint32(bytes[i - 1]) << 8) | bytes[i];
        const quint32 bit = (pair * 0x9E3779B1u) >> 23;  // 9 bits: 512 buckets
        signature[bit >> 6] |= quint64(1) << (bit & 63);
    }
}

}  // namespace

SearchText::SearchText(const QString& title, const QString& gameDescription,
                       const QString& genreDescription) {
    const QString* texts[kFields] = {&title, &gameDescription, &genreDescription};
    text_.reserve(title.size() + gameDescription.size() + genreDescription.size() + kFields);
    for (int i = 0; i < kFields; ++i) {
        if (i > 0) {
            text_.append('\0');
        }
        starts_[i] = text_.size();
        FoldedText::appendFold(*texts[i], text_);
        ends_[i] = text_.size();
    }
    addPairs(text_, signature_);
}

SearchText::Signature SearchText::signatureOf(QByteArrayView folded) {
    Signature signature{};
    addPairs(folded, signature);
    return signature;
}

bool SearchText::fieldContains(int fieldIndex, QByteArrayView needle) const {
    return FoldedText::contains(field(fieldIndex), needle);
}

bool SearchText::anyFieldContains(QByteArrayView needle) const {
    return FoldedText::contains(text_, needle);
}
