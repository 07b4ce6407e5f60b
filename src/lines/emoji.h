#pragma once
// Emoji sequences, found from Unicode's emoji properties (a table generated from
// emoji-data.txt: Qt has no such properties), so that each is drawn whole by the
// colour emoji font. A font of the text that has a sequence's parts (a digit, a ZWJ,
// U+FE0F) would otherwise take them from it and the sequence fall apart in pieces.

#include <QList>
#include <QStringView>
#include <QTextLayout>

namespace wimblet {

struct EmojiSequence
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const EmojiSequence &o) const { return start == o.start && length == o.length; }
};

// The emoji sequences of `text` in order: ZWJ sequences, skin tones, U+FE0F
// presentation, keycaps, tag sequences, regional indicator pairs, and characters of
// emoji presentation alone. Text-style characters (a digit, ♥, © without U+FE0F)
// are none. Plain text costs one pass and no allocation.
QList<EmojiSequence> emojiSequences(QStringView text);

// `end` moved out of an emoji sequence of `text` that it would cut: back to the
// sequence's start, or past its end when the sequence starts the text. After Thai or
// Indic text Qt takes every unit of an emoji for a grapheme, and may wrap inside one.
qsizetype keepEmojiWhole(QStringView text, qsizetype end);

// The formats that give `text`'s emoji sequences the colour emoji font; none when the
// font is not installed. Every layout that draws or measures rows takes these, so that
// counting and drawing agree.
QList<QTextLayout::FormatRange> emojiFormats(QStringView text);

} // namespace wimblet
