#pragma once
// The ordered pieces of a text store: a B+ tree whose leaves hold where each piece's
// characters are, and whose every entry sums the UTF-16 units and CR LF breaks below.

#include <QString>
#include <QStringView>

namespace wimblet {

// A stretch of text in some buffer that never changes while the piece refers to it.
// A CR LF break belongs to the piece holding its LF; `join` says that the piece's
// first unit is such an LF whose CR ends the piece before.
struct Piece
{
    const char16_t *data = nullptr;
    qint64 length = 0;
    qint64 breaks = 0; // the joined break included
    bool join = false;
};

class PieceTree
{
public:
    // Where a lookup landed: the piece and the units and breaks before it.
    struct Found
    {
        Piece piece;
        qint64 start = 0;
        qint64 breaksBefore = 0;
    };

    PieceTree();
    ~PieceTree();
    PieceTree(const PieceTree &) = delete;
    PieceTree &operator=(const PieceTree &) = delete;
    PieceTree(PieceTree &&other) noexcept;
    PieceTree &operator=(PieceTree &&other) noexcept;

    // Replaces the content by `length` units at `text`, cut into pieces of at most
    // `pieceMax` units.
    void build(const char16_t *text, qint64 length, qint64 pieceMax);
    void clear();

    qint64 length() const { return m_length; }
    qint64 breaks() const { return m_breaks; }
    qint64 pieceCount() const { return m_pieceCount; }
    // Bytes of all nodes; visits them all.
    qint64 nodeBytes() const;

    // The piece holding `offset`; the last piece when `offset` is the length.
    // Only for a tree that is not empty. Lookups start from the leaf where the
    // thread's last lookup ended when that holds what is sought, so that queries
    // near one place (the caret's) cost about the same in any length of text.
    Found findOffset(qint64 offset) const;
    // The piece holding the LF of the `nth` (1-based) break; nth <= breaks().
    Found findBreak(qint64 nth) const;

    // Cuts the piece holding `offset` in two there, unless a piece starts there.
    void splitAt(qint64 offset);
    // Puts a piece at `offset`, which must be where a piece starts or the end;
    // `piece.breaks` counts its own breaks, the tree adds the join with what precedes.
    void insertAt(qint64 offset, Piece piece);
    // Drops the pieces in [from, to); both must be where pieces start or the end.
    void removeRange(qint64 from, qint64 to);
    // Grows the piece ending at `end` by units already written after it. Growing
    // the same piece again and again (typing) finds it without a search.
    void extendPiece(qint64 end, qint64 lengthDelta, qint64 breakDelta);
    // Settles the join of the piece starting at `offset` after what precedes it changed.
    void mendJoinAt(qint64 offset);

    // Calls `visit(context, text)` for each piece's part in [from, to), in order,
    // until it returns false; returns false when it was stopped.
    bool visit(qint64 from, qint64 to, bool (*visit)(void *, QStringView), void *context) const;

    // Empty while every sum, break count and join the tree keeps agrees with its
    // pieces, else what disagrees first. Visits every node and reads every unit.
    QString brokenInvariant() const;

private:
    struct Node;
    struct Step
    {
        Node *node;
        int index;
    };
    static constexpr int kMaxDepth = 24;
    struct Path
    {
        Step steps[kMaxDepth];
        int depth = 0;
    };

    template<bool byBreak> static Found descend(const Node *node, qint64 key, Found found, Path *path);
    Found locate(qint64 offset, Path *path) const;
    template<bool byBreak> Found lookup(qint64 key) const;
    void changed();
    char16_t unitBefore(qint64 offset, const Path &path, const Found &found) const;
    // Adds to the sums of the path's first `levels` steps.
    static void addAlong(const Path &path, int levels, qint64 lengthDelta, qint64 breakDelta);
    void insertEntry(Path &path, int at, const Piece &piece);
    void splitOverfull(Path &path);
    void removeIn(Node *node, qint64 from, qint64 to);
    void mendChildren(Node *node);
    void collapseRoot();
    qint64 freeEntry(Node *node, int index);
    static void freeNode(Node *node);
    static qint64 bytesBelow(const Node *node);
    struct Tally;
    static QString brokenBelow(const Node *node, int depth, Tally &tally);
    QString brokenFinger() const;
    static bool visitNode(const Node *node, qint64 from, qint64 to, bool (*visit)(void *, QStringView),
                          void *context);

    Node *m_root = nullptr;
    qint64 m_pieceCount = 0;
    qint64 m_length = 0;
    qint64 m_breaks = 0;
    // The path to the piece last grown, while no piece has come or gone since.
    Path m_finger;
    qint64 m_fingerEnd = -1;
    // Tell a lookup remembered by the thread apart from another tree's, or this
    // tree's before an edit.
    quint64 m_id;
    quint64 m_version = 0;
};

} // namespace wimblet
