#include "textstore/piecetree.h"

#include "textstore/crlf.h"
#include "textstore/piecenode.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace wimblet {

using piecetree::kFan;
using piecetree::kFill;
using piecetree::kThin;

namespace {

std::atomic<quint64> g_nextTreeId {1};

// The leaf the thread's last lookup ended in, with its place in its tree.
struct LastLeaf
{
    quint64 tree = 0;
    quint64 version = 0;
    const void *leaf = nullptr;
    qint64 start = 0;
    qint64 length = 0;
    qint64 breaksBefore = 0;
    qint64 breaks = 0;
};
thread_local LastLeaf t_lastLeaf;

} // namespace

PieceTree::PieceTree()
    : m_id(g_nextTreeId.fetch_add(1, std::memory_order_relaxed))
{ }

PieceTree::~PieceTree()
{
    clear();
}

PieceTree::PieceTree(PieceTree &&other) noexcept
    : PieceTree()
{
    *this = std::move(other);
}

PieceTree &PieceTree::operator=(PieceTree &&other) noexcept
{
    std::swap(m_root, other.m_root);
    std::swap(m_pieceCount, other.m_pieceCount);
    std::swap(m_length, other.m_length);
    std::swap(m_breaks, other.m_breaks);
    m_fingerEnd = -1;
    other.m_fingerEnd = -1;
    changed();
    other.changed();
    return *this;
}

void PieceTree::clear()
{
    if (m_root)
        freeNode(m_root);
    m_root = nullptr;
    m_pieceCount = 0;
    m_length = 0;
    m_breaks = 0;
    m_fingerEnd = -1;
    changed();
}

void PieceTree::build(const char16_t *text, qint64 length, qint64 pieceMax)
{
    clear();
    std::vector<Node *> level;
    for (qint64 at = 0; at < length;) {
        qint64 n = std::min(pieceMax, length - at);
        // A surrogate pair stays whole, so that every piece is text of its own.
        if (at + n < length && n > 1 && QChar::isHighSurrogate(text[at + n - 1]))
            --n;
        Piece piece {text + at, n, 0, at > 0 && text[at] == u'\n' && text[at - 1] == u'\r'};
        piece.breaks = (piece.join ? 1 : 0) + crlf::countBreaks(piece.data, n);
        if (level.empty() || level.back()->count == kFill)
            level.push_back(new Node);
        level.back()->setPiece(level.back()->count++, piece);
        ++m_pieceCount;
        at += n;
    }
    while (level.size() > 1) {
        std::vector<Node *> up;
        for (size_t i = 0; i < level.size(); ++i) {
            if (i % kFill == 0) {
                up.push_back(new Node);
                up.back()->leaf = false;
            }
            up.back()->setChild(up.back()->count++, level[i]);
        }
        level.swap(up);
    }
    m_root = level.empty() ? nullptr : level.front();
    m_length = m_root ? m_root->sumLength() : 0;
    m_breaks = m_root ? m_root->sumBreaks() : 0;
}

void PieceTree::changed()
{
    ++m_version;
}

// Steps down from `node`, choosing at each level the entry holding the `key`th unit
// (counted from 0) or the `key`th break (counted from 1).
template<bool byBreak>
PieceTree::Found PieceTree::descend(const Node *node, qint64 key, Found found, Path *path)
{
    for (;;) {
        int i = 0;
        for (; i + 1 < node->count; ++i) {
            const Node::Entry &e = node->entries[i];
            if (byBreak ? key <= e.breaks : key < e.length)
                break;
            key -= byBreak ? e.breaks : e.length;
            found.start += e.length;
            found.breaksBefore += e.breaks;
        }
        if (path)
            path->steps[path->depth++] = Step {const_cast<Node *>(node), i};
        if (node->leaf) {
            found.piece = node->piece(i);
            return found;
        }
        node = node->entries[i].child;
    }
}

PieceTree::Found PieceTree::locate(qint64 offset, Path *path) const
{
    path->depth = 0;
    return descend<false>(m_root, offset, Found {}, path);
}

template<bool byBreak> PieceTree::Found PieceTree::lookup(qint64 key) const
{
    LastLeaf &last = t_lastLeaf;
    if (last.tree == m_id && last.version == m_version) {
        const qint64 within = key - (byBreak ? last.breaksBefore : last.start);
        if (byBreak ? within > 0 && within <= last.breaks : within >= 0 && within < last.length) {
            Found base;
            base.start = last.start;
            base.breaksBefore = last.breaksBefore;
            return descend<byBreak>(static_cast<const Node *>(last.leaf), within, base, nullptr);
        }
    }
    Path path;
    const Found found = descend<byBreak>(m_root, key, Found {}, &path);
    const Step leaf = path.steps[path.depth - 1];
    last = LastLeaf {m_id, m_version, leaf.node, found.start, 0, found.breaksBefore, 0};
    for (int i = 0; i < leaf.node->count; ++i) {
        const Node::Entry &e = leaf.node->entries[i];
        if (i < leaf.index) {
            last.start -= e.length;
            last.breaksBefore -= e.breaks;
        }
        last.length += e.length;
        last.breaks += e.breaks;
    }
    return found;
}

char16_t PieceTree::unitBefore(qint64 offset, const Path &path, const Found &found) const
{
    if (offset <= 0)
        return 0;
    if (offset > found.start)
        return found.piece.data[offset - found.start - 1];
    const Step leaf = path.steps[path.depth - 1];
    if (leaf.index > 0) {
        const Node::Entry &e = leaf.node->entries[leaf.index - 1];
        return e.data[e.length - 1];
    }
    const Found before = descend<false>(m_root, offset - 1, Found {}, nullptr); // first of its leaf
    return before.piece.data[offset - 1 - before.start];
}

PieceTree::Found PieceTree::findOffset(qint64 offset) const
{
    Q_ASSERT(m_root && m_root->count > 0);
    return lookup<false>(offset);
}

PieceTree::Found PieceTree::findBreak(qint64 nth) const
{
    Q_ASSERT(nth >= 1 && nth <= breaks());
    return lookup<true>(nth);
}

void PieceTree::addAlong(const Path &path, int levels, qint64 lengthDelta, qint64 breakDelta)
{
    for (int k = 0; k < levels; ++k) {
        Node::Entry &e = path.steps[k].node->entries[path.steps[k].index];
        e.length += lengthDelta;
        e.breaks += breakDelta;
    }
}

void PieceTree::splitAt(qint64 offset)
{
    if (!m_root || offset <= 0 || offset >= m_length)
        return;
    Path path;
    const Found found = locate(offset, &path);
    const qint64 local = offset - found.start;
    if (local == 0)
        return;
    m_fingerEnd = -1;
    changed();
    const Piece whole = found.piece;
    Piece left = whole;
    Piece right {whole.data + local, whole.length - local, 0,
                 whole.data[local] == u'\n' && whole.data[local - 1] == u'\r'};
    left.length = local;
    // Only the shorter side is counted; the other is what is left of the whole.
    if (local <= right.length) {
        left.breaks = (whole.join ? 1 : 0) + crlf::countBreaks(left.data, local);
        right.breaks = whole.breaks - left.breaks;
    } else {
        right.breaks = (right.join ? 1 : 0) + crlf::countBreaks(right.data, right.length);
        left.breaks = whole.breaks - right.breaks;
    }
    const Step leaf = path.steps[path.depth - 1];
    leaf.node->setPiece(leaf.index, left);
    addAlong(path, path.depth - 1, -right.length, -right.breaks);
    m_length -= right.length;
    m_breaks -= right.breaks;
    insertEntry(path, leaf.index + 1, right);
}

void PieceTree::insertAt(qint64 offset, Piece piece)
{
    if (!m_root)
        m_root = new Node;
    Path path;
    int at = 0;
    if (m_root->count == 0) {
        path.steps[0] = Step {m_root, 0};
        path.depth = 1;
    } else {
        const Found found = locate(offset, &path);
        Q_ASSERT(offset == found.start || offset == found.start + found.piece.length);
        at = path.steps[path.depth - 1].index + (offset == found.start ? 0 : 1);
        piece.join = piece.data[0] == u'\n' && unitBefore(offset, path, found) == u'\r';
        piece.breaks += piece.join ? 1 : 0;
    }
    insertEntry(path, at, piece);
}

void PieceTree::insertEntry(Path &path, int at, const Piece &piece)
{
    Node *leaf = path.steps[path.depth - 1].node;
    leaf->openGap(at);
    leaf->setPiece(at, piece);
    ++m_pieceCount;
    m_length += piece.length;
    m_breaks += piece.breaks;
    m_fingerEnd = -1;
    changed();
    addAlong(path, path.depth - 1, piece.length, piece.breaks);
    splitOverfull(path);
}

void PieceTree::splitOverfull(Path &path)
{
    for (int k = path.depth - 1; k >= 0; --k) {
        Node *node = path.steps[k].node;
        if (node->count <= kFan)
            return;
        Node *right = new Node;
        right->leaf = node->leaf;
        const int keep = node->count / 2;
        right->count = node->count - keep;
        std::copy(node->entries + keep, node->entries + node->count, right->entries);
        node->count = keep;
        if (k == 0) {
            Node *root = new Node;
            root->leaf = false;
            root->count = 2;
            root->setChild(0, node);
            root->setChild(1, right);
            m_root = root;
            return;
        }
        Node *parent = path.steps[k - 1].node;
        const int index = path.steps[k - 1].index;
        parent->setChild(index, node);
        parent->openGap(index + 1);
        parent->setChild(index + 1, right);
    }
}

void PieceTree::removeRange(qint64 from, qint64 to)
{
    if (!m_root || from >= to)
        return;
    m_fingerEnd = -1;
    changed();
    removeIn(m_root, from, to);
    collapseRoot();
    m_length = m_root->sumLength();
    m_breaks = m_root->sumBreaks();
}

void PieceTree::removeIn(Node *node, qint64 from, qint64 to)
{
    qint64 start = 0; // in the node's coordinates before anything was removed
    for (int i = 0; i < node->count && start < to;) {
        Node::Entry &e = node->entries[i];
        const qint64 end = start + e.length;
        if (end <= from) {
            start = end;
            ++i;
        } else if (from <= start && end <= to) {
            m_pieceCount -= freeEntry(node, i);
            node->closeGap(i);
            start = end;
        } else {
            Q_ASSERT(!node->leaf);
            removeIn(e.child, std::max(from, start) - start, std::min(to, end) - start);
            e.length = e.child->sumLength();
            e.breaks = e.child->sumBreaks();
            start = end;
            ++i;
        }
    }
    if (!node->leaf)
        mendChildren(node);
}

void PieceTree::mendChildren(Node *node)
{
    for (int i = 0; i < node->count;) {
        Node *child = node->entries[i].child;
        if (child->count == 0) {
            freeNode(child);
            node->closeGap(i);
            continue;
        }
        const int other = i + 1 < node->count ? i + 1 : i - 1;
        if (child->count >= kThin || other < 0) {
            ++i;
            continue;
        }
        const int a = std::min(i, other);
        const int b = std::max(i, other);
        Node *left = node->entries[a].child;
        Node *right = node->entries[b].child;
        if (left->count + right->count > kFan) {
            ++i;
            continue;
        }
        std::copy(right->entries, right->entries + right->count, left->entries + left->count);
        left->count += right->count;
        right->count = 0;
        freeNode(right);
        node->entries[a].length += node->entries[b].length;
        node->entries[a].breaks += node->entries[b].breaks;
        node->closeGap(b);
        i = a;
    }
}

void PieceTree::collapseRoot()
{
    while (!m_root->leaf && m_root->count == 1) {
        Node *only = m_root->entries[0].child;
        m_root->count = 0;
        freeNode(m_root);
        m_root = only;
    }
    if (m_root->count == 0)
        m_root->leaf = true;
}

qint64 PieceTree::freeEntry(Node *node, int index)
{
    if (node->leaf)
        return 1;
    Node *child = node->entries[index].child;
    qint64 pieces = 0;
    for (int i = 0; i < child->count; ++i)
        pieces += freeEntry(child, i);
    child->count = 0;
    freeNode(child);
    return pieces;
}

void PieceTree::freeNode(Node *node)
{
    if (!node->leaf) {
        for (int i = 0; i < node->count; ++i)
            freeNode(node->entries[i].child);
    }
    delete node;
}

qint64 PieceTree::nodeBytes() const
{
    return m_root ? bytesBelow(m_root) : 0;
}

qint64 PieceTree::bytesBelow(const Node *node)
{
    qint64 bytes = sizeof(Node);
    for (int i = 0; !node->leaf && i < node->count; ++i)
        bytes += bytesBelow(node->entries[i].child);
    return bytes;
}

void PieceTree::extendPiece(qint64 end, qint64 lengthDelta, qint64 breakDelta)
{
    if (m_fingerEnd != end) {
        const Found found = locate(end - 1, &m_finger);
        Q_ASSERT(found.start + found.piece.length == end);
    }
    addAlong(m_finger, m_finger.depth, lengthDelta, breakDelta);
    changed();
    m_length += lengthDelta;
    m_breaks += breakDelta;
    m_fingerEnd = end + lengthDelta;
}

void PieceTree::mendJoinAt(qint64 offset)
{
    if (offset >= m_length)
        return;
    Path path;
    const Found found = locate(offset, &path);
    Q_ASSERT(found.start == offset);
    const bool join = found.piece.data[0] == u'\n' && unitBefore(offset, path, found) == u'\r';
    if (found.piece.join == join)
        return;
    path.steps[path.depth - 1].node->entries[path.steps[path.depth - 1].index].join = join;
    addAlong(path, path.depth, 0, join ? 1 : -1);
    m_breaks += join ? 1 : -1;
    changed();
}

bool PieceTree::visit(qint64 from, qint64 to, bool (*visit)(void *, QStringView), void *context) const
{
    return !m_root || from >= to || visitNode(m_root, from, to, visit, context);
}

bool PieceTree::visitNode(const Node *node, qint64 from, qint64 to, bool (*visit)(void *, QStringView),
                          void *context)
{
    qint64 start = 0;
    for (int i = 0; i < node->count && start < to; ++i) {
        const Node::Entry &e = node->entries[i];
        const qint64 end = start + e.length;
        if (end > from) {
            const qint64 a = std::max(from, start) - start;
            const qint64 b = std::min(to, end) - start;
            const bool go = node->leaf ? visit(context, QStringView(e.data + a, b - a))
                                       : visitNode(e.child, a, b, visit, context);
            if (!go)
                return false;
        }
        start = end;
    }
    return true;
}

} // namespace wimblet
