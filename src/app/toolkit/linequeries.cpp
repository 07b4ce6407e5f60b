#include "linequeries.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace wimblet {

namespace {

// Start of a block in CR LF offsets: every earlier block break is two characters.
qint64 offsetOfBlock(const QTextBlock &block)
{
    return qint64(block.position()) + block.blockNumber();
}

} // namespace

LineQueries::LineQueries(QPlainTextEdit *edit)
    : m_edit(edit)
{
}

int LineQueries::laidOutLineCount(const QTextBlock &block) const
{
    // Asking for the block's rectangle makes the layout wrap it at the current width.
    m_edit->document()->documentLayout()->blockBoundingRect(block);
    return std::max(1, block.layout()->lineCount());
}

QTextBlock LineQueries::blockAtOffset(int offset) const
{
    const QTextDocument *doc = m_edit->document();
    int lo = 0;
    int hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (offsetOfBlock(doc->findBlockByNumber(mid)) <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    return doc->findBlockByNumber(lo);
}

std::optional<int> LineQueries::lineCount() const
{
    qint64 total = 0;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid(); b = b.next())
        total += laidOutLineCount(b);
    if (total > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(std::max<qint64>(1, total));
}

std::optional<int> LineQueries::selectionEnd() const
{
    const int pos = m_edit->textCursor().selectionEnd();
    const QTextBlock block = m_edit->document()->findBlock(pos);
    const qint64 offset = qint64(pos) + block.blockNumber();
    if (offset > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(offset);
}

std::optional<int> LineQueries::lineFromChar(int offset) const
{
    if (offset < 0)
        return std::nullopt;
    const QTextBlock block = blockAtOffset(offset);
    qint64 before = 0;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid() && b != block; b = b.next())
        before += laidOutLineCount(b);
    laidOutLineCount(block);
    const int column = int(std::min<qint64>(offset - offsetOfBlock(block), block.length() - 1));
    const QTextLine line = block.layout()->lineForTextPosition(column);
    const qint64 index = before + (line.isValid() ? line.lineNumber() : 0);
    if (index > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(index);
}

std::optional<int> LineQueries::lineIndex(int line) const
{
    if (line < 0)
        return std::nullopt;
    qint64 first = 0;
    for (QTextBlock b = m_edit->document()->begin(); b.isValid(); b = b.next()) {
        const int count = laidOutLineCount(b);
        if (line < first + count) {
            const QTextLine row = b.layout()->lineAt(int(line - first));
            const qint64 offset = offsetOfBlock(b) + (row.isValid() ? row.textStart() : 0);
            if (offset > std::numeric_limits<int>::max())
                return std::nullopt;
            return int(offset);
        }
        first += count;
    }
    return std::nullopt;
}

} // namespace wimblet
