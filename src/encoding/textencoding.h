#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace wimblet {

/// The byte encodings text is read from and written in. The module handles
/// them in switches over every value with no default case, so a new encoding
/// (UTF-16 LE and BE with a byte order mark are the next ones) makes the
/// compiler name each place that needs a case for it.
enum class TextEncoding : quint8 {
    /// UTF-8, strictly: no overlong forms, no surrogates, nothing above
    /// U+10FFFF. A byte order mark is text (U+FEFF), so it is written back.
    Utf8,
    /// Windows-1252, one character per byte. The five bytes the code page
    /// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of
    /// the same value, so every byte string decodes and encodes back unchanged.
    Windows1252,
};

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

/// Decodes `bytes` as `encoding` (see decodeUtf8() and decodeWindows1252()).
QString decodeText(QByteArrayView bytes, TextEncoding encoding);

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
