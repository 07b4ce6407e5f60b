#pragma once
// Bytes handed out a chunk at a time, so that a file can be written without
// ever holding all of it.

#include <QByteArrayView>

#include <functional>

namespace wimblet {

/// Bytes handed to or taken from the disk at a time when a document is saved
/// or read.
inline constexpr qsizetype kDocumentChunkBytes = qsizetype(1) << 20;

/// Takes the next chunk of bytes; returns 0, or the system's error number to
/// stop the source.
using ByteSink = std::function<int(QByteArrayView)>;

/// Hands its bytes to the sink in order, from the first, and returns 0 or the
/// first nonzero the sink returned. Every call gives the same bytes, so a
/// writer may go through them more than once.
using ByteSource = std::function<int(const ByteSink &)>;

/// A source of bytes already in memory, as one chunk. `bytes` must outlive it.
inline ByteSource bytesInMemory(QByteArrayView bytes)
{
    return [bytes](const ByteSink &sink) {
        return bytes.isEmpty() ? 0 : sink(bytes);
    };
}

} // namespace wimblet
