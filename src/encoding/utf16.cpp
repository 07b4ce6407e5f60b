#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

namespace wimblet::detail {

namespace {

inline bool isSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }
inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

inline char16_t unitAt(const uchar *p, bool bigEndian)
{
    return bigEndian ? char16_t((p[0] << 8) | p[1]) : char16_t(p[0] | (p[1] << 8));
}

inline char *putUnit(char16_t unit, bool bigEndian, char *out)
{
    out[bigEndian ? 0 : 1] = char(unit >> 8);
    out[bigEndian ? 1 : 0] = char(unit & 0xFF);
    return out + 2;
}

} // namespace

char16_t *decodeUtf16Span(const uchar *p, const uchar *end, bool bigEndian, Utf16Units &units,
                          char16_t *out)
{
    for (; p < end; p += 2) {
        const char16_t unit = unitAt(p, bigEndian);
        if (Q_LIKELY(!isSurrogate(unit) && units.heldHigh == 0)) {
            *out++ = unit;
            continue;
        }
        if (units.heldHigh != 0) {
            if (isLowSurrogate(unit)) {
                *out++ = units.heldHigh;
                *out++ = unit;
                units.heldHigh = 0;
                continue;
            }
            *out++ = u'\uFFFD';
            units.replaced = true;
            units.heldHigh = 0;
        }
        if (isHighSurrogate(unit)) {
            units.heldHigh = unit;
        } else if (isLowSurrogate(unit)) {
            *out++ = u'\uFFFD';
            units.replaced = true;
        } else {
            *out++ = unit;
        }
    }
    return out;
}

char *encodeUtf16To(QStringView text, bool bigEndian, char *out)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t unit = *p++;
        if (Q_LIKELY(!isSurrogate(unit))) {
            out = putUnit(unit, bigEndian, out);
        } else if (isHighSurrogate(unit) && p < end && isLowSurrogate(*p)) {
            out = putUnit(unit, bigEndian, out);
            out = putUnit(*p++, bigEndian, out);
        } else {
            out = putUnit(u'\uFFFD', bigEndian, out);
        }
    }
    return out;
}

} // namespace wimblet::detail
