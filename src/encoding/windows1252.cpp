#include "encoding/asciiblocks.h"
#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

namespace wimblet {

namespace {

// Windows-1252 bytes 0x80-0x9F; the rest of the code page equals Latin-1. The
// five undefined ones keep their own value, so every byte string decodes and
// encodes back unchanged.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

namespace detail {

char16_t *decodeWindows1252Span(const uchar *p, const uchar *end, char16_t *out)
{
    while (p < end) {
        while (end - p >= kAsciiBlock && isAsciiBlock(p)) {
            widenAsciiBlock(p, out);
            p += kAsciiBlock;
            out += kAsciiBlock;
        }
        const uchar *const stop = end - p > kAsciiBlock ? p + kAsciiBlock : end;
        for (; p < stop; ++p)
            *out++ = (*p & 0xE0) == 0x80 ? kWindows1252High[*p - 0x80] : char16_t(*p);
    }
    return out;
}

} // namespace detail

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

bool fitsWindows1252(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    for (p += detail::asciiPrefix(p, end); p < end; ++p) {
        if (windows1252Byte(*p) < 0)
            return false;
    }
    return true;
}

bool encodeWindows1252(QStringView text, QByteArray &out)
{
    out.resize(text.size());
    return encodeWindows1252To(text, out.data());
}

} // namespace wimblet
