// Rows checked against themselves. Apart from the code that keeps them, so that a
// program that never checks links none of it.
#include "lines/documentrows.h"
#include "lines/paragraphrows.h"

namespace wimblet {

QString ParagraphRows::brokenInvariant() const
{
    const int chunks = int(m_chunks.size());
    if (chunks == 0 || m_rows.size() != chunks || m_spans.size() != chunks)
        return QStringLiteral("%1 chunks of rows, sums over %2 and %3")
            .arg(chunks)
            .arg(m_rows.size())
            .arg(m_spans.size());
    qint64 base = 0;
    qint64 previous = -1;
    for (int c = 0; c < chunks; ++c) {
        const Chunk &chunk = m_chunks[size_t(c)];
        if (chunk.starts.empty() || chunk.starts.front() != 0)
            return QStringLiteral("chunk %1 does not start with a row").arg(c);
        if (m_rows.prefix(c + 1) - m_rows.prefix(c) != qint64(chunk.starts.size())
            || m_spans.prefix(c + 1) - m_spans.prefix(c) != chunk.span)
            return QStringLiteral("the sums of chunk %1 are not its %2 rows over %3 characters")
                .arg(c)
                .arg(chunk.starts.size())
                .arg(chunk.span);
        for (const int start : chunk.starts) {
            if (base + start <= previous)
                return QStringLiteral("a row starts at %1 after one at %2")
                    .arg(base + start)
                    .arg(previous);
            previous = base + start;
        }
        base += chunk.span;
    }
    if (base != m_length || previous > m_length)
        return QStringLiteral("rows over %1 characters up to a row at %2, in a paragraph of %3")
            .arg(base)
            .arg(previous)
            .arg(m_length);
    return brokenKnownRows();
}

// While rows are unknown, the known ones end at a row start inside the paragraph, and
// the rows once known past them end at a later one.
QString ParagraphRows::brokenKnownRows() const
{
    if (m_complete)
        return {};
    const auto isRowStart = [this](qint64 x) {
        return x >= 0 && x <= m_length && rowStart(rowOfOffset(x)) == x;
    };
    if (m_frontier >= m_length || !isRowStart(m_frontier))
        return QStringLiteral("the last known row starts at %1, no row start before %2")
            .arg(m_frontier)
            .arg(m_length);
    if (m_aheadEnd >= 0 && (m_aheadEnd <= m_frontier || !isRowStart(m_aheadEnd)))
        return QStringLiteral("rows once known end at %1, no row start past %2")
            .arg(m_aheadEnd)
            .arg(m_frontier);
    if (m_trustedFrom < 0 || m_trustedFrom > m_length + 1)
        return QStringLiteral("stand-in rows trusted from %1 in a paragraph of %2")
            .arg(m_trustedFrom)
            .arg(m_length);
    return {};
}

QString DocumentRows::brokenInvariant() const
{
    const qint64 length = m_tree.totalLength() + 2 * qint64(m_tree.blockCount() - 1);
    if (m_length != length)
        return QStringLiteral("a text of %1 characters, its paragraphs %2").arg(m_length).arg(length);
    for (const auto &[paragraph, rows] : m_long) {
        if (paragraph < 0 || paragraph >= m_tree.blockCount())
            return QStringLiteral("rows kept for paragraph %1 of %2")
                .arg(paragraph)
                .arg(m_tree.blockCount());
        const BlockRows entry = m_tree.at(paragraph);
        if (rows->length() != entry.length)
            return QStringLiteral("paragraph %1 has %2 characters, its kept rows %3")
                .arg(paragraph)
                .arg(entry.length)
                .arg(rows->length());
        // A paragraph is counted exactly when its kept rows are all known.
        if ((entry.rows >= 0) != rows->complete() || (entry.rows >= 0 && entry.rows != rows->rowCount()))
            return QStringLiteral("paragraph %1 counts %2 rows, its kept rows %3 (%4)")
                .arg(paragraph)
                .arg(entry.rows)
                .arg(rows->rowCount())
                .arg(rows->complete() ? QStringLiteral("all known") : QStringLiteral("some unknown"));
        const QString broken = rows->brokenInvariant();
        if (!broken.isEmpty())
            return QStringLiteral("paragraph %1: %2").arg(paragraph).arg(broken);
    }
    return {};
}

} // namespace wimblet
