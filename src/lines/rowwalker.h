#pragma once
// Walks the rows of one paragraph from any row start, reading its text in windows
// just long enough for the rows asked for, so that a paragraph of megabytes is never
// needed as one string.

#include "lines/wraprows.h"

#include <QString>

#include <functional>
#include <vector>

namespace wimblet {

// Returns up to `count` characters of the text from `from` on (fewer only at its end).
using TextSource = std::function<QString(qint64 from, qint64 count)>;

// How rows are laid out: widths of every UTF-16 unit (known, never kUnknownWidth),
// the row width and tab stops.
struct WrapSetup
{
    const qint32 *widths = nullptr;
    RowMetrics metrics;
    // Most characters one row can hold, blanks aside; 0 when the widths cannot tell.
    qint64 rowCharsHint = 0;
};

// The hint for a width table: the row width over the narrowest character.
qint64 rowCharsFor(const qint32 *widths, qint64 lineWidth);

class RowWalker
{
public:
    RowWalker(const WrapSetup &setup, const TextSource &text, qint64 length);

    // Start of the row after the one that starts at `from`; the paragraph's length
    // after its last row. `from` must be a row start.
    qint64 next(qint64 from);
    // True when the break rules' reading of the text after `to` cannot depend on
    // anything before `from`: a plain letter or a digit lies between them.
    bool settledBetween(qint64 from, qint64 to);
    qint64 length() const { return m_length; }

private:
    void load(qint64 from, qint64 chars);
    bool holds(qint64 from) const { return from >= m_breaksFrom && from < m_trustedEnd; }

    WrapSetup m_setup;
    const TextSource &m_text;
    qint64 m_length;
    QString m_window;
    qint64 m_windowStart = 0;
    qint64 m_breaksFrom = 0; // break flags are as in the whole paragraph from here on
    qint64 m_trustedEnd = 0; // nor do they depend on the text past the window before here
    qint64 m_lastLoad = 0;
    std::vector<quint8> m_breaks; // one per window character, and one past its end
};

} // namespace wimblet
