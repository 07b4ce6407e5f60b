#include "encoding/asciiblocks.h"
#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

#include <QtAlgorithms>

namespace wimblet {

namespace detail {

Utf8Prefix scanWellFormedUtf8(const uchar *p, const uchar *end)
{
    qsizetype sequences = 0;
    qsizetype bytesOverUnits = 0;
    while (p < end) {
        p += asciiPrefix(p, end);
        if (p == end)
            break;
        const Utf8Sequence sequence = probeUtf8Sequence(p, end);
        if (!isComplete(sequence))
            break;
        ++sequences;
        bytesOverUnits += sequence.length - utf16UnitsOf(sequence.length);
        p += sequence.length;
    }
    return {p, sequences, bytesOverUnits};
}

char16_t *writeUtf8Sequence(const uchar *p, int length, char16_t *out)
{
    char32_t cp;
    if (length == 2)
        cp = (char32_t(p[0] & 0x1F) << 6) | (p[1] & 0x3F);
    else if (length == 3)
        cp = (char32_t(p[0] & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    else
        cp = (char32_t(p[0] & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12)
                | (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
    if (cp < 0x10000) {
        *out++ = char16_t(cp);
    } else {
        *out++ = char16_t(0xD7C0 + (cp >> 10));
        *out++ = char16_t(0xDC00 + (cp & 0x3FF));
    }
    return out;
}

Utf8Decoded decodeUtf8Span(const uchar *p, const uchar *end, char16_t *out)
{
    bool replaced = false;
    while (p < end) {
        // Blocks are widened whole. In one with a non-ASCII byte, the ASCII
        // before it is kept and the rest, up to its last non-ASCII byte, goes
        // byte by byte, overwriting what the block left. Never more units than
        // bytes are written, so the block always has room.
        const uchar *stop = end;
        while (end - p >= kAsciiBlock) {
            const unsigned mask = nonAsciiMask(p);
            widenAsciiBlock(p, out);
            if (mask == 0) {
                p += kAsciiBlock;
                out += kAsciiBlock;
                continue;
            }
            stop = p + 32 - qCountLeadingZeroBits(quint32(mask));
            const int ascii = qCountTrailingZeroBits(quint32(mask));
            p += ascii;
            out += ascii;
            break;
        }
        while (p < stop) {
            if (*p < 0x80) {
                *out++ = *p++;
                continue;
            }
            const Utf8Sequence sequence = probeUtf8Sequence(p, end);
            if (isComplete(sequence)) {
                out = writeUtf8Sequence(p, sequence.length, out);
                p += sequence.length;
            } else if (isCutShort(sequence, p, end)) {
                return {p, out, replaced};
            } else {
                const int stray = illFormedLength(sequence);
                out = writeStrayBytes(p, stray, out);
                replaced = true;
                p += stray;
            }
        }
    }
    return {p, out, replaced};
}

HeldUtf8Extended extendHeldUtf8(HeldUtf8 held, const uchar *p, const uchar *end)
{
    const uchar *q = p;
    while (q < end) {
        HeldUtf8 trial = held;
        trial.bytes[trial.count] = *q;
        const Utf8Sequence sequence =
                probeUtf8Sequence(trial.bytes, trial.bytes + trial.count + 1);
        if (sequence.wellFormed <= held.count)
            break;
        held = trial;
        ++held.count;
        ++q;
        if (isComplete(sequence))
            break;
    }
    return {held, q - p};
}

} // namespace detail

namespace {

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    return detail::scanWellFormedUtf8(p, end).stop == end;
}

qsizetype utf8Length(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    qsizetype length = 0;
    while (p < end) {
        const qsizetype ascii = detail::asciiPrefix(p, end);
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
            length += strayByteOf(c) >= 0 ? 1 : 3;
        }
    }
    return length;
}

char *encodeUtf8To(QStringView text, char *out)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const qsizetype ascii = detail::copyAsciiPrefix(p, end, out);
        out += ascii;
        p += ascii;
        if (p == end)
            break;
        const char16_t c = *p++;
        char32_t cp = c;
        if (isHighSurrogate(c) && p < end && isLowSurrogate(*p)) {
            cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
        } else if (const int stray = strayByteOf(c); stray >= 0) {
            *out++ = char(stray);
            continue;
        } else if (isHighSurrogate(c) || isLowSurrogate(c)) {
            cp = 0xFFFD;
        }
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
