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
/// Valid UTF-8 is decoded as UTF-8, keeping a byte-order mark as U+FEFF and
/// NUL bytes as U+0000 so that both are written back; anything else is
/// decoded as Windows-1252, which accepts every byte.
DecodedDocument decodeDocumentFile(QByteArrayView bytes);

/// The bytes of a document file: the whole text followed by one CR LF, with
/// no byte-order mark added. Uses Windows-1252 when `preferred` asks for it
/// and every character fits, UTF-8 otherwise, so no character is lost; the
/// encoding actually used is stored in `*used` when given.
QByteArray encodeDocumentFile(QStringView text, TextEncoding preferred,
                              TextEncoding *used = nullptr);

} // namespace wimblet
