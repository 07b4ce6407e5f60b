#include "textview/rowcontext.h"

#include "textview/bidicontext.h"
#include "textview/shownchars.h"

#include <algorithm>
#include <vector>

namespace wimblet {

namespace {

// Text read either side of a row for its context: the nearest strong characters lie
// within a word or two, and an embedding opened further back is looked for from the
// paragraph's start only while that is near enough.
constexpr qint64 kContextUnits = 256;
constexpr qint64 kLongestPrefix = qint64(1) << 16;
// A paragraph's direction is read a stretch at a time until a strong character decides it.
constexpr qint64 kDirectionStep = 4096;
constexpr qint64 kLongestDirectionScan = qint64(1) << 16;
constexpr size_t kMostParagraphs = 4096;

// Rows as long as this are laid out without the row before them; and the text after a
// row that its layout reads: a row's runs were seen ordered otherwise, against the whole
// paragraph, with less than some 200 units after it (numbers and brackets in
// right-to-left text), and marks stand for what lies further.
constexpr qint64 kMostBefore = 1024;
constexpr qint64 kAfterUnits = 256;

// Whatever may make a row's order or its caret depend on the text around it: the blocks
// of the right-to-left scripts and Arabic numbers (their characters' directions are R, AL
// and AN), RLM and the bidi controls. Told by ranges, as it is asked of every unit near
// every row laid out.
bool isRightToLeft(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x0590)
        return false;
    return u <= 0x08FF || (u >= 0xFB1D && u <= 0xFDFF) || (u >= 0xFE70 && u <= 0xFEFE) || u == 0x200F
           || isBidiControl(u) || (u >= 0xD802 && u <= 0xD803) || (u >= 0xD83A && u <= 0xD83B);
}

char32_t firstCodePoint(const QString &text)
{
    if (text.isEmpty())
        return 0;
    if (text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[0], text[1]);
    return text[0].unicode();
}

} // namespace

QString RowContext::key() const
{
    return QChar(direction == Qt::RightToLeft ? u'r' : u'l') + lead + QChar(u'|') + tail + QChar(u'|') + window + QString::number(rowAt);
}

RowContexts::RowContexts(const TextStore &store)
    : m_store(store)
{ }

Qt::LayoutDirection RowContexts::direction(qint64 paragraphStart, qint64 paragraphEnd)
{
    const auto found = m_directions.find(paragraphStart);
    if (found != m_directions.end())
        return found->second.direction;
    // A paragraph whose first strong character lies further than this is taken for left
    // to right, so that a key typed into megabytes of neutrals reads a bounded stretch.
    const qint64 scanEnd = std::min(paragraphEnd, paragraphStart + kLongestDirectionScan);
    DirectionScan scan;
    for (qint64 at = paragraphStart;
         at < scanEnd && !scan.feed(shownText(m_store, at, std::min(kDirectionStep, scanEnd - at)));
         at += kDirectionStep) { }
    if (m_directions.size() >= kMostParagraphs)
        m_directions.clear();
    // With no strong character, any edit in the stretch read or at its end may bring one.
    const qint64 decided = scan.read() < scanEnd - paragraphStart ? paragraphStart + scan.read()
                                                                  : scanEnd + (scanEnd == paragraphEnd ? 1 : 0);
    m_directions[paragraphStart] = {scan.direction(), decided};
    return scan.direction();
}

Qt::LayoutDirection RowContexts::directionAt(qint64 offset)
{
    const qint64 line = m_store.lineOfOffset(offset);
    const qint64 start = m_store.lineStart(line);
    return direction(start, start + m_store.lineLength(line));
}

bool RowContexts::anyRightToLeft(qint64 from, qint64 to) const
{
    bool found = false;
    m_store.forEachPiece(from, to - from, [&](QStringView piece) {
        found = found || std::any_of(piece.begin(), piece.end(), isRightToLeft);
    });
    return found;
}

QString RowContexts::leadBefore(qint64 paragraphStart, qint64 start, char32_t first,
                               Qt::LayoutDirection direction)
{
    if (start <= paragraphStart)
        return {};
    const qint64 from = std::max(paragraphStart, start - kContextUnits);
    QString before = shownText(m_store, from, start - from);
    const bool controls = std::any_of(before.begin(), before.end(),
                                      [](QChar c) { return isBidiControl(c.unicode()); });
    if (controls && from > paragraphStart && start - paragraphStart <= kLongestPrefix)
        before = shownText(m_store, paragraphStart, start - paragraphStart);
    return bidiLead(before, first, direction);
}

RowContext RowContexts::of(qint64 start, qint64 end, bool cut, const PreviousStart &previousRow, bool alone)
{
    const qint64 line = m_store.lineOfOffset(start);
    const qint64 paragraphStart = m_store.lineStart(line);
    const qint64 paragraphEnd = paragraphStart + m_store.lineLength(line);
    RowContext context;
    context.direction = direction(paragraphStart, paragraphEnd);
    const qint64 to = std::min(paragraphEnd, end + kAfterUnits);
    // Left-to-right text with no right-to-left character near the row, nor a control:
    // the row alone is laid out as in its paragraph, with nothing to stand for.
    if (context.direction == Qt::LeftToRight
        && !anyRightToLeft(std::max(paragraphStart, start - kMostBefore - kContextUnits),
                           std::min(paragraphEnd, to + kContextUnits)))
        return context;
    const qint64 previousStart = start > paragraphStart && previousRow ? previousRow() : -1;
    const qint64 from = previousStart >= 0 && start - previousStart <= kMostBefore ? previousStart : start;
    qint64 tailFrom = end;
    if (!cut && !alone) {
        context.windowStart = from;
        context.window = shownText(m_store, from, to - from);
        context.rowAt = int(start - from);
        start = from;
        tailFrom = to;
    }
    const char32_t first = firstCodePoint(context.windowStart >= 0 ? context.window.left(2)
                                                                   : shownText(m_store, start, std::min<qint64>(2, end - start)));
    context.lead = leadBefore(paragraphStart, start, first, context.direction);
    if (!cut && tailFrom < paragraphEnd)
        context.tail = bidiTail(shownText(m_store, tailFrom, std::min(kContextUnits, paragraphEnd - tailFrom)),
                                context.direction);
    return context;
}

void RowContexts::edit(qint64 offset, qint64 removed, qint64 inserted)
{
    const qint64 delta = inserted - removed;
    std::vector<decltype(m_directions)::node_type> moved;
    for (auto it = m_directions.begin(); it != m_directions.end();) {
        if (it->first <= offset && it->second.decidedAt <= offset) {
            ++it; // the edit comes after what decided the paragraph's direction
            continue;
        }
        auto node = m_directions.extract(it++);
        if (node.key() > offset + removed) {
            node.key() += delta;
            node.mapped().decidedAt += delta;
            moved.push_back(std::move(node));
        }
    }
    for (auto &node : moved)
        m_directions.insert(std::move(node));
}

} // namespace wimblet
