#include "support/plainlinequeries.h"

#include "support/rowcounter.h"
#include "support/uncountedblocks.h"
#include "lines/rowtree.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <limits>

namespace wimblet {

namespace {

// Edits touching more blocks than this have the whole text counted again.
constexpr int kMostBlocksFollowed = 4096;

std::optional<int> asInt(qint64 value)
{
    if (value < 0 || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

} // namespace

// Follows the document's edits and keeps the rows of every block current.
class PlainLineQueries::Tracker
{
public:
    explicit Tracker(QPlainTextEdit *edit)
        : m_edit(edit)
        , m_counter(edit)
    {
    }
    ~Tracker() { QObject::disconnect(m_connection); }

    // Brings the rows up to date; false when there is no document to count.
    bool sync();
    const RowTree &tree() const { return m_tree; }
    // Start of every row of a block, within the block.
    const std::vector<int> &rowStarts(int block);

private:
    void follow(QTextDocument *doc);
    void onContentsChange(int from, int removed, int added);
    void rebuildAll();
    void countUncounted();

    QPlainTextEdit *m_edit;
    QPointer<QTextDocument> m_doc;
    QMetaObject::Connection m_connection;
    RowCounter m_counter;
    RowTree m_tree;
    bool m_stale = true;
    quint64 m_generation = 0;
    int m_startsBlock = -1;
    quint64 m_startsGeneration = 0;
    std::vector<int> m_starts;
};

void PlainLineQueries::Tracker::follow(QTextDocument *doc)
{
    QObject::disconnect(m_connection);
    m_doc = doc;
    m_connection = QObject::connect(doc, &QTextDocument::contentsChange,
                                    [this](int from, int removed, int added) {
                                        onContentsChange(from, removed, added);
                                    });
    m_stale = true;
}

void PlainLineQueries::Tracker::onContentsChange(int from, int removed, int added)
{
    Q_UNUSED(removed);
    ++m_generation;
    if (m_stale || !m_doc)
        return;
    // Blocks before the one holding `from` and after the one where the change
    // ends are untouched; only the blocks in between are counted again.
    const QTextBlock firstBlock = m_doc->findBlock(from);
    QTextBlock lastBlock = m_doc->findBlock(from + added);
    if (!lastBlock.isValid())
        lastBlock = m_doc->lastBlock();
    const int first = firstBlock.blockNumber();
    const int lastNew = lastBlock.blockNumber();
    const int lastOld = lastNew - (m_doc->blockCount() - m_tree.blockCount());
    if (!firstBlock.isValid() || lastNew < first || lastOld < first - 1
        || lastOld >= m_tree.blockCount() || lastNew - first >= kMostBlocksFollowed) {
        m_stale = true;
        return;
    }
    std::vector<int> lengths;
    for (QTextBlock b = firstBlock;; b = b.next()) {
        lengths.push_back(b.length() - 1);
        if (b == lastBlock)
            break;
    }
    m_tree.replace(first, lastOld - first + 1, lengths);
}

bool PlainLineQueries::Tracker::sync()
{
    QTextDocument *doc = m_edit->document();
    if (!doc)
        return false;
    if (doc != m_doc)
        follow(doc);
    // The caret's block is the one the box keeps laid out; it tells the row width.
    if (m_counter.refreshSettings(m_edit->textCursor().block())) {
        m_stale = true;
        ++m_generation;
    }
    const qint64 textLength = qint64(doc->characterCount()) - doc->blockCount();
    if (m_tree.blockCount() != doc->blockCount() || m_tree.totalLength() != textLength)
        m_stale = true; // an edit went by unannounced
    if (m_stale)
        rebuildAll();
    else if (m_tree.uncounted() > 0)
        countUncounted();
    return true;
}

void PlainLineQueries::Tracker::rebuildAll()
{
    std::vector<BlockRows> blocks;
    blocks.reserve(size_t(m_doc->blockCount()));
    // Block by block: a copy of the whole text would add to the peak memory of large documents.
    for (QTextBlock b = m_doc->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        blocks.push_back(BlockRows{m_counter.rowCount(b, text), int(text.size())});
    }
    m_tree.assign(blocks);
    m_stale = false;
    ++m_generation;
}

void PlainLineQueries::Tracker::countUncounted()
{
    QTextBlock block;
    int number = -1;
    for (int wanted : uncountedBlocks(m_tree)) {
        block = number >= 0 && wanted == number + 1 ? block.next()
                                                    : m_doc->findBlockByNumber(wanted);
        number = wanted;
        m_tree.setRows(wanted, m_counter.rowCount(block, block.text()));
    }
}

const std::vector<int> &PlainLineQueries::Tracker::rowStarts(int block)
{
    if (block != m_startsBlock || m_startsGeneration != m_generation) {
        m_counter.rowStarts(m_doc->findBlockByNumber(block), m_starts);
        m_startsBlock = block;
        m_startsGeneration = m_generation;
    }
    return m_starts;
}

PlainLineQueries::PlainLineQueries(QPlainTextEdit *edit)
    : m_edit(edit)
    , m_tracker(std::make_unique<Tracker>(edit))
{
}

PlainLineQueries::~PlainLineQueries() = default;

std::optional<int> PlainLineQueries::lineCount() const
{
    if (!m_tracker->sync())
        return std::nullopt;
    return asInt(std::max<qint64>(1, m_tracker->tree().totalRows()));
}

std::optional<int> PlainLineQueries::selectionEnd() const
{
    const int pos = m_edit->textCursor().selectionEnd();
    const QTextBlock block = m_edit->document()->findBlock(pos);
    return asInt(qint64(pos) + block.blockNumber());
}

std::optional<int> PlainLineQueries::lineFromChar(int offset) const
{
    if (offset < 0 || !m_tracker->sync())
        return std::nullopt;
    const RowTree &tree = m_tracker->tree();
    const int block = tree.blockAtOffset(offset);
    if (block < 0)
        return std::nullopt;
    // An offset inside a line break belongs to the line the break ends.
    const qint64 column = std::min<qint64>(offset - tree.offsetOf(block), tree.at(block).length);
    const std::vector<int> &starts = m_tracker->rowStarts(block);
    const auto row = std::upper_bound(starts.begin(), starts.end(), column) - starts.begin() - 1;
    return asInt(tree.rowsBefore(block) + std::max<qint64>(0, row));
}

std::optional<int> PlainLineQueries::lineIndex(int line) const
{
    if (line < 0 || !m_tracker->sync())
        return std::nullopt;
    const RowTree &tree = m_tracker->tree();
    const int block = tree.blockAtRow(line);
    if (block < 0)
        return std::nullopt;
    const qint64 row = line - tree.rowsBefore(block);
    const std::vector<int> &starts = m_tracker->rowStarts(block);
    if (row >= qint64(starts.size()))
        return std::nullopt;
    return asInt(tree.offsetOf(block) + starts[size_t(row)]);
}

} // namespace wimblet
