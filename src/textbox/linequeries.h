#pragma once
// The four line queries the caret status relies on, answered on the text box's
// displayed lines: a CR LF starts a new line and every wrapped piece counts.
// Offsets count characters of the CR LF text, so each line break counts twice.
// A query that cannot be answered gives no value.
//
// The rows of every block are kept between queries and only the blocks that an
// edit touched are counted again, so a query costs the same in a short text and
// a long one; a change of width or font has all blocks counted once more, at the
// next query.

#include <memory>
#include <optional>

class QPlainTextEdit;

namespace wimblet {

class LineQueries
{
public:
    explicit LineQueries(QPlainTextEdit *edit);
    virtual ~LineQueries();
    LineQueries(const LineQueries &) = delete;
    LineQueries &operator=(const LineQueries &) = delete;

    // Number of displayed lines, 1 for an empty text.
    virtual std::optional<int> lineCount() const;
    // Offset just after the selection's last character, or the caret's offset.
    virtual std::optional<int> selectionEnd() const;
    // Zero-based index of the displayed line holding the offset.
    virtual std::optional<int> lineFromChar(int offset) const;
    // Offset of the first character of a displayed line.
    virtual std::optional<int> lineIndex(int line) const;

protected:
    QPlainTextEdit *edit() const { return m_edit; }

private:
    class Tracker;

    QPlainTextEdit *m_edit;
    std::unique_ptr<Tracker> m_tracker;
};

} // namespace wimblet
