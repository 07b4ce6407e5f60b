#pragma once
// The caret position status: line and column of the selection's end, and the
// number of lines, each step guarded on its own.

#include <QString>

#include <functional>
#include <optional>

namespace wimblet {

class LineQueries;

// "Ln 3, Col 7 " for the zero-based line 2 and column 6; nothing on overflow.
std::optional<QString> lineColumnText(int line, int column);
// "12 Lines ".
QString lineCountText(int lines);

struct CaretStatusTarget {
    const LineQueries *queries;
    std::function<bool(const QString &)> setPanel3; // false when the write failed
    std::function<bool(const QString &)> setPanel4;
    std::function<void()> setFocus;
};

void refreshCaretStatus(const CaretStatusTarget &target);

} // namespace wimblet
