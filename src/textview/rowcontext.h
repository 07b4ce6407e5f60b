#pragma once
// What the text around a row tells the row's own layout: its paragraph's direction,
// found once a paragraph and kept until an edit reaches it, and the marks that stand
// for the text before and after the row (bidicontext).

#include "textstore/textstore.h"

#include <QString>

#include <functional>
#include <map>

namespace wimblet {

struct RowContext
{
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QString lead; // before the row's text
    QString tail; // after it
    // In a paragraph with right-to-left text the row is laid out among its neighbours as
    // the paragraph wraps them: `window` is the text from `windowStart` (the previous
    // row's start, or the row's own) to a little past the row, and the marks stand for
    // what lies beyond it. -1 when the row is laid out alone.
    qint64 windowStart = -1;
    QString window;
    int rowAt = 0; // units of the window before the row's start

    // The three as one string, to tell a kept layout's context from a new one.
    QString key() const;
};

class RowContexts
{
public:
    explicit RowContexts(const TextStore &store);

    // The context of the row whose drawn text is [start, end); `cut` when that is only a
    // part of the row, so that nothing after it is read. `previousRow` tells the start of the row
    // before it in its paragraph, asked only when needed; `alone` asks for the row's own
    // marks only.
    using PreviousStart = std::function<qint64()>;
    RowContext of(qint64 start, qint64 end, bool cut, const PreviousStart &previousRow = {}, bool alone = false);
    // The direction of the paragraph holding `offset`.
    Qt::LayoutDirection directionAt(qint64 offset);
    // `removed` units at `offset` gave way to `inserted` ones.
    void edit(qint64 offset, qint64 removed, qint64 inserted);
    void clear() { m_directions.clear(); }

private:
    struct Found
    {
        Qt::LayoutDirection direction = Qt::LeftToRight;
        qint64 decidedAt = 0; // past the character that decided it, or past the paragraph
    };
    Qt::LayoutDirection direction(qint64 paragraphStart, qint64 paragraphEnd);
    bool anyRightToLeft(qint64 from, qint64 to) const;
    // The marks for the text of the paragraph before `start`, whose first unit is `first`.
    QString leadBefore(qint64 paragraphStart, qint64 start, char32_t first, Qt::LayoutDirection direction);

    const TextStore &m_store;
    std::map<qint64, Found> m_directions; // by the paragraph's first offset
};

} // namespace wimblet
