#pragma once
// The caret position status: line and column of the selection's end, and the
// number of lines, each step guarded on its own.

#include <QString>

#include <functional>
#include <optional>

namespace wimblet {

class LineQueries;

// "Ln 3, Col 7 " for the zero-based line 2 and column 6; nothing when a number
// would overflow.
std::optional<QString> lineColumnText(int line, int column);
// "12 Lines ".
QString lineCountText(int lines);
// p - s, or nothing when the difference does not fit.
std::optional<int> columnOf(int offset, int lineStart);

// What the refresh reads and writes; a missing piece makes its steps fail.
struct CaretStatusTarget {
    const LineQueries *queries = nullptr;
    std::function<bool(const QString &)> setPanel3; // false when the write failed
    std::function<bool(const QString &)> setPanel4;
    std::function<void()> setFocus;
};

// The eight steps in order; a step that fails, throws or overflows is skipped
// and leaves its figure at 0 for the steps after it.
void refreshCaretStatus(const CaretStatusTarget &target);

} // namespace wimblet
