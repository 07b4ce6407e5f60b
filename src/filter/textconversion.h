#pragma once
// The filter's text side: a chunk of bytes cut where no token is cut, decoded, converted
// and encoded in two halves at once.

#include "convert/styleconversion.h"
#include "encoding/textencoding.h"

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <optional>
#include <vector>

namespace wimblet::filter {

/// Where a conversion stands between two chunks: the bytes not converted yet (a token the
/// next chunk may continue) and the sentence-capital flag after what was converted.
struct ConversionPoint {
    QByteArray pending;
    bool capitalizeNext = true;
};

/// What to make of the converted text: bytes in `encoding`, or with none only the check;
/// and whether to check that every character has a byte in Windows-1252.
struct ConversionTarget {
    std::optional<TextEncoding> encoding;
    bool checkWindows1252;
};

/// A chunk's conversion, in two pieces to write in order.
struct ConvertedChunk {
    QByteArrayView first;
    QByteArrayView second;
    /// False when a character has no byte in Windows-1252 (if checked) or in the target
    /// encoding.
    bool fits;
};

/// Converts input that arrives in chunks of bytes in one encoding. Each chunk, after the
/// bytes still pending, is converted up to where the text may be cut (see
/// detail::cutBeforeOpenToken()), in two halves cut at a separator: the second half is
/// decoded, converted and encoded on a thread of its own while the first is here, and
/// mended once the sentence flag after the first is known. The cuts fall between
/// characters of every encoding, so each half decodes and encodes on its own; the odd
/// last byte of UTF-16 input is written back after the last half.
class ChunkConverter
{
public:
    ChunkConverter(StyleStream::Style style, TextEncoding encoding, ConversionPoint from = {});
    ~ChunkConverter();

    /// Converts the pending bytes and `bytes` up to where they may be cut, or all of them
    /// when `atEnd`. The result is valid until the next call. Throws std::bad_alloc.
    ConvertedChunk convert(QByteArrayView bytes, bool atEnd, const ConversionTarget &target);

    /// Reads on in `encoding`; only ASCII may be pending, which reads the same in it.
    void switchEncoding(TextEncoding encoding) { m_encoding = encoding; }

    ConversionPoint point() const;

    struct Half;

private:
    qsizetype cutPoint(qsizetype size, bool atEnd) const;
    qsizetype middle(qsizetype end) const;

    StyleStream::Style m_style;
    TextEncoding m_encoding;
    std::vector<char> m_bytes;
    qsizetype m_pending = 0;
    bool m_capitalizeNext = true;
    std::unique_ptr<Half> m_halves[2];
};

} // namespace wimblet::filter
