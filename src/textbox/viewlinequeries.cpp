#include "textbox/viewlinequeries.h"

#include "textview/textview.h"

#include <limits>

namespace wimblet {

namespace {

std::optional<int> asInt(qint64 value)
{
    if (value < 0 || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

} // namespace

std::optional<int> ViewLineQueries::lineCount() const
{
    if (!m_view)
        return std::nullopt;
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
    return asInt(m_view->rowOfOffset(offset));
}

std::optional<int> ViewLineQueries::lineIndex(int line) const
{
    if (!m_view || line < 0 || line >= m_view->rowCount())
        return std::nullopt;
    return asInt(m_view->rowStart(line));
}

} // namespace wimblet
