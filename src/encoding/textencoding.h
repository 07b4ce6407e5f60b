#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace wimblet {

/// The byte encodings text is read from and written in. The module handles
/// them in switches over every value with no default case, so a new encoding
/// makes the compiler name each place that needs a case for it.
enum class TextEncoding : quint8 {
    /// UTF-8, strictly: no overlong forms, no surrogates, nothing above
    /// U+10FFFF. A byte order mark is text (U+FEFF), so it is written back.
    /// Each byte outside a well-formed sequence (a stray byte) decodes as a
    /// stand-in of its own (see strayByteStandIn()) that encodes back to it.
    Utf8,
    /// Windows-1252, one character per byte. The five bytes the code page
    /// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of
    /// the same value, so every byte string decodes and encodes back unchanged.
    Windows1252,
    /// UTF-16, least significant byte first. A byte order mark is text
    /// (U+FEFF), so it is written back. Every unit is kept as it is, an
    /// unpaired surrogate included, so any even run of bytes decodes and
    /// encodes back unchanged; an odd last byte is no unit and is left aside
    /// (TextDecoder::oddByte(), DecodedText::trailingByte).
    Utf16LE,
    /// UTF-16, most significant byte first, otherwise as Utf16LE.
    Utf16BE,
    /// UTF-32, least significant byte first; a file is read in it only when
    /// all of it is valid. A unit that is no character decodes as U+FFFD, and
    /// a lone surrogate of the text is written as U+FFFD.
    Utf32LE,
    /// UTF-32, most significant byte first, otherwise as Utf32LE.
    Utf32BE,
};

/// True for the two UTF-16 encodings.
constexpr bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

/// True for the two UTF-32 encodings.
constexpr bool isUtf32(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf32LE || encoding == TextEncoding::Utf32BE;
}

/// Bytes in one code unit: 1 for UTF-8 and Windows-1252, whose ASCII bytes
/// are always the characters they stand for, 2 for UTF-16 and 4 for UTF-32.
constexpr int unitBytes(TextEncoding encoding)
{
    return isUtf16(encoding) ? 2 : isUtf32(encoding) ? 4 : 1;
}

/// True for the encodings that write the most significant byte of a unit first.
constexpr bool isBigEndian(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16BE || encoding == TextEncoding::Utf32BE;
}

/// The stand-in of a stray UTF-8 byte (0x80 to 0xFF): the lone low surrogate
/// U+DC80 to U+DCFF, which no well-formed UTF-8 decodes to. Only text decoded
/// from UTF-8 holds them as stand-ins; in text read as UTF-16 the same unit is
/// the file's own unpaired surrogate.
constexpr char16_t strayByteStandIn(uchar byte)
{
    return char16_t(0xDC00 + byte);
}

/// The byte a unit of UTF-8 text stands for (0x80 to 0xFF), or -1 when it is
/// no stand-in. Only a lone unit is one: the low half of a pair is not.
constexpr int strayByteOf(char16_t unit)
{
    return unit >= 0xDC80 && unit <= 0xDCFF ? int(unit - 0xDC00) : -1;
}

/// Text with the encoding its bytes were read in.
struct DecodedText {
    QString text;
    TextEncoding encoding;
    /// UTF-16 only: the odd last byte, which is no unit of the text; it is
    /// written back after the text. -1 when there is none.
    int trailingByte = -1;
};

/// Bytes with the encoding they were written in.
struct EncodedText {
    QByteArray bytes;
    TextEncoding encoding;
};

/// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
/// nothing above U+10FFFF and no sequence cut short at the end.
bool isValidUtf8(QByteArrayView bytes);

/// Decodes UTF-8, keeping a byte order mark as U+FEFF and NUL as U+0000. Each
/// byte of an ill-formed stretch (the longest correct beginning of a sequence,
/// or else a single byte) becomes its stand-in (strayByteStandIn()).
QString decodeUtf8(QByteArrayView bytes);

/// Decodes Windows-1252, one character per byte.
QString decodeWindows1252(QByteArrayView bytes);

/// Decodes `bytes` as `encoding` (see decodeUtf8(), decodeWindows1252() and
/// TextEncoding's other values). An odd last byte of UTF-16 is left out.
QString decodeText(QByteArrayView bytes, TextEncoding encoding);

/// The encoding a file's bytes are read in: UTF-32 in the byte order its byte
/// order mark (FF FE 00 00 or 00 00 FE FF) gives when all of it is valid
/// UTF-32; else UTF-16 in the byte order its mark (FF FE or FE FF) gives,
/// however damaged; else UTF-8 when readsAsUtf8() says so for its bytes, and
/// Windows-1252, which accepts every byte, when not. EncodingDetector decides
/// the same in chunks.
TextEncoding detectEncoding(QByteArrayView bytes);

/// `bytes` decoded in the encoding detectEncoding() gives, an odd last byte of
/// UTF-16 kept aside.
DecodedText decodeDetected(QByteArrayView bytes);

/// `bytes` as UTF-8 when readsAsUtf8() says so, else as Windows-1252, which
/// accepts every byte. Throws std::bad_alloc when memory runs out.
DecodedText decodeUtf8OrWindows1252(QByteArrayView bytes);

/// `text` followed by `ending`, in `preferred` when it has bytes for every
/// character and in UTF-8 otherwise, so no character is lost. The bytes are
/// allocated once. Throws std::bad_alloc when memory runs out.
EncodedText encodeText(QStringView text, TextEncoding preferred, QStringView ending = {});

/// Encodes `text` as Windows-1252 into `out`. Returns false when a character
/// has no byte in the code page; `out` is unspecified then.
bool encodeWindows1252(QStringView text, QByteArray &out);

/// True when every character of `text` has a byte in Windows-1252.
bool fitsWindows1252(QStringView text);

/// Writes exactly `text.size()` bytes of Windows-1252 to `out`; false (with
/// `out` partly written) as soon as a character has no byte.
bool encodeWindows1252To(QStringView text, char *out);

/// Number of UTF-8 bytes `encodeUtf8To` writes for `text`.
qsizetype utf8Length(QStringView text);

/// Writes `text` as UTF-8 to `out` (room for `utf8Length(text)` bytes) and
/// returns the end of what was written. A stray byte's stand-in is written as
/// that byte; any other lone surrogate, which is no character, as U+FFFD.
char *encodeUtf8To(QStringView text, char *out);

} // namespace wimblet
