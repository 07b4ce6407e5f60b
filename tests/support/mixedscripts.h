#pragma once
// Text in the world's scripts for the row and drawing tests and benchmarks: words of
// each script, joined as their writers join them, the same for equal seeds.

#include <QString>
#include <QStringList>

namespace wimblet::testsupport {

enum class Script {
    Latin, Cjk, Thai, Tamil, Devanagari, Arabic, Hebrew, Ethiopic,
    Marks, Emoji, Flags, Tabs, StandIns,
    Khmer, Myanmar, Tibetan, Vietnamese,
    // Arabic and Hebrew words with numbers and brackets, as they stand in other prose.
    RightToLeftMixed,
    EmojiSequences // keycaps, tags, U+FE0F inside ZWJ sequences, and text-style symbols
};

// A few words of a script, as a writer of it would type them.
const QStringList &wordsOf(Script script);

// One paragraph of at least `chars` UTF-16 units: words of the given scripts drawn at
// random and joined by spaces (Chinese, Japanese and Thai words often without), with no
// CR LF. A stand-in word is a lone LF, a lone CR or U+2028.
QString mixedParagraph(const QList<Script> &scripts, qsizetype chars, quint32 seed);

// A paragraph of `chars` units, mostly the sample prose, with a tenth in Tamil,
// Devanagari and emoji spread through it.
QString mostlyLatinParagraph(qsizetype chars, quint32 seed);

// The name of the script for test rows and skip messages.
QString scriptName(Script script);

} // namespace wimblet::testsupport
