#pragma once
// The characters the view draws as stand-ins, and a stretch of text as it is drawn.

#include "textstore/textstore.h"

#include <QString>

namespace wimblet {

// The grey glyph drawn for a lone LF, a lone CR, U+2028 or U+2029; 0 for any other
// character, which is drawn as itself. A layout would start a new line at each of them.
char16_t standInOf(char16_t c);

// Turns the lone LFs and CRs and the separators of `text` into their stand-ins, and
// each lone surrogate (a stray byte of a UTF-8 file, a damaged UTF-16 unit) into
// U+FFFD, which the view draws over with a box of its hex digits; `before` and `after`
// are the units just outside it (null at the text's ends), which tell whether a CR or
// LF, or half a pair, at its edge belongs to its neighbour. True when any was turned.
bool applyStandIns(QString &text, QChar before, QChar after);

// A surrogate with no other half beside it.
bool isLoneSurrogate(QChar before, QChar c, QChar after);

// The text as it leaves the program (clipboard, drag): each lone surrogate as U+FFFD.
void replaceLoneSurrogates(QString &text);

// `count` units of the store from `from`, with stand-ins, reading one unit either side.
QString shownText(const TextStore &store, qint64 from, qint64 count);

// What a screen reader gets for a NUL, which the view draws as the font's empty box: a
// string on the accessibility bus ends at a NUL, so the rest would never reach it.
inline constexpr char16_t kNulForReaders = 0x2400; // SYMBOL FOR NULL
// Shown text as a screen reader gets it: each NUL as kNulForReaders, unit for unit.
void applyReaderStandIns(QString &shown);
// shownText() as a screen reader gets it.
QString readerText(const TextStore &store, qint64 from, qint64 count);

} // namespace wimblet
