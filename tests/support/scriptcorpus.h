#pragma once
// Long texts of one script each, for the row-counting benchmarks: real words of a
// vocabulary as large as a writer's, so that measured segments repeat as they do in
// real text. The same for equal seeds.

#include <QString>

namespace wimblet::testsupport {

enum class Corpus {
    LatinLines,    // the sample prose
    CjkLines,      // characters of the whole unified block, common ones most often
    CjkParagraphs, // the same in paragraphs of hundreds to thousands of characters
    TamilLines,
    ArabicLines,
    EmojiLatin,    // the sample prose's words, a quarter of them emoji
};

// About `bytes` bytes (in UTF-8) of the corpus, its lines ending in CR LF.
QString corpusText(Corpus corpus, qsizetype bytes, quint32 seed);
const char *corpusName(Corpus corpus);

} // namespace wimblet::testsupport
