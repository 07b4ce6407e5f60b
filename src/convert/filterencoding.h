#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// The byte encodings of the wimblet-convert filter: text arrives as bytes of unknown
/// encoding and must go back byte for byte wherever the conversion left it alone.
namespace wimblet::filter {

enum class Encoding { Utf8, Windows1252 };

struct DecodedText {
    QString text;
    Encoding encoding;
};

/// Valid UTF-8 (a byte order mark included) is read as UTF-8; anything else as
/// Windows-1252, where every one of the 256 byte values stands for one character
/// (the five bytes that code page leaves undefined stand for U+0081, U+008D, U+008F,
/// U+0090 and U+009D). Throws std::bad_alloc when memory runs out.
DecodedText decode(QByteArrayView bytes);

/// `text` in `encoding`; when Windows-1252 cannot hold one of its characters, the whole
/// text in UTF-8. Throws std::bad_alloc when memory runs out.
QByteArray encode(const QString &text, Encoding encoding);

/// The character a Windows-1252 byte stands for (see decode()).
char16_t fromWindows1252(uchar byte);

} // namespace wimblet::filter
