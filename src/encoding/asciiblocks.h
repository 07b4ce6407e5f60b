#pragma once
// Internal to the encoding module: text is mostly ASCII, so the loops over bytes
// and over UTF-16 units test and copy blocks of 16 at once.

#include <QtGlobal>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace wimblet::detail {

constexpr int kAsciiBlock = 16;

#ifdef __SSE2__
// One bit per byte of the block, set for the bytes from 0x80 up.
inline unsigned nonAsciiMask(const uchar *p)
{
    return unsigned(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))));
}

inline bool isAsciiBlock(const uchar *p)
{
    return nonAsciiMask(p) == 0;
}

inline bool isAsciiBlock(const char16_t *p)
{
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 8));
    const __m128i high = _mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(short(0xFF80)));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
}

// Narrows a block already known to be ASCII.
inline void narrowAsciiBlock(const char16_t *p, char *out)
{
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(a, b));
}

inline void widenAsciiBlock(const uchar *p, char16_t *out)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(v, _mm_setzero_si128()));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8),
                     _mm_unpackhi_epi8(v, _mm_setzero_si128()));
}
#else
inline unsigned nonAsciiMask(const uchar *p)
{
    unsigned mask = 0;
    for (int i = 0; i < kAsciiBlock; ++i)
        mask |= unsigned(p[i] >> 7) << i;
    return mask;
}

template <typename Unit>
inline bool isAsciiBlock(const Unit *p)
{
    unsigned any = 0;
    for (int i = 0; i < kAsciiBlock; ++i)
        any |= p[i];
    return any < 0x80;
}

inline void narrowAsciiBlock(const char16_t *p, char *out)
{
    for (int i = 0; i < kAsciiBlock; ++i)
        out[i] = char(p[i]);
}

inline void widenAsciiBlock(const uchar *p, char16_t *out)
{
    for (int i = 0; i < kAsciiBlock; ++i)
        out[i] = p[i];
}
#endif

// Length of the ASCII run at the start of [p, end).
template <typename Unit>
inline qsizetype asciiPrefix(const Unit *p, const Unit *end)
{
    const Unit *q = p;
    while (end - q >= kAsciiBlock && isAsciiBlock(q))
        q += kAsciiBlock;
    while (q < end && *q < 0x80)
        ++q;
    return q - p;
}

// Copies the ASCII run at the start of [p, end) to `out`; returns its length.
inline qsizetype copyAsciiPrefix(const char16_t *p, const char16_t *end, char *out)
{
    const char16_t *q = p;
    while (end - q >= kAsciiBlock && isAsciiBlock(q)) {
        narrowAsciiBlock(q, out);
        q += kAsciiBlock;
        out += kAsciiBlock;
    }
    while (q < end && *q < 0x80)
        *out++ = char(*q++);
    return q - p;
}

} // namespace wimblet::detail
