#include "textbox/viewlinequeries.h"

#include "textview/textview.h"

#include <QElapsedTimer>

#include <limits>

namespace wimblet {

namespace {

std::optional<int> asInt(qint64 value)
{
    if (value < 0 || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// Time spent counting on the spot for the line count while rows are stale, a slice of
// characters at a time: a text of a few megabytes is exact at once, and a larger one
// never holds up a keystroke. The caret's line then uses what is counted so far.
constexpr qint64 kCountOnTheSpotMs = 40;
constexpr qint64 kCountSlice = qint64(1) << 16;

} // namespace

bool ViewLineQueries::exactNow() const
{
    if (m_view->rowsExact() || (!m_view->isVisible() && m_view->countRowsNow(INT64_MAX))) {
        m_countedOnTheSpot = false;
        return true;
    }
    if (!std::exchange(m_countedOnTheSpot, true)) {
        QElapsedTimer spent;
        spent.start();
        while (spent.elapsed() < kCountOnTheSpotMs)
            if (m_view->countRowsNow(kCountSlice))
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
