#pragma once

#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"

#include <QByteArrayView>
#include <QString>

namespace wimblet {

/// Decodes bytes that arrive in chunks of any size, the same as decodeText()
/// decodes them in one piece: a multi-byte sequence cut by the end of a chunk
/// is held back and completed by the next one, and so is a UTF-16 or UTF-32
/// code unit cut in two.
class TextDecoder
{
public:
    /// A decoder at the start of input in `encoding`.
    explicit TextDecoder(TextEncoding encoding) : m_encoding(encoding) {}

    /// The encoding it decodes.
    TextEncoding encoding() const { return m_encoding; }

    /// Appends the text of the next chunk to `out`.
    void decode(QByteArrayView bytes, QString &out);

    /// Ends the input: each byte of a UTF-8 sequence still cut short becomes
    /// its stand-in, part of a UTF-32 unit a U+FFFD; an odd last byte of
    /// UTF-16 is left aside (oddByte()).
    void finish(QString &out);

    /// Room, in UTF-16 units, that decodeTo() of `byteCount` bytes followed by
    /// finishTo() needs at most.
    qsizetype maxDecodedSize(qsizetype byteCount) const
    {
        const qsizetype bytes = m_held.count + byteCount;
        switch (m_encoding) {
        case TextEncoding::Utf8:
        case TextEncoding::Windows1252:
            return bytes;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            return bytes / 2;
        case TextEncoding::Utf32LE:
        case TextEncoding::Utf32BE:
            return bytes / 4 * 2 + 1;
        }
        Q_UNREACHABLE();
    }

    /// Writes the text of the next chunk at `out` and returns its end.
    char16_t *decodeTo(QByteArrayView bytes, char16_t *out);

    /// Ends the input at `out` (see finish()) and returns the end.
    char16_t *finishTo(char16_t *out);

    /// True once ill-formed input has been met: a stray UTF-8 byte (now its
    /// stand-in) or a UTF-32 unit that is no character (now U+FFFD). Every
    /// UTF-16 unit and every Windows-1252 byte is text.
    bool replacedAny() const { return m_replaced; }

    /// UTF-16 after finishing: the byte that followed the last whole unit, or -1.
    int oddByte() const { return m_oddByte; }

private:
    char16_t *decodeUtf8To(const uchar *p, const uchar *end, char16_t *out);
    char16_t *decodeUnitsTo(const uchar *p, const uchar *end, char16_t *out);

    TextEncoding m_encoding;
    detail::HeldUtf8 m_held; // in UTF-16 and UTF-32, the first bytes of a unit
    bool m_replaced = false;
    int m_oddByte = -1;
};

} // namespace wimblet
