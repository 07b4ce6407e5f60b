#pragma once
// Where the text box breaks one block into rows, worked out arithmetically for
// blocks whose every character has a width known in advance. The rules are the
// layout's own for WrapAtWordBoundaryOrAnywhere: a piece of text up to the next
// break opportunity joins the row when it fits, spaces hang past the right edge,
// a tab reaches the next tab stop, and a row whose first piece alone is too wide
// is laid out again breaking between any two characters.
//
// Widths are in 1/64 pixel, the fixed-point unit the layout measures in.

#include <QStringView>

#include <vector>

namespace wimblet {

class RowShaper;
class SegmentWidths;

// Width of each UTF-16 code unit; kUnknownWidth asks the caller to measure the
// character first, kNoWidth marks one whose width depends on its neighbours.
inline constexpr qint32 kUnknownWidth = -1;
inline constexpr qint32 kNoWidth = 0;

// A row draws at most this many units of text: rows are cut by width, and only blanks
// hanging past the edge or characters of no width make one longer. A segment longer
// than this is never shaped whole.
inline constexpr qint64 kMostShownUnits = 8192;

// How the summed rows treat a UTF-16 unit that has no width of its own.
enum UnitKind : quint8 {
    kMeasured = 0,  // its segment is shaped once and its advance kept
    kIgnorable = 1, // drawn as nothing (format characters, variation selectors)
    kMark = 2,      // a mark of no width: its base carries the width
    kShapedRow = 3, // a tab or a space of another width: the row is the shaper's
};

struct RowMetrics {
    qint64 lineWidth = 0; // room for text on one row
    qint64 tabStop = 0;   // distance between tab stops; 0 leaves tabs to the layout
    // With a shaper, the arithmetic is trusted only where every character of the row,
    // and a few after it, has a width of its own in the primary font (ownWidths[c]
    // non-zero): any other row is the shaper's.
    const quint8 *ownWidths = nullptr;
    const RowShaper *shaper = nullptr;
    // With these too, the other rows add up their segments' kept advances, and only
    // rows whose sum comes near the edge are the shaper's (see summedRowLength()).
    const quint8 *kinds = nullptr; // a UnitKind for each UTF-16 unit
    SegmentWidths *segments = nullptr;
};

// Whether the whole block fits on one row, as wrapRows() would find; reads no further
// than one row's width of it.
bool fitsOneRow(QStringView text, const qint32 *widths, const RowMetrics &metrics);

// Width of a tab that starts at x.
qint64 tabWidthAt(qint64 x, qint64 tabStop);

// Marks breakBefore (text.size() + 1 flags, zero on entry) where the layout may break
// a line: the Unicode line-breaking rules, with Hangul taken for letters as the layout
// takes it, so that Korean breaks at its spaces and not between syllables.
void findLineBreaks(QStringView text, quint8 *breakBefore);

// After a plain letter the break rules have forgotten everything before it: the
// letters of the scripts whose widths are worked out all break as alphabetic.
bool isPlainLetter(QChar c);

// The same flags as findLineBreaks() wherever wrapRows() reads them: inside runs of
// characters that are neither blanks nor tabs (text[i - 1] and text[i] both such), as
// a row ends at any blank by itself. Runs made only of letters, digits and the common
// punctuation that the rules never break between are passed over without them, which
// spares nearly all the work in ordinary prose.
void findBreaksInWords(QStringView text, quint8 *breakBefore);

// Offsets of the first character of every row; the first is always 0.
// breakBefore holds text.size() + 1 flags, non-zero where the line-breaking rules
// allow a break before that character.
void wrapRows(QStringView text, const qint32 *widths, const quint8 *breakBefore,
              const RowMetrics &metrics, std::vector<int> &rowStarts);

// Length of the one row that starts at `from` in a view of a longer paragraph, the
// same as wrapRows() would find. When `textContinues` says the paragraph goes on past
// the view, 0 means the row cannot be told from the view alone. breakBefore[i] belongs
// to text[i], as in wrapRows().
int rowLengthAt(QStringView text, const qint32 *widths, const quint8 *breakBefore,
                const RowMetrics &metrics, int from, bool textContinues);

} // namespace wimblet
