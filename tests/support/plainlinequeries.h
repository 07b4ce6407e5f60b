#pragma once
// The line queries answered on a QPlainTextEdit's displayed lines, as the old text
// box answered them: a CR LF starts a new line and every wrapped piece counts.
//
// The rows of every block are kept between queries and only the blocks that an
// edit touched are counted again, so a query costs the same in a short text and
// a long one; a change of width or font has all blocks counted once more, at the
// next query.

#include "textbox/linequeries.h"

#include <memory>
#include <optional>

class QPlainTextEdit;

namespace wimblet {

class PlainLineQueries : public LineQueries
{
public:
    explicit PlainLineQueries(QPlainTextEdit *edit);
    ~PlainLineQueries() override;

    // Number of displayed lines, 1 for an empty text.
    std::optional<int> lineCount() const override;
    // Offset just after the selection's last character, or the caret's offset.
    std::optional<int> selectionEnd() const override;
    // Zero-based index of the displayed line holding the offset.
    std::optional<int> lineFromChar(int offset) const override;
    // Offset of the first character of a displayed line.
    std::optional<int> lineIndex(int line) const override;

protected:
    QPlainTextEdit *edit() const { return m_edit; }

private:
    class Tracker;

    QPlainTextEdit *m_edit;
    std::unique_ptr<Tracker> m_tracker;
};

} // namespace wimblet
