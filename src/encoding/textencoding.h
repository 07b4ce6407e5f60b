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
    Utf8,
    /// Windows-1252, one character per byte. The five bytes the code page
    /// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of
    /// the same value, so every byte string decodes and encodes back unchanged.
    Windows1252,
    /// UTF-16, least significant byte first. A byte order mark is text
    /// (U+FEFF), so it is written back; an unpaired surrogate or an odd last
    /// byte decodes as U+FFFD, and a lone surrogate is written as U+FFFD.
    Utf16LE,
    /// UTF-16, most significant byte first, otherwise as Utf16LE.
    Utf16BE,
};

/// True for the two UTF-16 encodings.
constexpr bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

/// Text with the encoding its bytes were read in.
struct DecodedText {
    QString text;
    TextEncoding encoding;
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
/// ill-formed stretch (the longest correct beginning of a sequence, or else a
/// single byte) becomes one U+FFFD.
QString decodeUtf8(QByteArrayView bytes);

/// Decodes Windows-1252, one character per byte.
QString decodeWindows1252(QByteArrayView bytes);

/// Decodes `bytes` as `encoding` (see decodeUtf8(), decodeWindows1252() and
/// TextEncoding's UTF-16 values).
QString decodeText(QByteArrayView bytes, TextEncoding encoding);

/// The encoding a file's bytes are read in: UTF-16 in the byte order its byte
/// order mark (FF FE or FE FF) gives, when the length is even, no surrogate is
/// unpaired and it does not start like UTF-32 LE (FF FE 00 00); otherwise UTF-8
/// when the bytes are valid UTF-8, and Windows-1252, which accepts every byte,
/// when they are not. EncodingDetector decides the same in chunks.
TextEncoding detectEncoding(QByteArrayView bytes);

/// `bytes` decoded in the encoding detectEncoding() gives.
DecodedText decodeDetected(QByteArrayView bytes);

/// Valid UTF-8 is read as UTF-8, anything else as Windows-1252, which accepts
/// every byte. Throws std::bad_alloc when memory runs out.
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
/// returns the end of what was written. A lone surrogate, which is no
/// character, is written as U+FFFD.
char *encodeUtf8To(QStringView text, char *out);

} // namespace wimblet
