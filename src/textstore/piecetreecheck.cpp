// The piece tree checked against itself. Apart from the tree's other code, so that a
// program that never checks links none of it.
#include "textstore/piecetree.h"

#include "textstore/crlf.h"
#include "textstore/piecenode.h"

namespace wimblet {

using piecetree::kFan;

// What the pieces visited so far add up to.
struct PieceTree::Tally
{
    int leafDepth = -1;
    qint64 pieces = 0;
    qint64 length = 0;
    qint64 breaks = 0;
    char16_t last = 0; // the unit before the next piece
};

namespace {

QString brokenPiece(const Piece &piece, char16_t before, qint64 at)
{
    if (!piece.data || piece.length <= 0)
        return QStringLiteral("a piece of %1 units at %2").arg(piece.length).arg(at);
    const bool join = piece.data[0] == u'\n' && before == u'\r';
    if (piece.join != join)
        return QStringLiteral("the piece at %1 %2 the break before it")
            .arg(at)
            .arg(join ? QStringLiteral("misses") : QStringLiteral("claims"));
    const qint64 breaks = (join ? 1 : 0) + crlf::countBreaks(piece.data, piece.length);
    if (piece.breaks != breaks)
        return QStringLiteral("the piece at %1 says %2 breaks, holds %3")
            .arg(at)
            .arg(piece.breaks)
            .arg(breaks);
    return {};
}

} // namespace

QString PieceTree::brokenBelow(const Node *node, int depth, Tally &tally)
{
    if (depth >= kMaxDepth || node->count > kFan || (depth > 0 && node->count == 0))
        return QStringLiteral("a node of %1 entries at depth %2").arg(node->count).arg(depth);
    if (node->leaf && tally.leafDepth >= 0 && tally.leafDepth != depth)
        return QStringLiteral("leaves at depths %1 and %2").arg(tally.leafDepth).arg(depth);
    if (node->leaf)
        tally.leafDepth = depth;
    for (int i = 0; i < node->count; ++i) {
        const Node::Entry &e = node->entries[i];
        QString broken;
        if (node->leaf) {
            broken = brokenPiece(node->piece(i), tally.last, tally.length);
            ++tally.pieces;
            tally.length += e.length;
            tally.breaks += e.breaks;
            tally.last = broken.isEmpty() ? e.data[e.length - 1] : 0;
        } else if (e.length != e.child->sumLength() || e.breaks != e.child->sumBreaks()) {
            broken = QStringLiteral("a node at depth %1 sums %2 units and %3 breaks, its child "
                                    "%4 and %5")
                         .arg(depth)
                         .arg(e.length)
                         .arg(e.breaks)
                         .arg(e.child->sumLength())
                         .arg(e.child->sumBreaks());
        } else {
            broken = brokenBelow(e.child, depth + 1, tally);
        }
        if (!broken.isEmpty())
            return broken;
    }
    return {};
}

// The path kept for typing leads from the root to the piece that ends where it says.
QString PieceTree::brokenFinger() const
{
    if (m_fingerEnd < 0)
        return {};
    const Node *node = m_root;
    qint64 end = 0;
    for (int k = 0; k < m_finger.depth; ++k) {
        const Step &step = m_finger.steps[k];
        if (step.node != node || step.index >= node->count)
            return QStringLiteral("the typing path leaves the tree at depth %1").arg(k);
        for (int i = 0; i < step.index; ++i)
            end += node->entries[i].length;
        if (node->leaf) {
            end += node->entries[step.index].length;
            return end == m_fingerEnd && k + 1 == m_finger.depth
                       ? QString()
                       : QStringLiteral("the typing path ends at %1, not %2").arg(end).arg(m_fingerEnd);
        }
        node = node->entries[step.index].child;
    }
    return QStringLiteral("the typing path stops short of a leaf");
}

QString PieceTree::brokenInvariant() const
{
    Tally tally;
    if (m_root) {
        if (!m_root->leaf && m_root->count < 2)
            return QStringLiteral("an inner root of %1 entries").arg(m_root->count);
        const QString broken = brokenBelow(m_root, 0, tally);
        if (!broken.isEmpty())
            return broken;
    }
    if (tally.pieces != m_pieceCount || tally.length != m_length || tally.breaks != m_breaks)
        return QStringLiteral("totals of %1 pieces, %2 units and %3 breaks, the pieces %4, %5 "
                              "and %6")
            .arg(m_pieceCount)
            .arg(m_length)
            .arg(m_breaks)
            .arg(tally.pieces)
            .arg(tally.length)
            .arg(tally.breaks);
    return brokenFinger();
}

} // namespace wimblet
