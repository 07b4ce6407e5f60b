#pragma once
// Internal to the encoding module: the UTF-8 steps that the whole-buffer
// functions, the decoder and the validator share, so that all of them agree on
// what is well-formed and on where a bad sequence ends; and the UTF-16 and
// UTF-32 spans the decoder and encoder share.

#include "encoding/textencoding.h"

#include <QStringView>
#include <QtGlobal>

namespace wimblet::detail {

/// What the bytes from a lead byte on hold: `length` is the size of the whole
/// sequence the lead byte starts (0 when it starts none), `wellFormed` how many
/// bytes from the lead on are a correct beginning of it (at most `length`).
struct Utf8Sequence {
    int length;
    int wellFormed;
};

/// Looks at the sequence starting at `p` (not past `end`). The allowed range of
/// the second byte is what rules out overlongs, surrogates and > U+10FFFF.
inline Utf8Sequence probeUtf8Sequence(const uchar *p, const uchar *end)
{
    const uchar lead = *p;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead < 0x80) {
        return {1, 1};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
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
        return {0, 0};
    }
    int n = 1;
    if (end - p > 1 && p[1] >= low && p[1] <= high) {
        n = 2;
        while (n < length && end - p > n && (p[n] & 0xC0) == 0x80)
            ++n;
    }
    return {length, n};
}

inline bool isComplete(Utf8Sequence sequence)
{
    return sequence.length > 0 && sequence.wellFormed == sequence.length;
}

/// A correct beginning that `end` cuts off: more bytes may still complete it.
inline bool isCutShort(Utf8Sequence sequence, const uchar *p, const uchar *end)
{
    return sequence.length > 0 && sequence.wellFormed < sequence.length
            && end - p == sequence.wellFormed;
}

/// Bytes an ill-formed sequence covers: its correct beginning, or the one byte
/// that starts nothing. Each such stretch stands for one U+FFFD.
inline int illFormedLength(Utf8Sequence sequence)
{
    return sequence.wellFormed > 0 ? sequence.wellFormed : 1;
}

/// UTF-16 units a complete sequence of `length` bytes decodes to.
constexpr int utf16UnitsOf(int length)
{
    return length == 4 ? 2 : 1;
}

/// Where the well-formed UTF-8 from `p` on stops (at `end` when all of it is),
/// how many multi-byte sequences it holds, and how many bytes more than
/// UTF-16 units they take.
struct Utf8Prefix {
    const uchar *stop;
    qsizetype sequences;
    qsizetype bytesOverUnits;
};
Utf8Prefix scanWellFormedUtf8(const uchar *p, const uchar *end);

/// Decodes [p, end) into `out`, each byte of an ill-formed stretch as its
/// stand-in; writes at most `end - p` units. Stops before a sequence that
/// `end` cuts short.
struct Utf8Decoded {
    const uchar *stop;
    char16_t *out;
    bool replaced; ///< an ill-formed stretch was met
};
Utf8Decoded decodeUtf8Span(const uchar *p, const uchar *end, char16_t *out);

/// Writes the complete sequence of `length` bytes at `p` as UTF-16.
char16_t *writeUtf8Sequence(const uchar *p, int length, char16_t *out);

/// A sequence cut short by the end of one chunk, waiting for the next.
struct HeldUtf8 {
    uchar bytes[4] = {};
    int count = 0;
};

/// `held` with as many bytes from the front of [p, end) as continue its
/// sequence correctly, and how many were taken.
struct HeldUtf8Extended {
    HeldUtf8 held;
    qsizetype taken;
};
HeldUtf8Extended extendHeldUtf8(HeldUtf8 held, const uchar *p, const uchar *end);

/// Writes one UTF-16 unit per Windows-1252 byte of [p, end).
char16_t *decodeWindows1252Span(const uchar *p, const uchar *end, char16_t *out);

/// Writes the stand-ins of the `count` stray bytes at `p`.
inline char16_t *writeStrayBytes(const uchar *p, qsizetype count, char16_t *out)
{
    for (qsizetype i = 0; i < count; ++i)
        *out++ = strayByteStandIn(p[i]);
    return out;
}

/// Decodes the whole units of [p, end) (an even number of bytes) into `out`,
/// one unit per two bytes, each as it stands (an unpaired surrogate too).
char16_t *decodeUtf16Span(const uchar *p, const uchar *end, bool bigEndian, char16_t *out);

/// Writes `text` as UTF-16 bytes in the given order, each unit as it stands;
/// two bytes per unit. Returns the end.
char *encodeUtf16To(QStringView text, bool bigEndian, char *out);

/// True for a UTF-32 unit that is a character: at most U+10FFFF, no surrogate.
constexpr bool isScalarValue(char32_t unit)
{
    return unit <= 0x10FFFF && (unit < 0xD800 || unit > 0xDFFF);
}

/// The UTF-32 unit at `p`.
inline char32_t utf32UnitAt(const uchar *p, bool bigEndian)
{
    return bigEndian ? char32_t(p[0]) << 24 | char32_t(p[1]) << 16 | char32_t(p[2]) << 8 | p[3]
                     : char32_t(p[3]) << 24 | char32_t(p[2]) << 16 | char32_t(p[1]) << 8 | p[0];
}

/// Decodes the whole units of [p, end) (a multiple of four bytes) into `out`,
/// each unit that is no character as U+FFFD (and then sets `replaced`).
/// Writes at most two units per four bytes.
char16_t *decodeUtf32Span(const uchar *p, const uchar *end, bool bigEndian, bool &replaced,
                          char16_t *out);

/// Bytes encodeUtf32To() writes for `text`: four a code point.
qsizetype utf32Length(QStringView text);

/// Writes `text` as UTF-32 bytes in the given order, each lone surrogate as
/// U+FFFD. Returns the end.
char *encodeUtf32To(QStringView text, bool bigEndian, char *out);

} // namespace wimblet::detail
