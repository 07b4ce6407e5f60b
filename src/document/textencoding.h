#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace wimblet {

/// The encodings a document file can be read in and written back with.
enum class TextEncoding { Utf8, Windows1252 };

/// True when `bytes` is well-formed UTF-8: no overlong forms, no surrogates,
/// nothing above U+10FFFF and no sequence cut short at the end.
bool isValidUtf8(QByteArrayView bytes);

/// Decodes Windows-1252, one character per byte. The five bytes the code page
/// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of
/// the same value, so every byte string decodes and encodes back unchanged.
QString decodeWindows1252(QByteArrayView bytes);

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
