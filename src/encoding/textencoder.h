#pragma once

#include "encoding/textencoding.h"

#include <QByteArray>
#include <QStringView>

namespace wimblet {

/// Encodes text that arrives in chunks, the same as one piece of it would be
/// encoded: in UTF-8 and UTF-32 a high surrogate ending a chunk is held back,
/// to be paired with a low surrogate starting the next. A lone surrogate
/// becomes U+FFFD there, except that in UTF-8 a stray byte's stand-in becomes
/// that byte; UTF-16 writes every unit as it stands.
class TextEncoder
{
public:
    /// An encoder at the start of text to write in `encoding`.
    explicit TextEncoder(TextEncoding encoding) : m_encoding(encoding) {}

    /// The encoding it writes.
    TextEncoding encoding() const { return m_encoding; }

    /// Appends the bytes of the next chunk to `out`. Returns false, leaving
    /// `out` as it was, when the encoding has no bytes for one of its
    /// characters (only Windows-1252 can lack them).
    bool encode(QStringView text, QByteArray &out);

    /// Ends the text, appending U+FFFD for a high surrogate still held back.
    void finish(QByteArray &out);

    /// Exactly the bytes that encodeTo(`text`) followed by finishTo() write.
    qsizetype encodedSize(QStringView text) const;

    /// Writes the bytes of the next chunk at `out` and returns their end, or
    /// nullptr when the encoding has no bytes for one of its characters.
    char *encodeTo(QStringView text, char *out);

    /// Ends the text at `out` (see finish()) and returns the end.
    char *finishTo(char *out);

private:
    qsizetype pairedEncodedSize(QStringView text) const;
    char *encodePaired(QStringView text, char *out);
    char *encodeWhole(QStringView text, char *out) const;
    // The held high surrogate with the front of `text`: the low surrogate it
    // pairs with (then dropped from `text`), or else alone.
    QStringView takeHeld(QStringView &text, char16_t (&pair)[2]);

    TextEncoding m_encoding;
    char16_t m_heldSurrogate = 0;
};

} // namespace wimblet
