#pragma once

#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

#include <QByteArrayView>
#include <QString>

namespace wimblet {

/// Decodes bytes that arrive in chunks of any size, the same as decodeText()
/// decodes them in one piece: a multi-byte sequence cut by the end of a chunk
/// is held back and completed by the next one, and so are the first byte of a
/// UTF-16 code unit and a high surrogate waiting for its low one.
class TextDecoder
{
public:
    /// A decoder at the start of input in `encoding`.
    explicit TextDecoder(TextEncoding encoding) : m_encoding(encoding) {}

    /// The encoding it decodes.
    TextEncoding encoding() const { return m_encoding; }

    /// Appends the text of the next chunk to `out`.
    void decode(QByteArrayView bytes, QString &out);

    /// Ends the input, appending U+FFFD for a sequence still cut short.
    void finish(QString &out);

    /// Room, in UTF-16 units, that decodeTo() of `byteCount` bytes followed by
    /// finishTo() needs at most.
    qsizetype maxDecodedSize(qsizetype byteCount) const
    {
        // UTF-16: at most half a unit held, a held high surrogate and two
        // replacements when finishing.
        return isUtf16(m_encoding) ? (m_held.count + byteCount) / 2 + 3
                                   : m_held.count + byteCount;
    }

    /// Writes the text of the next chunk at `out` and returns its end.
    char16_t *decodeTo(QByteArrayView bytes, char16_t *out);

    /// Ends the input at `out` (see finish()) and returns the end.
    char16_t *finishTo(char16_t *out);

    /// True once an ill-formed stretch of bytes (in UTF-16 an unpaired
    /// surrogate or an odd last byte) has become U+FFFD. Windows-1252 accepts
    /// every byte.
    bool replacedAny() const { return m_replaced; }

private:
    char16_t *decodeUtf8To(const uchar *p, const uchar *end, char16_t *out);
    char16_t *decodeUtf16To(const uchar *p, const uchar *end, char16_t *out);

    TextEncoding m_encoding;
    detail::HeldUtf8 m_held; // in UTF-16, the first byte of a unit
    char16_t m_heldHigh = 0; // UTF-16 only
    bool m_replaced = false;
};

} // namespace wimblet
