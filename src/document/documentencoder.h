#pragma once
// Document text handed out in pieces, encoded and saved a chunk at a time.

#include "document/bytesource.h"
#include "document/fileio.h"
#include "encoding/textencoding.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace wimblet {

/// Calls the sink with each piece of a document's text, in order. Every call
/// gives the same pieces.
using PieceSink = std::function<void(QStringView)>;
using PieceSource = std::function<void(const PieceSink &)>;

/// A PieceSource of one piece. `text` must outlive it.
PieceSource singlePiece(QStringView text);

/// Encodes a document given in pieces exactly as encodeDocumentFile() encodes
/// the whole text (with the same trailing byte), never holding more than about
/// a chunk of its bytes. The encoding is chosen when it is made; for
/// Windows-1252 that takes a quick look over every piece first, and then a
/// look at their bytes.
class DocumentEncoder
{
public:
    DocumentEncoder(PieceSource pieces, TextEncoding preferred,
                    qsizetype chunkBytes = kDocumentChunkBytes, int trailingByte = -1);

    /// The encoding the bytes are in.
    TextEncoding encoding() const { return m_encoding; }

    /// Hands the bytes to `sink` in chunks of about `chunkBytes` (at least one
    /// character's worth), from the first, and returns 0 or the sink's error.
    int write(const ByteSink &sink) const;

    /// write() as a ByteSource; the encoder must outlive it.
    ByteSource source() const;

private:
    PieceSource m_pieces;
    qsizetype m_chunkBytes;
    TextEncoding m_encoding;
    int m_trailingByte;
};

/// Saves the document given by `pieces` to `path` as writeFileFrom() saves
/// bytes, in the bytes encodeDocumentFile() would give for the whole text and
/// `trailingByte`. The encoding used is stored in `*used` when given.
FileResult writeDocumentPieces(const QString &path, const PieceSource &pieces, TextEncoding preferred,
                               TextEncoding *used = nullptr, qsizetype chunkBytes = kDocumentChunkBytes,
                               int trailingByte = -1);

} // namespace wimblet
