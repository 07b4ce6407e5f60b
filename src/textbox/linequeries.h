#pragma once
// The four line queries the caret status relies on, as an interface: the box answers
// them from its view's rows, and tests swap in queries that fail on purpose.
//
// Lines are displayed rows: a CR LF starts a new line and every wrapped piece counts.
// Offsets count characters of the CR LF text, so each line break counts twice. A query
// that cannot be answered gives no value.

#include <optional>

namespace wimblet {

class LineQueries
{
public:
    LineQueries() = default;
    virtual ~LineQueries() = default;
    LineQueries(const LineQueries &) = delete;
    LineQueries &operator=(const LineQueries &) = delete;

    // Number of displayed lines, 1 for an empty text.
    virtual std::optional<int> lineCount() const = 0;
    // Offset just after the selection's last character, or the caret's offset.
    virtual std::optional<int> selectionEnd() const = 0;
    // Zero-based index of the displayed line holding the offset.
    virtual std::optional<int> lineFromChar(int offset) const = 0;
    // Offset of the first character of a displayed line.
    virtual std::optional<int> lineIndex(int line) const = 0;
};

} // namespace wimblet
