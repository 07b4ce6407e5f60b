#pragma once
// Document files read a chunk at a time, so that their bytes and their text
// are never both held whole.

#include "document/bytesource.h"
#include "document/documentfile.h"
#include "document/fileio.h"

#include <QString>

namespace wimblet {

/// Reads the document file at `path` into `out`: the same text and encoding
/// decodeDocumentFile() gives for the bytes readWholeFile() reads, refused and
/// failing for the same reasons with the same messages, and with "not enough
/// memory" (notEnoughMemoryToOpen()) when memory runs out all the same. The
/// file is read twice in chunks of `chunkBytes`: once to settle its encoding
/// and the length of its text, once to decode it into text allocated once.
/// Files that give no size, and files that change between the two readings,
/// are read whole instead; `*readWhole`, when given, tells whether it was.
/// `out` is left untouched on failure.
FileResult readDocumentFile(const QString &path, DecodedDocument &out,
                            qsizetype chunkBytes = kDocumentChunkBytes, bool *readWhole = nullptr);

} // namespace wimblet
