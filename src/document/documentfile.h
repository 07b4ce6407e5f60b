#pragma once
// The document file format: how a file's bytes become the text box's text and back.

#include "encoding/textencoding.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace wimblet {

/// A document's text as read from a file, with the encoding to write it back in.
using DecodedDocument = DecodedText;

/// Turns the bytes of a document file into document text.
///
/// Lines end at CR LF or at a lone CR; a lone LF is an ordinary character of
/// its line, and the last line needs no terminator. The lines are joined with
/// CR LF, so a final terminator is dropped. Zero bytes give an empty text.
/// The encoding is detectEncoding()'s: UTF-16 of the byte order its mark gives
/// when the whole file reads as UTF-16, else UTF-8 when the file is valid
/// UTF-8, else Windows-1252, which accepts every byte. A byte-order mark is
/// kept as U+FEFF and NUL bytes as U+0000, so that both are written back.
DecodedDocument decodeDocumentFile(QByteArrayView bytes);

/// The bytes of a document file: the whole text followed by one CR LF, with
/// no byte-order mark added. Uses UTF-16 when `preferred` is one of its byte
/// orders, Windows-1252 when `preferred` asks for it and every character fits
/// (and the bytes would not read back as UTF-16), UTF-8 otherwise, so no
/// character is lost; the encoding actually used is stored in `*used` when given.
QByteArray encodeDocumentFile(QStringView text, TextEncoding preferred,
                              TextEncoding *used = nullptr);

} // namespace wimblet
