#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

#include <cstring>

namespace wimblet::detail {

namespace {

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

// Units are kept as they stand, unpaired surrogates too: a damaged file's
// bytes come back unchanged, and the text treats such a unit as no character.
char16_t *decodeUtf16Span(const uchar *p, const uchar *end, bool bigEndian, char16_t *out)
{
    if (p == end)
        return out;
    if (bigEndian == (Q_BYTE_ORDER == Q_BIG_ENDIAN)) {
        std::memcpy(out, p, size_t(end - p));
        return out + (end - p) / 2;
    }
    for (; p < end; p += 2)
        *out++ = unitAt(p, bigEndian);
    return out;
}

char *encodeUtf16To(QStringView text, bool bigEndian, char *out)
{
    for (const QChar unit : text)
        out = putUnit(unit.unicode(), bigEndian, out);
    return out;
}

} // namespace wimblet::detail
