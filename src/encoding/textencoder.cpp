#include "encoding/textencoder.h"

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
    }
    Q_UNREACHABLE();
}

char *TextEncoder::finishTo(char *out)
{
    if (m_heldSurrogate != 0)
        out = encodeUtf8To(QStringView(&m_heldSurrogate, 1), out);
    m_heldSurrogate = 0;
    return out;
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
    if (m_heldSurrogate != 0) {
        const char16_t pair[2] = {m_heldSurrogate, text.front().unicode()};
        const bool paired = isLowSurrogate(text.front().unicode());
        out = encodeUtf8To(QStringView(pair, paired ? 2 : 1), out);
        if (paired)
            text = text.sliced(1);
        m_heldSurrogate = 0;
    }
    if (!text.isEmpty() && isHighSurrogate(text.back().unicode())) {
        m_heldSurrogate = text.back().unicode();
        text.chop(1);
    }
    return encodeUtf8To(text, out);
}

} // namespace wimblet
