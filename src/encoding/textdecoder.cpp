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
    char16_t tail[2];
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
        return decodeUtf16To(p, end, out);
    }
    Q_UNREACHABLE();
}

char16_t *TextDecoder::finishTo(char16_t *out)
{
    // A held high surrogate came before a held odd byte.
    if (m_heldHigh != 0) {
        *out++ = u'\uFFFD';
        m_heldHigh = 0;
        m_replaced = true;
    }
    if (m_held.count > 0) {
        *out++ = u'\uFFFD';
        m_held = {};
        m_replaced = true;
    }
    return out;
}

char16_t *TextDecoder::decodeUtf16To(const uchar *p, const uchar *end, char16_t *out)
{
    const bool bigEndian = m_encoding == TextEncoding::Utf16BE;
    detail::Utf16Units units{m_heldHigh, m_replaced};
    if (m_held.count > 0 && p < end) {
        const uchar pair[2] = {m_held.bytes[0], *p++};
        out = detail::decodeUtf16Span(pair, pair + 2, bigEndian, units, out);
        m_held = {};
    }
    const uchar *const even = p + ((end - p) & ~qsizetype(1));
    out = detail::decodeUtf16Span(p, even, bigEndian, units, out);
    if (even < end)
        m_held.bytes[m_held.count++] = *even;
    m_heldHigh = units.heldHigh;
    m_replaced = units.replaced;
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
            *out++ = u'\uFFFD';
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
