#pragma once
// Where the caret may stand and where its moves take it: graphemes, words and
// paragraphs, read from the store in short windows so that no move costs time in
// proportion to its paragraph.

#include "textstore/textstore.h"

namespace wimblet {

struct Span
{
    qint64 from = 0;
    qint64 to = 0;
};

// The offset clamped to the text and moved back out of a CR LF or a surrogate pair.
qint64 caretPlace(const TextStore &store, qint64 offset);
// The end of the grapheme at `offset`: past a whole CR LF, surrogate pair or cluster.
qint64 nextGrapheme(const TextStore &store, qint64 offset);
// The start of the grapheme before `offset`.
qint64 previousGrapheme(const TextStore &store, qint64 offset);
// The start of the grapheme that holds `offset`; `offset` itself where one starts there.
qint64 graphemeStartAt(const TextStore &store, qint64 offset);
// Where Backspace at `offset` deletes from: the last code point of the grapheme before
// it, so that a mark comes off its letter and a conjunct loses its last letter, as in
// other text boxes; a CR LF goes whole, and so does an emoji built of several code
// points, whose parts alone would show as another emoji or a broken one.
qint64 backspaceStart(const TextStore &store, qint64 offset);
// Whether Backspace takes the whole grapheme: it holds a regional indicator, U+20E3,
// a ZWJ, an emoji modifier, or U+FE0F after a pictograph.
bool backspaceTakesWhole(QStringView grapheme);
// Ctrl+Right: over the word (or run of punctuation) at the caret and the blanks after
// it; from a paragraph's end to the next paragraph's start.
qint64 nextWordStart(const TextStore &store, qint64 offset);
// Ctrl+Left: back over blanks and then the word before the caret.
qint64 previousWordStart(const TextStore &store, qint64 offset);
// The word at `offset` (the one ending there at a paragraph's end), for a double click.
Span wordAround(const TextStore &store, qint64 offset);
// The paragraph holding `offset`, its CR LF left out.
Span paragraphAround(const TextStore &store, qint64 offset);
// The same with the CR LF that ends it, as a triple click selects it.
Span paragraphAndBreak(const TextStore &store, qint64 offset);

} // namespace wimblet
