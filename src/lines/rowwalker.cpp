#include "lines/rowwalker.h"

#include <algorithm>

namespace wimblet {

namespace {

// Break rules look back past spaces and marks; a window starts this far before its
// first row so that they find a plain letter to start from.
constexpr qint64 kLookBack = 64;
constexpr qint64 kLongLookBack = 4096;
// ... and they look a little ahead, so the flags this close to a window's end are
// read again in the next window.
constexpr qint64 kLookAhead = 32;
// Windows grow while rows are walked one after another, up to this size.
constexpr qint64 kLargestStep = qint64(1) << 16;
// When the widths cannot bound a row, the first window is this long.
constexpr qint64 kUnboundedRow = 4096;

// After a digit too the break rules start afresh: whatever came before it, a digit
// reads as a number's, and only the break before it depends on what came before.
bool isResetPoint(QChar c)
{
    return (c >= u'0' && c <= u'9') || isPlainLetter(c);
}

} // namespace

qint64 rowCharsFor(const qint32 *widths, qint64 lineWidth)
{
    qint32 narrowest = 0;
    for (int c = 0; c < 65536; ++c)
        if (widths[c] > 0 && (narrowest == 0 || widths[c] < narrowest))
            narrowest = widths[c];
    if (narrowest == 0 || lineWidth <= 0)
        return 0;
    return std::min<qint64>(lineWidth / narrowest + 1, qint64(1) << 20);
}

RowWalker::RowWalker(const WrapSetup &setup, const TextSource &text, qint64 length)
    : m_setup(setup)
    , m_text(text)
    , m_length(length)
{ }

void RowWalker::load(qint64 from, qint64 chars)
{
    qint64 lookBack = kLookBack;
    for (;;) {
        m_windowStart = std::max<qint64>(0, from - lookBack);
        const qint64 end = std::min(m_length, from + chars + kLookAhead);
        m_window = m_text(m_windowStart, end - m_windowStart);
        m_trustedEnd = end == m_length ? m_length : end - kLookAhead;
        qint64 q = from - m_windowStart;
        while (q > 0 && !isPlainLetter(m_window[q]))
            --q;
        m_breaksFrom = m_windowStart + q;
        if (q > 0 || m_windowStart == 0 || isPlainLetter(m_window[0]) || lookBack >= kLongLookBack)
            break;
        lookBack = kLongLookBack; // no letter near: look further back once
    }
    m_lastLoad = chars;
    const qint64 first = m_breaksFrom - m_windowStart;
    m_breaks.assign(size_t(m_window.size()) + 1, 0);
    const QStringView rest = QStringView(m_window).mid(first);
    findBreaksInWords(rest, m_breaks.data() + first);
}

qint64 RowWalker::next(qint64 from)
{
    if (from >= m_length)
        return m_length;
    const qint64 base = m_setup.rowCharsHint > 0 ? 4 * m_setup.rowCharsHint + 64 : kUnboundedRow;
    qint64 chars = std::max(base, std::min(kLargestStep, 2 * m_lastLoad));
    for (;;) {
        if (holds(from)) {
            const QStringView view = QStringView(m_window).left(m_trustedEnd - m_windowStart);
            const int length = rowLengthAt(view, m_setup.widths, m_breaks.data(), m_setup.metrics,
                                           int(from - m_windowStart), m_trustedEnd < m_length);
            if (length > 0)
                return from + length;
            // The row reaches past the window: a long run of blanks or of characters of no
            // width, or no widths to bound it. Four times as much wastes less than twice.
            chars = std::max(chars, 4 * (m_trustedEnd - from));
        }
        load(from, chars);
    }
}

bool RowWalker::settledBetween(qint64 from, qint64 to)
{
    // A letter or digit in the part of the range the window holds is as good as any.
    const qint64 first = std::max(from, m_windowStart);
    const qint64 last = std::min(to, m_windowStart + m_window.size() - 1);
    for (qint64 i = first; i <= last; ++i)
        if (isResetPoint(m_window[i - m_windowStart]))
            return true;
    return false;
}

} // namespace wimblet
