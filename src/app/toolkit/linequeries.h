#pragma once
// The four line queries the caret status relies on, answered on the text box's
// displayed lines: a CR LF starts a new line and every wrapped piece counts.
// Offsets count characters of the CR LF text, so each line break counts twice.
// A query that cannot be answered gives no value.

#include <optional>

class QPlainTextEdit;
class QTextBlock;

namespace wimblet {

class LineQueries
{
public:
    explicit LineQueries(QPlainTextEdit *edit);
    virtual ~LineQueries() = default;
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
    int laidOutLineCount(const QTextBlock &block) const;
    QTextBlock blockAtOffset(int offset) const;

    QPlainTextEdit *m_edit;
};

} // namespace wimblet
