#pragma once
// The fallback for a file that cannot be replaced: its own bytes are
// overwritten, with the old ones kept in memory to be put back on failure.

#include "document/bytesource.h"
#include "document/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace wimblet {

/// Why a file is written in place rather than replaced.
enum class InPlaceCause {
    FolderNotWritable, // no new file may be made beside it
    NotReplaceable,    // it cannot be renamed over (a file mounted on its own)
};

/// Overwrites the ordinary file `target` with `bytes`: its old content is read
/// into memory first, room for the new one is reserved, the new bytes are
/// written, flushed to the disk and the file cut to their length. On any
/// failure the old bytes are written back and flushed, and the message (naming
/// `shownPath`) says whether that worked. A process killed while it writes
/// cannot put them back: the file is then part new, part old.
FileResult writeInPlace(const QString &shownPath, const QByteArray &target,
                        QByteArrayView bytes, InPlaceCause cause);

/// As above, writing the bytes `source` gives (see overwriteFromStart()).
FileResult writeInPlace(const QString &shownPath, const QByteArray &target,
                        const ByteSource &source, InPlaceCause cause);

} // namespace wimblet
