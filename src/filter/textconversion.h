#pragma once
// The filter's text side: bytes decoded after the text still pending, converted up to
// where no token is cut, and the conversion encoded for the output.

#include "convert/styleconversion.h"
#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/textencoding.h"

#include <QByteArrayView>
#include <QStringView>

#include <vector>

namespace wimblet::filter {

/// Where a conversion stands between two chunks: the text not converted yet (a token the
/// next chunk may continue) and the sentence-capital flag after what was converted.
struct ConversionPoint {
    std::u16string pending;
    bool capitalizeNext = true;
};

/// Decodes chunks of bytes in one encoding and converts their text a piece at a time.
class ChunkConverter
{
public:
    ChunkConverter(StyleStream::Style style, TextEncoding encoding, ConversionPoint from = {});

    /// Decodes `bytes` after the pending text and converts up to its last separator, or
    /// everything when `atEnd`. The conversion is valid until the next call.
    QStringView convert(QByteArrayView bytes, bool atEnd);

    /// Reads on in `encoding` (the decoder must hold nothing back: a chunk boundary).
    void switchEncoding(TextEncoding encoding) { m_decoder = TextDecoder(encoding); }

    ConversionPoint point() const;

private:
    StyleStream m_stream;
    TextDecoder m_decoder;
    std::vector<char16_t> m_text;
    qsizetype m_pending = 0;
    bool m_capitalizeNext = true;
};

/// Encodes converted text chunk by chunk and writes it to standard output.
class EncodedOutput
{
public:
    explicit EncodedOutput(TextEncoding encoding) : m_encoder(encoding) {}

    /// Writes `text`. Throws FilterError when writing fails, or when the encoding lacks a
    /// byte for one of its characters (Windows-1252 is chosen only for text that fits).
    void write(QStringView text);
    /// Writes what the encoder still holds and starts writing in `encoding`.
    void switchEncoding(TextEncoding encoding);
    /// Ends the text. Throws FilterError.
    void finish();

private:
    TextEncoder m_encoder;
    std::vector<char> m_bytes;
};

} // namespace wimblet::filter
