#pragma once
// Document files read a chunk at a time, so that their bytes and their text
// are never both held whole.

#include "document/bytesource.h"
#include "document/documentfile.h"
#include "document/fileio.h"

#include <QString>

#include <functional>

namespace wimblet {

/// How readDocumentFile() goes about a file; tests choose the chunk size and
/// change the file between the readings.
struct DocumentReading
{
    qsizetype chunkBytes = kDocumentChunkBytes;
    /// Run between the two readings, when set.
    std::function<void()> betweenReadings;
    /// Set to whether the file was read whole after all.
    bool readWhole = false;
};

/// Reads the document file at `path` into `out`: the same text and encoding
/// decodeDocumentFile() gives for the bytes readWholeFile() reads, refused and
/// failing for the same reasons with the same messages, and with "not enough
/// memory" (notEnoughMemoryToOpen()) when memory runs out all the same. The
/// file is read twice in chunks of 1 MiB: once to settle its encoding, the
/// length of its text and its line breaks, which must fit in the memory left
/// (checkRoomToOpen()), once to decode it into text allocated once. Files that
/// give no size, and files seen to change between the two readings, are read
/// whole instead. `out` is left untouched on failure.
FileResult readDocumentFile(const QString &path, DecodedDocument &out);

/// As above, read the way `reading` says, which learns whether it was whole.
FileResult readDocumentFile(const QString &path, DecodedDocument &out, DocumentReading &reading);

} // namespace wimblet
