#pragma once
// Rows of text the arithmetic cannot be trusted with, found from the advances of their
// segments (the text between two break opportunities), each shaped once and kept
// (`segmentwidths`). Shaping does not join across a break opportunity, so a row's width
// is the sum of its segments' as long as they stand clearly inside the row; where the
// sum comes near the edge, where a glyph's ink may reach past it, or where a tab stands,
// the row is left to the shaper.

#include "lines/wraprows.h"

#include <QDeadlineTimer>

namespace wimblet {

// Length of the row that starts at `from`, hanging blanks included, as rowLengthAt()
// tells it; 0 when the view ends too soon to tell; -1 when only shaping the row can.
// `metrics` must carry kinds and segments. When it is -1, `shaperReach` (when given) tells
// how many units from `from` the shaper should read first, or 0 when the sums cannot tell.
int summedRowLength(QStringView text, const qint32 *widths, const quint8 *breakBefore,
                    const RowMetrics &metrics, int from, bool continues, int *shaperReach = nullptr);

// Shapes the segments of `text` not known yet, many to a layout, until the deadline: for
// many short paragraphs, whose rows would each shape their few misses alone.
void measureSegments(QStringView text, const RowMetrics &metrics, QDeadlineTimer deadline);

} // namespace wimblet
