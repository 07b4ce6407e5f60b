#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

namespace wimblet::detail {

namespace {

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

inline char *putUnit(char32_t unit, bool bigEndian, char *out)
{
    for (int i = 0; i < 4; ++i)
        out[bigEndian ? 3 - i : i] = char((unit >> (8 * i)) & 0xFF);
    return out + 4;
}

} // namespace

char16_t *decodeUtf32Span(const uchar *p, const uchar *end, bool bigEndian, bool &replaced,
                          char16_t *out)
{
    for (; p < end; p += 4) {
        char32_t unit = utf32UnitAt(p, bigEndian);
        if (!isScalarValue(unit)) {
            unit = 0xFFFD;
            replaced = true;
        }
        if (unit < 0x10000) {
            *out++ = char16_t(unit);
        } else {
            *out++ = char16_t(0xD7C0 + (unit >> 10));
            *out++ = char16_t(0xDC00 + (unit & 0x3FF));
        }
    }
    return out;
}

qsizetype utf32Length(QStringView text)
{
    qsizetype pairs = 0;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (isHighSurrogate(text[i].unicode()) && isLowSurrogate(text[i + 1].unicode())) {
            ++pairs;
            ++i;
        }
    }
    return 4 * (text.size() - pairs);
}

char *encodeUtf32To(QStringView text, bool bigEndian, char *out)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t c = *p++;
        char32_t unit = c;
        if (isHighSurrogate(c) && p < end && isLowSurrogate(*p))
            unit = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(*p++) - 0xDC00);
        else if (isHighSurrogate(c) || isLowSurrogate(c))
            unit = 0xFFFD;
        out = putUnit(unit, bigEndian, out);
    }
    return out;
}

} // namespace wimblet::detail
