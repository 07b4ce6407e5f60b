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
    char tail[4];
    const char *const end = finishTo(tail);
    out.append(tail, end - tail);
}

qsizetype TextEncoder::encodedSize(QStringView text) const
{
    switch (m_encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return pairedEncodedSize(text);
    case TextEncoding::Windows1252:
        return text.size();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return 2 * text.size();
    }
    Q_UNREACHABLE();
}

char *TextEncoder::encodeTo(QStringView text, char *out)
{
    switch (m_encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf32LE:
    case TextEncoding::Utf32BE:
        return encodePaired(text, out);
    case TextEncoding::Windows1252:
        return encodeWindows1252To(text, out) ? out + text.size() : nullptr;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return detail::encodeUtf16To(text, isBigEndian(m_encoding), out);
    }
    Q_UNREACHABLE();
}

char *TextEncoder::finishTo(char *out)
{
    if (m_heldSurrogate != 0)
        out = encodeWhole(QStringView(&m_heldSurrogate, 1), out);
    m_heldSurrogate = 0;
    return out;
}

// UTF-8 or UTF-32 of text that holds no half of a pair cut off at either end.
char *TextEncoder::encodeWhole(QStringView text, char *out) const
{
    return m_encoding == TextEncoding::Utf8 ? encodeUtf8To(text, out)
                                            : detail::encodeUtf32To(text, isBigEndian(m_encoding), out);
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

qsizetype TextEncoder::pairedEncodedSize(QStringView text) const
{
    const bool utf8 = m_encoding == TextEncoding::Utf8;
    qsizetype size = 0;
    if (m_heldSurrogate != 0) {
        const bool paired = !text.isEmpty() && isLowSurrogate(text.front().unicode());
        size += paired || !utf8 ? 4 : 3;
        if (paired)
            text = text.sliced(1);
    }
    // A high surrogate ending the text counts as the U+FFFD that finishing writes.
    return size + (utf8 ? utf8Length(text) : detail::utf32Length(text));
}

char *TextEncoder::encodePaired(QStringView text, char *out)
{
    if (text.isEmpty())
        return out;
    char16_t pair[2];
    if (m_heldSurrogate != 0)
        out = encodeWhole(takeHeld(text, pair), out);
    if (!text.isEmpty() && isHighSurrogate(text.back().unicode())) {
        m_heldSurrogate = text.back().unicode();
        text.chop(1);
    }
    return encodeWhole(text, out);
}

} // namespace wimblet
