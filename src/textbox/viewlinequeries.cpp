#include "textbox/viewlinequeries.h"

#include "textview/textview.h"

#include <QDeadlineTimer>

#include <limits>

namespace wimblet {

namespace {

std::optional<int> asInt(qint64 value)
{
    if (value < 0 || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// Counting on the spot while rows are stale lasts a few milliseconds, so that a small
// text is exact at once and a large one never holds up a keystroke, a resize or a
// conversion. The caret's line then uses what is counted so far.
constexpr qint64 kOnTheSpotMs = 3;
// After a text is set whole, the first question counts a slice at a time for this long.
constexpr qint64 kLongCountMs = 40;

} // namespace

bool ViewLineQueries::exactNow() const
{
    if (m_view->rowsExact())
        return true;
    if (!m_view->isVisible())
        return m_view->countRowsNow(INT64_MAX); // nothing shown waits for it
    if (m_view->countRowsNow(INT64_MAX, QDeadlineTimer(kOnTheSpotMs)))
        return true;
    if (m_longCountFor != m_view->textsSet()) {
        m_longCountFor = m_view->textsSet();
        if (m_view->countRowsNow(INT64_MAX, QDeadlineTimer(kLongCountMs)))
            return true;
    }
    m_guesses.count = true;
    return false;
}

std::optional<int> ViewLineQueries::lineCount() const
{
    if (!m_view)
        return std::nullopt;
    if (!exactNow())
        return asInt(m_view->rowCountSoFar());
    return asInt(std::max<qint64>(1, m_view->rowCount()));
}

std::optional<int> ViewLineQueries::selectionEnd() const
{
    if (!m_view)
        return std::nullopt;
    return asInt(m_view->selectionEnd());
}

std::optional<int> ViewLineQueries::lineFromChar(int offset) const
{
    if (!m_view || offset < 0 || offset > m_view->length())
        return std::nullopt;
    // A hidden view counts what is left: nothing shown waits for it.
    const bool exact = m_view->rowsExact() || (!m_view->isVisible() && exactNow());
    if (!exact) {
        m_guesses.line = true;
        m_guessedRow = m_view->rowOfOffsetSoFar(offset);
        m_guessedRowStart = m_view->rowSpanAt(offset).first;
        return asInt(m_guessedRow);
    }
    return asInt(m_view->rowOfOffset(offset));
}

std::optional<int> ViewLineQueries::lineIndex(int line) const
{
    if (!m_view || line < 0)
        return std::nullopt;
    if (!m_view->rowsExact() && line == m_guessedRow)
        return asInt(m_guessedRowStart);
    if (line >= m_view->rowCount())
        return std::nullopt;
    return asInt(m_view->rowStart(line));
}

} // namespace wimblet
