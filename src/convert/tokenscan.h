#pragma once
// Finds where tokens start and end, many characters at a time.

#include <QtAlgorithms>
#include <QtGlobal>

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace wimblet::detail {

/// Characters that separate tokens: U+0000 to U+0020 (spaces, tabs, line breaks, other
/// controls). A token is a maximal stretch of any other characters.
constexpr bool separatesTokens(char16_t c)
{
    return c <= u' ';
}

/// ASCII punctuation inside a token before which the token may be cut: no find string
/// reaches across it, lower case neither changes it nor looks across it (it is neither
/// cased nor case-ignorable, unlike ' . : ^ `), and it has no combining class that the
/// casing contexts of Turkish or Lithuanian look for. Letters and digits are left whole.
constexpr bool mayCutInsideTokenBefore(char16_t c)
{
    return c > u' ' && c < 0x7F && !(c >= u'0' && c <= u'9') && !(c >= u'A' && c <= u'Z')
            && !(c >= u'a' && c <= u'z') && c != u'\'' && c != u'.' && c != u':' && c != u'^'
            && c != u'`';
}

/// A token longer than this is cut inside where it can be, so that what a piecewise
/// conversion holds back stays small whatever the text.
constexpr qsizetype MaxTokenHeldBack = qsizetype(1) << 16;

/// Where a text of `size` characters (the one at i is `charAt(i)`) may end so that what
/// follows can continue it: after its last separator, or, when the token open at the end
/// is longer than `maxHeldBack`, before the last punctuation inside it that allows a cut.
/// Only a run of letters and digits with neither is held back whole.
template <typename CharAt>
qsizetype cutBeforeOpenToken(CharAt charAt, qsizetype size, qsizetype maxHeldBack)
{
    qsizetype cut = size;
    while (cut > 0 && !separatesTokens(charAt(cut - 1)))
        --cut;
    if (size - cut <= maxHeldBack)
        return cut;
    for (qsizetype at = size - 1; at > cut; --at) {
        if (mayCutInsideTokenBefore(charAt(at)))
            return at;
    }
    return cut;
}

/// One bit per character of `count` (at most 64) characters at `at`, set for those that
/// separate tokens; the bits from `count` to 63 are set as well.
inline quint64 separatorMask(const char16_t *at, qsizetype count)
{
    quint64 mask = 0;
#if defined(__SSE2__)
    if (count == 64) {
        const __m128i space = _mm_set1_epi16(0x20);
        const __m128i zero = _mm_setzero_si128();
        for (int i = 0; i < 64; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + i + 8));
            const __m128i sepA = _mm_cmpeq_epi16(_mm_subs_epu16(a, space), zero);
            const __m128i sepB = _mm_cmpeq_epi16(_mm_subs_epu16(b, space), zero);
            const auto bits = quint64(unsigned(_mm_movemask_epi8(_mm_packs_epi16(sepA, sepB))));
            mask |= bits << i;
        }
        return mask;
    }
#endif
    for (qsizetype i = 0; i < count; ++i)
        mask |= quint64(separatesTokens(at[i])) << i;
    return count == 64 ? mask : mask | (~quint64(0) << count);
}

/// Where a token begins and ends in its text.
struct TokenSpan {
    qsizetype start;
    qsizetype end;
};

/// Calls visitor.tokens(spans, count) with the tokens of the text in text order, a batch
/// of at most MaxTokenBatch at a time. What lies between them are separators.
///
/// Where tokens begin and end is found for a few thousand characters at a time from
/// bit masks, before any of them is visited: a scan that looked for the end of each
/// token in turn would wait on every load, and words are short.
constexpr qsizetype TokenChunkSize = 4096;
constexpr std::size_t MaxTokenBatch = TokenChunkSize / 2 + 1;

template <typename Visitor>
void forEachTokenBatch(const char16_t *text, qsizetype size, Visitor &visitor)
{
    std::array<TokenSpan, MaxTokenBatch> spans;
    qsizetype openStart = -1; // a token that has begun and not yet ended
    quint64 before = 1;       // the text begins as if after a separator
    for (qsizetype chunk = 0; chunk < size; chunk += TokenChunkSize) {
        const qsizetype chunkEnd = std::min(size, chunk + TokenChunkSize);
        std::size_t count = 0;
        for (qsizetype block = chunk; block < chunkEnd; block += 64) {
            const quint64 separators =
                    separatorMask(text + block, std::min<qsizetype>(64, chunkEnd - block));
            quint64 change = separators ^ ((separators << 1) | before);
            before = separators >> 63;
            while (change != 0) {
                const qsizetype at = block + qCountTrailingZeroBits(change);
                change &= change - 1;
                // A short last block reads as separators after the text, so a token
                // that runs to the end of the text ends there.
                if (openStart < 0) {
                    openStart = at;
                } else {
                    spans[count++] = TokenSpan{openStart, at};
                    openStart = -1;
                }
            }
        }
        if (count > 0)
            visitor.tokens(spans.data(), count);
    }
    if (openStart >= 0) {
        spans[0] = TokenSpan{openStart, size};
        visitor.tokens(spans.data(), 1);
    }
}

} // namespace wimblet::detail
