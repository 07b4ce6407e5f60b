#include "encoding/textencoder.h"

#include "encoding/utf8kernels.h"

namespace wimblet {

namespace {

inline bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

bool TextEncoder::encode(QStringView text, QByteArray &out)
{
    const qsizetype start = out.size();
    // Room for finishing too, which a chunk ending in a high surrogate may leave unused.
    out.resize(start + encodedSize(text));
    char *const end = encodeTo(text, out.data() + start);
    out.truncate(end ? end - out.constData() : start);
    return end != nullptr;
}

void TextEncoder::finish(QByteArray &out)
{
    char tail[3];
    const char *const end = finishTo(tail);
    out.append(tail, end - tail);
}

qsizetype TextEncoder::encodedSize(QStringView text) const
{
    switch (m_encoding) {
    case TextEncoding::Utf8:
        return utf8EncodedSize(text);
    case TextEncoding::Windows1252:
        return text.size();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        // A lone surrogate's U+FFFD is one unit too.
        return 2 * (text.size() + (m_heldSurrogate != 0 ? 1 : 0));
    }
    Q_UNREACHABLE();
}

char *TextEncoder::encodeTo(QStringView text, char *out)
{
    switch (m_encoding) {
    case TextEncoding::Utf8:
        return encodeUtf8(text, out);
    case TextEncoding::Windows1252:
        return encodeWindows1252To(text, out) ? out + text.size() : nullptr;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return encodeUtf16(text, out);
    }
    Q_UNREACHABLE();
}

char *TextEncoder::finishTo(char *out)
{
    if (m_heldSurrogate != 0) {
        const QStringView lone(&m_heldSurrogate, 1);
        out = isUtf16(m_encoding)
                ? detail::encodeUtf16To(lone, m_encoding == TextEncoding::Utf16BE, out)
                : encodeUtf8To(lone, out);
    }
    m_heldSurrogate = 0;
    return out;
}

QStringView TextEncoder::takeHeld(QStringView &text, char16_t (&pair)[2])
{
    pair[0] = m_heldSurrogate;
    pair[1] = text.front().unicode();
    m_heldSurrogate = 0;
    const bool paired = isLowSurrogate(pair[1]);
    if (paired)
        text = text.sliced(1);
    return QStringView(pair, paired ? 2 : 1);
}

qsizetype TextEncoder::utf8EncodedSize(QStringView text) const
{
    qsizetype size = 0;
    if (m_heldSurrogate != 0) {
        const bool paired = !text.isEmpty() && isLowSurrogate(text.front().unicode());
        size += paired ? 4 : 3;
        if (paired)
            text = text.sliced(1);
    }
    // A high surrogate ending the text counts as the U+FFFD that finishing writes.
    return size + utf8Length(text);
}

char *TextEncoder::encodeUtf8(QStringView text, char *out)
{
    if (text.isEmpty())
        return out;
    char16_t pair[2];
    if (m_heldSurrogate != 0)
        out = encodeUtf8To(takeHeld(text, pair), out);
    if (!text.isEmpty() && isHighSurrogate(text.back().unicode())) {
        m_heldSurrogate = text.back().unicode();
        text.chop(1);
    }
    return encodeUtf8To(text, out);
}

char *TextEncoder::encodeUtf16(QStringView text, char *out)
{
    if (text.isEmpty())
        return out;
    const bool bigEndian = m_encoding == TextEncoding::Utf16BE;
    char16_t pair[2];
    if (m_heldSurrogate != 0)
        out = detail::encodeUtf16To(takeHeld(text, pair), bigEndian, out);
    if (!text.isEmpty() && isHighSurrogate(text.back().unicode())) {
        m_heldSurrogate = text.back().unicode();
        text.chop(1);
    }
    return detail::encodeUtf16To(text, bigEndian, out);
}

} // namespace wimblet
