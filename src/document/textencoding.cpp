#include "document/textencoding.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace wimblet {

namespace {

// Windows-1252 bytes 0x80-0x9F; the undefined ones keep their own value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Text is mostly ASCII: the loops below check blocks of 16 units at once.
constexpr int kBlock = 16;

#ifdef __SSE2__
inline bool isAsciiBlock(const uchar *p)
{
    return _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p))) == 0;
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
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 8), _mm_unpackhi_epi8(v, _mm_setzero_si128()));
}
#else
template <typename Unit>
inline bool isAsciiBlock(const Unit *p)
{
    unsigned any = 0;
    for (int i = 0; i < kBlock; ++i)
        any |= p[i];
    return any < 0x80;
}

inline void narrowAsciiBlock(const char16_t *p, char *out)
{
    for (int i = 0; i < kBlock; ++i)
        out[i] = char(p[i]);
}

inline void widenAsciiBlock(const uchar *p, char16_t *out)
{
    for (int i = 0; i < kBlock; ++i)
        out[i] = p[i];
}
#endif

// Length of the ASCII run at the start of [p, end).
template <typename Unit>
inline qsizetype asciiPrefix(const Unit *p, const Unit *end)
{
    const Unit *q = p;
    while (end - q >= kBlock && isAsciiBlock(q))
        q += kBlock;
    while (q < end && *q < 0x80)
        ++q;
    return q - p;
}

// Copies the ASCII run at the start of [p, end) to `out`; returns its length.
inline qsizetype copyAsciiPrefix(const char16_t *p, const char16_t *end, char *out)
{
    const char16_t *q = p;
    while (end - q >= kBlock && isAsciiBlock(q)) {
        narrowAsciiBlock(q, out);
        q += kBlock;
        out += kBlock;
    }
    while (q < end && *q < 0x80)
        *out++ = char(*q++);
    return q - p;
}

// Length of the well-formed multi-byte sequence at p, or 0. The allowed range
// of the second byte is what rules out overlongs, surrogates and > U+10FFFF.
inline int multiByteSequenceLength(const uchar *p, const uchar *end)
{
    const uchar lead = *p;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

inline int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    while (p < end) {
        p += asciiPrefix(p, end);
        if (p == end)
            break;
        const int length = multiByteSequenceLength(p, end);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    while (p < end) {
        while (end - p >= kBlock && isAsciiBlock(p)) {
            widenAsciiBlock(p, out);
            p += kBlock;
            out += kBlock;
        }
        const uchar *const stop = std::min(end, p + kBlock);
        for (; p < stop; ++p)
            *out++ = (*p & 0xE0) == 0x80 ? kWindows1252High[*p - 0x80] : char16_t(*p);
    }
    return text;
}

bool encodeWindows1252To(QStringView text, char *out)
{
    for (const QChar ch : text) {
        const int byte = windows1252Byte(ch.unicode());
        if (byte < 0)
            return false;
        *out++ = char(byte);
    }
    return true;
}

bool encodeWindows1252(QStringView text, QByteArray &out)
{
    out.resize(text.size());
    return encodeWindows1252To(text, out.data());
}

qsizetype utf8Length(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    qsizetype length = 0;
    while (p < end) {
        const qsizetype ascii = asciiPrefix(p, end);
        length += ascii;
        p += ascii;
        if (p == end)
            break;
        const char16_t c = *p++;
        if (c < 0x800) {
            length += 2;
        } else if (isHighSurrogate(c) && p < end && isLowSurrogate(*p)) {
            ++p;
            length += 4;
        } else {
            length += 3;
        }
    }
    return length;
}

char *encodeUtf8To(QStringView text, char *out)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const qsizetype ascii = copyAsciiPrefix(p, end, out);
        out += ascii;
        p += ascii;
        if (p == end)
            break;
        const char16_t c = *p++;
        char32_t cp = c;
        if (isHighSurrogate(c) && p < end && isLowSurrogate(*p))
            cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
        else if (isHighSurrogate(c) || isLowSurrogate(c))
            cp = 0xFFFD;
        if (cp < 0x800) {
            *out++ = char(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            *out++ = char(0xE0 | (cp >> 12));
            *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        } else {
            *out++ = char(0xF0 | (cp >> 18));
            *out++ = char(0x80 | ((cp >> 12) & 0x3F));
            *out++ = char(0x80 | ((cp >> 6) & 0x3F));
        }
        *out++ = char(0x80 | (cp & 0x3F));
    }
    return out;
}

} // namespace wimblet
