#include "textstore/crlf.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace wimblet::crlf {

namespace {

constexpr qint64 kLanes = 8;

#ifdef __SSE2__
// Bit pair per lane of text[at, at + 8) whose unit is an LF right after a CR.
inline unsigned breakMask(const char16_t *text, qint64 at)
{
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at - 1));
    const __m128i both = _mm_and_si128(_mm_cmpeq_epi16(here, lf), _mm_cmpeq_epi16(before, cr));
    return unsigned(_mm_movemask_epi8(both));
}
#endif

inline bool isBreakAt(const char16_t *text, qint64 at)
{
    return text[at] == u'\n' && text[at - 1] == u'\r';
}

} // namespace

qint64 countBreaks(const char16_t *text, qint64 length)
{
    qint64 count = 0;
    qint64 at = 1;
#ifdef __SSE2__
    for (; at + kLanes <= length; at += kLanes)
        count += __builtin_popcount(breakMask(text, at)) / 2;
#endif
    for (; at < length; ++at)
        count += isBreakAt(text, at) ? 1 : 0;
    return count;
}

qint64 findBreak(const char16_t *text, qint64 length, qint64 nth)
{
    qint64 at = 1;
#ifdef __SSE2__
    // Whole blocks are skipped while they hold fewer breaks than still wanted.
    for (; at + kLanes <= length; at += kLanes) {
        const qint64 found = __builtin_popcount(breakMask(text, at)) / 2;
        if (found >= nth)
            break;
        nth -= found;
    }
#endif
    for (; at < length; ++at) {
        if (isBreakAt(text, at) && --nth == 0)
            return at;
    }
    return -1;
}

} // namespace wimblet::crlf
