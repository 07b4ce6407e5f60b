#pragma once
// The document file format: how a file's bytes become the text box's text and back.

#include "encoding/encodingdetector.h"
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
/// The encoding is detectEncoding()'s: UTF-32 when the whole file is valid
/// UTF-32 with its mark, else UTF-16 of the byte order its mark gives, however
/// damaged, else UTF-8 (stray bytes as stand-ins) when readsAsUtf8(), else
/// Windows-1252, which accepts every byte. In UTF-16 and UTF-32 the line rules
/// apply to code units, and an odd last byte of UTF-16 is kept aside in
/// `trailingByte`. A byte-order mark is kept as U+FEFF and NUL bytes as U+0000,
/// so that both are written back.
DecodedDocument decodeDocumentFile(QByteArrayView bytes);

/// The bytes of a document file: the whole text followed by one CR LF, with
/// no byte-order mark added, and then `trailingByte` when the file is written
/// in UTF-16 and it is not -1. Uses UTF-16 or UTF-32 when `preferred` is one of
/// them, Windows-1252 when `preferred` asks for it, every character fits and
/// the bytes read back as the same text (see windows1252ReadsBack()), UTF-8
/// otherwise, so no character is lost; the encoding actually used is stored in
/// `*used` when given.
QByteArray encodeDocumentFile(QStringView text, TextEncoding preferred,
                              TextEncoding *used = nullptr, int trailingByte = -1);

} // namespace wimblet
