#pragma once
// One node of the piece tree: its entries, each a child node or (in a leaf) a piece,
// with the units and breaks below it.

#include "textstore/piecetree.h"

#include <algorithm>

namespace wimblet {

namespace piecetree {
constexpr int kFan = 16; // entries a node holds
constexpr int kFill = 12; // entries per node when built in bulk, leaving room
constexpr int kThin = kFan / 4; // a node this small is joined to a neighbour
} // namespace piecetree

struct PieceTree::Node
{
    struct Entry
    {
        qint64 length;
        qint64 breaks;
        union {
            Node *child; // inner nodes
            const char16_t *data; // leaves
        };
        bool join; // leaves
    };

    int count = 0;
    bool leaf = true;
    Entry entries[piecetree::kFan + 1]; // one spare, filled only until the node is split

    qint64 sumLength() const
    {
        qint64 sum = 0;
        for (int i = 0; i < count; ++i)
            sum += entries[i].length;
        return sum;
    }
    qint64 sumBreaks() const
    {
        qint64 sum = 0;
        for (int i = 0; i < count; ++i)
            sum += entries[i].breaks;
        return sum;
    }
    void openGap(int at)
    {
        std::copy_backward(entries + at, entries + count, entries + count + 1);
        ++count;
    }
    void closeGap(int at)
    {
        std::copy(entries + at + 1, entries + count, entries + at);
        --count;
    }
    void setChild(int at, Node *node)
    {
        entries[at].child = node;
        entries[at].length = node->sumLength();
        entries[at].breaks = node->sumBreaks();
        entries[at].join = false;
    }
    void setPiece(int at, const Piece &piece)
    {
        entries[at].data = piece.data;
        entries[at].length = piece.length;
        entries[at].breaks = piece.breaks;
        entries[at].join = piece.join;
    }
    Piece piece(int at) const
    {
        const Entry &e = entries[at];
        return Piece {e.data, e.length, e.breaks, e.join};
    }
};

} // namespace wimblet
