#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// The form in which `contains[cd]` compares texts: every character decomposed (NFKD),
// combining marks dropped and case folded, encoded as UTF-8 so that a substring search runs
// over half the bytes and any match falls on whole characters. "Pokémon" and "POKEMON" both
// fold to "pokemon". Folding works character by character through a table shared by the whole
// process, filled on first use of each character; any thread may call it.
class FoldedText {
public:
    static QByteArray fold(QStringView text);
    static void appendFold(QStringView text, QByteArray& out);
    // True when the folded needle is a substring of the folded haystack; an empty needle never
    // matches.
    static bool contains(QByteArrayView foldedHaystack, QByteArrayView foldedNeedle);

private:
    // The packed fold of one BMP code unit from the shared table, computed on first use.
    static quint64 bmpEntry(char16_t codeUnit);
};
