#include "encoding/textdecoder.h"

namespace wimblet {

void TextDecoder::decode(QByteArrayView bytes, QString &out)
{
    const qsizetype start = out.size();
    out.resize(start + maxDecodedSize(bytes.size()));
    auto *const begin = reinterpret_cast<char16_t *>(out.data());
    const char16_t *const end = decodeTo(bytes, begin + start);
    out.truncate(end - begin);
}

void TextDecoder::finish(QString &out)
{
    char16_t tail[4];
    const char16_t *const end = finishTo(tail);
    out.append(QStringView(tail, end - tail));
}

char16_t *TextDecoder::decodeTo(QByteArrayView bytes, char16_t *out)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const uchar *const end = p + bytes.size();
    switch (m_encoding) {
    case TextEncoding::Utf8:
        return decodeUtf8To(p, end, out);
    case TextEncoding::Windows1252:
        return detail::decodeWindows1252Span(p, end, out);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return decodeUnitsTo(p, end, out);
    }
    Q_UNREACHABLE();
}

char16_t *TextDecoder::finishTo(char16_t *out)
{
    if (m_held.count == 0)
        return out;
    if (m_encoding == TextEncoding::Utf8) {
        out = detail::writeStrayBytes(m_held.bytes, m_held.count, out);
        m_replaced = true;
    } else if (isUtf16(m_encoding)) {
        m_oddByte = m_held.bytes[0];
    } else {
        *out++ = u'\uFFFD';
        m_replaced = true;
    }
    m_held = {};
    return out;
}

// UTF-16 and UTF-32: whole units, with the bytes of one cut by a chunk's end held.
char16_t *TextDecoder::decodeUnitsTo(const uchar *p, const uchar *end, char16_t *out)
{
    const bool bigEndian = isBigEndian(m_encoding);
    const int width = unitBytes(m_encoding);
    const auto units = [&](const uchar *from, const uchar *to, char16_t *at) {
        return width == 2 ? detail::decodeUtf16Span(from, to, bigEndian, at)
                          : detail::decodeUtf32Span(from, to, bigEndian, m_replaced, at);
    };
    while (m_held.count > 0 && p < end) {
        m_held.bytes[m_held.count++] = *p++;
        if (m_held.count == width) {
            out = units(m_held.bytes, m_held.bytes + width, out);
            m_held = {};
        }
    }
    const uchar *const whole = p + (end - p) / width * width;
    out = units(p, whole, out);
    for (const uchar *q = whole; q < end; ++q)
        m_held.bytes[m_held.count++] = *q;
    return out;
}

char16_t *TextDecoder::decodeUtf8To(const uchar *p, const uchar *end, char16_t *out)
{
    if (m_held.count > 0) {
        const detail::HeldUtf8Extended extended = detail::extendHeldUtf8(m_held, p, end);
        p += extended.taken;
        const detail::HeldUtf8 &held = extended.held;
        const detail::Utf8Sequence sequence =
                detail::probeUtf8Sequence(held.bytes, held.bytes + held.count);
        if (detail::isComplete(sequence)) {
            out = detail::writeUtf8Sequence(held.bytes, held.count, out);
        } else if (p == end) {
            m_held = held; // still cut short: the chunk was too small to complete it
            return out;
        } else {
            out = detail::writeStrayBytes(held.bytes, held.count, out);
            m_replaced = true;
        }
        m_held = {};
    }
    const detail::Utf8Decoded decoded = detail::decodeUtf8Span(p, end, out);
    m_replaced = m_replaced || decoded.replaced;
    for (const uchar *q = decoded.stop; q < end; ++q)
        m_held.bytes[m_held.count++] = *q;
    return decoded.out;
}

} // namespace wimblet
