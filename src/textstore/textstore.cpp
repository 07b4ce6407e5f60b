#include "textstore/textstore.h"

#include "textstore/crlf.h"

#include <algorithm>
#include <utility>

namespace wimblet {

namespace {

// Short pieces keep the work inside one piece (splitting it, finding a break in it)
// as small in a long line as in a short document; 1024 units cost about 2.5% of the
// text in tree entries.
constexpr qint64 kPieceMax = 1024;
// Typed and pasted text is written into blocks of this many units, never moved.
constexpr qint64 kAddBlockUnits = qint64(64) * 1024;

} // namespace

struct TextStore::Buffer
{
    QString loaded; // the loaded text, or
    std::unique_ptr<char16_t[]> block; // an add block, filled from the front
};

TextStore::Snapshot::Snapshot() = default;
TextStore::Snapshot::~Snapshot() = default;
TextStore::Snapshot::Snapshot(const Snapshot &) = default;
TextStore::Snapshot &TextStore::Snapshot::operator=(const Snapshot &) = default;
TextStore::Snapshot::Snapshot(Snapshot &&) noexcept = default;
TextStore::Snapshot &TextStore::Snapshot::operator=(Snapshot &&) noexcept = default;

QString TextStore::Snapshot::toString() const
{
    QString out;
    out.reserve(qsizetype(m_length));
    for (QStringView piece : m_pieces)
        out.append(piece);
    return out;
}

TextStore::TextStore() = default;

TextStore::TextStore(QString loaded)
{
    assign(std::move(loaded));
}

TextStore::~TextStore() = default;

TextStore::TextStore(TextStore &&other) noexcept
    : m_buffers(std::move(other.m_buffers))
    , m_addBlock(std::exchange(other.m_addBlock, nullptr))
    , m_addUsed(std::exchange(other.m_addUsed, 0))
    , m_addCapacity(std::exchange(other.m_addCapacity, 0))
    , m_typedEnd(std::exchange(other.m_typedEnd, -1))
    , m_whole(std::exchange(other.m_whole, false))
    , m_typedLength(std::exchange(other.m_typedLength, 0))
    , m_tree(std::move(other.m_tree))
{
    other.m_buffers.clear();
}

TextStore &TextStore::operator=(TextStore &&other) noexcept
{
    std::swap(m_buffers, other.m_buffers);
    std::swap(m_addBlock, other.m_addBlock);
    std::swap(m_addUsed, other.m_addUsed);
    std::swap(m_addCapacity, other.m_addCapacity);
    std::swap(m_typedEnd, other.m_typedEnd);
    std::swap(m_whole, other.m_whole);
    std::swap(m_typedLength, other.m_typedLength);
    std::swap(m_tree, other.m_tree);
    return *this;
}

void TextStore::assign(QString loaded)
{
    auto buffer = std::make_shared<Buffer>();
    buffer->loaded = std::move(loaded);
    const auto *data = reinterpret_cast<const char16_t *>(buffer->loaded.constData());
    const qint64 size = buffer->loaded.size();
    m_buffers.clear();
    m_buffers.push_back(std::move(buffer));
    m_addBlock = nullptr;
    m_addUsed = 0;
    m_addCapacity = 0;
    m_typedEnd = -1;
    m_whole = true;
    m_tree.build(data, size, kPieceMax);
}

// Inside a piece, the search or count starts from its nearer end: half a piece at most.
qint64 TextStore::lineStart(qint64 line) const
{
    line = std::min(line, m_tree.breaks());
    if (line <= 0)
        return 0;
    const PieceTree::Found found = m_tree.findBreak(line);
    const Piece &piece = found.piece;
    const qint64 joined = piece.join ? 1 : 0;
    const qint64 nth = line - found.breaksBefore - joined; // among the piece's own pairs
    const qint64 own = piece.breaks - joined;
    qint64 lf = 0;
    if (nth > own / 2)
        lf = crlf::findBreakFromEnd(piece.data, piece.length, own - nth + 1);
    else if (nth > 0)
        lf = crlf::findBreak(piece.data, piece.length, nth);
    Q_ASSERT(lf >= 0);
    return found.start + lf + 1;
}

qint64 TextStore::lineOfOffset(qint64 offset) const
{
    offset = std::clamp<qint64>(offset, 0, length());
    if (offset == 0)
        return 0;
    const PieceTree::Found found = m_tree.findOffset(offset);
    const Piece &piece = found.piece;
    const qint64 local = offset - found.start;
    if (local > piece.length / 2) {
        const qint64 after = crlf::countBreaks(piece.data + local - 1, piece.length - local + 1);
        return found.breaksBefore + piece.breaks - after;
    }
    const bool joined = local > 0 && piece.join;
    return found.breaksBefore + (joined ? 1 : 0) + crlf::countBreaks(piece.data, local);
}

qint64 TextStore::lineLength(qint64 line) const
{
    line = std::clamp<qint64>(line, 0, lineCount() - 1);
    const qint64 end = line + 1 < lineCount() ? lineStart(line + 1) - 2 : length();
    return end - lineStart(line);
}

void TextStore::insert(qint64 offset, QStringView text)
{
    if (text.isEmpty())
        return;
    offset = std::clamp<qint64>(offset, 0, length());
    m_whole = false;
    if (appendToLastPiece(offset, text))
        return;
    m_tree.splitAt(offset);
    qint64 to = offset;
    for (qsizetype done = 0; done < text.size();) {
        qsizetype n = std::min<qsizetype>(kPieceMax, text.size() - done);
        if (done + n < text.size() && n > 1 && text[done + n - 1].isHighSurrogate())
            --n;
        const char16_t *data = addToBuffer(text.mid(done, n));
        m_tree.insertAt(to, Piece {data, n, crlf::countBreaks(data, n), false});
        m_typedLength = n;
        to += n;
        done += n;
    }
    m_tree.mendJoinAt(to);
    m_typedEnd = to;
}

// Typing: text inserted right where the last insert ended grows that piece, when its
// units can follow the piece's in the add block.
bool TextStore::appendToLastPiece(qint64 offset, QStringView text)
{
    if (offset != m_typedEnd || m_typedLength + text.size() > kPieceMax
        || text.size() > m_addCapacity - m_addUsed)
        return false;
    const char16_t last = m_addBlock[m_addUsed - 1];
    const bool joins = last == u'\r' && text.front() == u'\n';
    const char16_t *added = addToBuffer(text);
    m_tree.extendPiece(offset, text.size(), (joins ? 1 : 0) + crlf::countBreaks(added, text.size()));
    m_typedEnd += text.size();
    m_typedLength += text.size();
    // Only a CR before it, gone or come, can change whether the next piece joins.
    if (last == u'\r' || text.back() == u'\r')
        m_tree.mendJoinAt(m_typedEnd);
    return true;
}

const char16_t *TextStore::addToBuffer(QStringView text)
{
    Q_ASSERT(text.size() <= kAddBlockUnits);
    if (text.size() > m_addCapacity - m_addUsed) {
        auto buffer = std::make_shared<Buffer>();
        buffer->block.reset(new char16_t[size_t(kAddBlockUnits)]);
        m_addBlock = buffer->block.get();
        m_addUsed = 0;
        m_addCapacity = kAddBlockUnits;
        m_buffers.push_back(std::move(buffer));
    }
    char16_t *out = m_addBlock + m_addUsed;
    std::copy(text.utf16(), text.utf16() + text.size(), out);
    m_addUsed += text.size();
    return out;
}

void TextStore::remove(qint64 offset, qint64 count)
{
    offset = std::clamp<qint64>(offset, 0, length());
    count = std::clamp<qint64>(count, 0, length() - offset);
    if (count == 0)
        return;
    m_tree.splitAt(offset);
    m_tree.splitAt(offset + count);
    m_tree.removeRange(offset, offset + count);
    m_tree.mendJoinAt(offset);
    m_typedEnd = -1;
    m_whole = false;
}

void TextStore::replace(qint64 offset, qint64 count, QStringView text)
{
    offset = std::clamp<qint64>(offset, 0, length());
    remove(offset, count);
    insert(offset, text);
}

QChar TextStore::at(qint64 offset) const
{
    if (offset < 0 || offset >= length())
        return QChar();
    const PieceTree::Found found = m_tree.findOffset(offset);
    return QChar(found.piece.data[offset - found.start]);
}

QString TextStore::text(qint64 offset, qint64 count) const
{
    offset = std::clamp<qint64>(offset, 0, length());
    count = std::clamp<qint64>(count, 0, length() - offset);
    // The whole text as it was assigned is that string, shared rather than copied.
    if (m_whole && offset == 0 && count == length() && !m_buffers.empty())
        return m_buffers.front()->loaded;
    QString out;
    out.reserve(qsizetype(count));
    forEachPiece(offset, count, [&out](QStringView piece) { out.append(piece); });
    return out;
}

void TextStore::visitPieces(qint64 offset, qint64 count, bool (*visit)(void *, QStringView),
                            void *context) const
{
    offset = std::clamp<qint64>(offset, 0, length());
    count = std::clamp<qint64>(count, 0, length() - offset);
    m_tree.visit(offset, offset + count, visit, context);
}

TextStore::Snapshot TextStore::snapshot() const
{
    Snapshot shot;
    shot.m_buffers = m_buffers;
    shot.m_length = length();
    shot.m_pieces.reserve(size_t(pieceCount()));
    forEachPiece(0, length(), [&shot](QStringView piece) { shot.m_pieces.push_back(piece); });
    return shot;
}

namespace {

// Where the comparison stands in the snapshot's pieces.
struct SnapshotCursor
{
    const std::vector<QStringView> *pieces;
    size_t index = 0;
    qsizetype within = 0;
};

bool matchesSnapshot(void *context, QStringView piece)
{
    SnapshotCursor &cursor = *static_cast<SnapshotCursor *>(context);
    while (!piece.isEmpty()) {
        const QStringView other = (*cursor.pieces)[cursor.index].mid(cursor.within);
        const qsizetype n = std::min(piece.size(), other.size());
        // The same units of the same buffer need no reading.
        if (piece.utf16() != other.utf16() && piece.left(n) != other.left(n))
            return false;
        piece = piece.mid(n);
        cursor.within += n;
        if (cursor.within == (*cursor.pieces)[cursor.index].size()) {
            ++cursor.index;
            cursor.within = 0;
        }
    }
    return true;
}

} // namespace

bool TextStore::contentEquals(const Snapshot &snapshot) const
{
    if (snapshot.m_length != length())
        return false;
    SnapshotCursor cursor {&snapshot.m_pieces};
    return m_tree.visit(0, length(), &matchesSnapshot, &cursor);
}

} // namespace wimblet
