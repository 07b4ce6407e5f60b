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

// Lanes set in a breakMask(); counted without the popcount instruction, which the
// baseline x86-64 target lacks (the library call costs more than the search).
inline qint64 lanesIn(unsigned mask)
{
    unsigned x = mask & 0x5555u;
    x = (x & 0x3333u) + ((x >> 2) & 0x3333u);
    x = (x & 0x0f0fu) + ((x >> 4) & 0x0f0fu);
    return qint64((x & 0xffu) + (x >> 8));
}

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
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    while (at + kLanes <= length) {
        // Each lane counts up by subtracting the all-ones of a match; a lane takes at
        // most 4096 matches before the lanes are summed, far from overflowing.
        __m128i lanes = _mm_setzero_si128();
        for (int block = 0; block < 4096 && at + kLanes <= length; ++block, at += kLanes) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at - 1));
            lanes = _mm_sub_epi16(lanes,
                                  _mm_and_si128(_mm_cmpeq_epi16(here, lf), _mm_cmpeq_epi16(before, cr)));
        }
        const __m128i sums = _mm_madd_epi16(lanes, _mm_set1_epi16(1));
        alignas(16) qint32 four[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(four), sums);
        count += qint64(four[0]) + four[1] + four[2] + four[3];
    }
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
        const unsigned mask = breakMask(text, at);
        if (mask == 0)
            continue;
        const qint64 found = lanesIn(mask);
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

qint64 findBreakFromEnd(const char16_t *text, qint64 length, qint64 nth)
{
    qint64 end = length; // what is left to search is text[1, end)
#ifdef __SSE2__
    for (; end - kLanes >= 1; end -= kLanes) {
        const unsigned mask = breakMask(text, end - kLanes);
        if (mask == 0)
            continue;
        const qint64 found = lanesIn(mask);
        if (found >= nth)
            break;
        nth -= found;
    }
#endif
    for (qint64 at = end - 1; at >= 1; --at) {
        if (isBreakAt(text, at) && --nth == 0)
            return at;
    }
    return -1;
}

} // namespace wimblet::crlf
