#include "convert/filterencoding.h"

#include <array>

namespace wimblet::filter {

namespace {

// Bytes 0x80 to 0x9F; the rest of the code page equals Latin-1.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) into
// `out`; false at the first byte that does not fit.
bool decodeUtf8(QByteArrayView bytes, QString &out)
{
    out = QString(bytes.size(), Qt::Uninitialized); // never more UTF-16 units than bytes
    char16_t *write = reinterpret_cast<char16_t *>(out.data());
    const char16_t *const begin = write;
    const uchar *at = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = at + bytes.size();
    while (at != end) {
        const uchar lead = *at;
        if (lead < 0x80) {
            *write++ = lead;
            ++at;
            continue;
        }
        int trail;
        char32_t code;
        char32_t smallest;
        if ((lead & 0xE0) == 0xC0) {
            trail = 1, code = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trail = 2, code = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            trail = 3, code = lead & 0x07, smallest = 0x10000;
        } else {
            return false;
        }
        if (end - at <= trail)
            return false;
        for (int k = 1; k <= trail; ++k) {
            if ((at[k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (at[k] & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            *write++ = char16_t(0xD7C0 + (code >> 10));
            *write++ = char16_t(0xDC00 + (code & 0x3FF));
        } else {
            *write++ = char16_t(code);
        }
        at += trail + 1;
    }
    out.resize(write - begin);
    return true;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *write = reinterpret_cast<char16_t *>(text.data());
    for (const char byte : bytes)
        *write++ = fromWindows1252(uchar(byte));
    return text;
}

// False when Windows-1252 has no byte for `c`.
bool toWindows1252(char16_t c, char &byte)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        byte = char(c);
        return true;
    }
    for (std::size_t i = 0; i < Windows1252High.size(); ++i) {
        if (Windows1252High[i] == c) {
            byte = char(0x80 + i);
            return true;
        }
    }
    return false;
}

} // namespace

char16_t fromWindows1252(uchar byte)
{
    return byte >= 0x80 && byte <= 0x9F ? Windows1252High[byte - 0x80] : char16_t(byte);
}

DecodedText decode(QByteArrayView bytes)
{
    DecodedText decoded{QString(), Encoding::Utf8};
    if (!decodeUtf8(bytes, decoded.text)) {
        decoded.text = QString(); // release the partial result before the second decoding
        decoded.text = decodeWindows1252(bytes);
        decoded.encoding = Encoding::Windows1252;
    }
    return decoded;
}

QByteArray encode(const QString &text, Encoding encoding)
{
    if (encoding == Encoding::Windows1252) {
        QByteArray bytes(text.size(), Qt::Uninitialized);
        char *write = bytes.data();
        bool fits = true;
        for (qsizetype i = 0; fits && i < text.size(); ++i)
            fits = toWindows1252(text.at(i).unicode(), *write++);
        if (fits)
            return bytes;
    }
    return text.toUtf8();
}

} // namespace wimblet::filter
