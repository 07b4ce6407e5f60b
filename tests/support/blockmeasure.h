#pragma once
// A whole block measured on one row, for the row counter of the old text box, which
// decides from it whether a block's rows can be worked out arithmetically at all.

#include "lines/wraprows.h"

namespace wimblet {

struct BlockMeasure {
    qsizetype unknownAt = -1;     // first character still to be measured, or -1
    bool measurable = false;      // every character has a known width
    qint64 width = 0;             // the whole block on one row, tabs expanded
    qint64 widestSpaceRun = 0;    // widest run of blanks
};

// Measures a block against a width table of 65536 entries; a block holding a
// character without a width of its own, or a tab without tab stops, is not measurable.
BlockMeasure measureBlock(QStringView text, const qint32 *widths, qint64 tabStop);

} // namespace wimblet
