#pragma once
// The editor's document text: a piece table over the loaded text and an append-only
// add buffer, with line queries and cheap snapshots for telling whether it changed.

#include "textstore/piecetree.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

namespace wimblet {

/// The whole text of a document, as UTF-16 in which a line break is the pair CR LF
/// and every other character (a lone CR or LF too) belongs to its line. Offsets count
/// UTF-16 units. The loaded text is kept as given, never copied; typed and pasted text
/// goes to an add buffer that only grows; a tree of pieces keeps their order with the
/// units and breaks below each node, so that edits and line queries cost about the
/// same in a long document, or a long line, as in a short one. Const members may run
/// on several threads at once (each thread remembers its own last lookup); edits need
/// the store to themselves.
class TextStore
{
    struct Buffer;

public:
    /// The content at some moment, sharing the store's buffers; it stays as it was
    /// whatever the store does later.
    class Snapshot
    {
    public:
        Snapshot();
        ~Snapshot();
        Snapshot(const Snapshot &);
        Snapshot &operator=(const Snapshot &);
        Snapshot(Snapshot &&) noexcept;
        Snapshot &operator=(Snapshot &&) noexcept;

        /// Units of text.
        qint64 length() const { return m_length; }
        /// The whole text, built anew.
        QString toString() const;
        /// Calls `f(QStringView)` for each piece, in order.
        template<class F> void forEachPiece(F f) const
        {
            for (QStringView piece : m_pieces)
                f(piece);
        }

    private:
        friend class TextStore;
        std::vector<std::shared_ptr<const Buffer>> m_buffers;
        std::vector<QStringView> m_pieces;
        qint64 m_length = 0;
    };

    /// An empty text.
    TextStore();
    /// The loaded text, taken over without copying its characters.
    explicit TextStore(QString loaded);
    ~TextStore();
    TextStore(const TextStore &) = delete;
    TextStore &operator=(const TextStore &) = delete;
    TextStore(TextStore &&) noexcept;
    TextStore &operator=(TextStore &&) noexcept;

    /// Replaces the whole content by `loaded`, without copying its characters.
    void assign(QString loaded);
    /// Empties the store.
    void clear() { assign(QString()); }

    /// Units of text, each CR LF counting two.
    qint64 length() const { return m_tree.length(); }
    /// CR LF breaks plus one.
    qint64 lineCount() const { return m_tree.breaks() + 1; }
    /// Offset of the first unit of `line` (0-based), clamped to the lines there are.
    qint64 lineStart(qint64 line) const;
    /// The line holding `offset`; the CR LF closing a line belongs to it.
    qint64 lineOfOffset(qint64 offset) const;
    /// Units of `line` without its CR LF.
    qint64 lineLength(qint64 line) const;

    /// Puts `text` at `offset` (clamped to the text).
    void insert(qint64 offset, QStringView text);
    /// Removes `count` units from `offset` (both clamped to the text).
    void remove(qint64 offset, qint64 count);
    /// Removes `count` units from `offset` and puts `text` there.
    void replace(qint64 offset, qint64 count, QStringView text);

    /// The unit at `offset`; a null QChar outside the text.
    QChar at(qint64 offset) const;
    /// `count` units from `offset`, clamped to the text.
    QString text(qint64 offset, qint64 count) const;
    /// The whole text.
    QString toString() const { return text(0, length()); }

    /// Calls `f(QStringView)` for the pieces of [offset, offset + count), in order,
    /// without building the text.
    template<class F> void forEachPiece(qint64 offset, qint64 count, F f) const
    {
        visitPieces(
            offset, count,
            [](void *context, QStringView piece) {
                (*static_cast<F *>(context))(piece);
                return true;
            },
            &f);
    }

    /// The pieces the text is made of now; typing keeps this low.
    qint64 pieceCount() const { return m_tree.pieceCount(); }
    /// Bytes the piece tree takes besides the text itself; counts every node, so for
    /// diagnostics and tests rather than every keystroke.
    qint64 indexBytes() const { return m_tree.nodeBytes(); }
    /// Empty while the piece tree's sums agree with its pieces, else what disagrees;
    /// reads the whole text, so for tests.
    QString brokenInvariant() const { return m_tree.brokenInvariant(); }

    /// The current content, sharing the buffers: O(pieces), no characters copied.
    Snapshot snapshot() const;
    /// Whether the text equals the snapshot's. Stretches that come from the same place
    /// of the same buffer are not read; otherwise stops at the first difference.
    bool contentEquals(const Snapshot &snapshot) const;

private:
    void visitPieces(qint64 offset, qint64 count, bool (*visit)(void *, QStringView),
                     void *context) const;
    bool appendToLastPiece(qint64 offset, QStringView text);
    const char16_t *addToBuffer(QStringView text);

    std::vector<std::shared_ptr<const Buffer>> m_buffers; // the loaded text, then add blocks
    char16_t *m_addBlock = nullptr; // the add block being filled
    qint64 m_addUsed = 0;
    qint64 m_addCapacity = 0;
    // Where the last insert ended and the units of its last piece, which ends the add
    // block; -1 once anything else was done.
    qint64 m_typedEnd = -1;
    bool m_whole = false; // the text is the string last assigned, untouched since
    qint64 m_typedLength = 0;
    PieceTree m_tree;
};

} // namespace wimblet
