#pragma once
// The normal way a file is saved: a new file beside the old one takes its place
// in one rename, so the old file stays whole until the new one is on the disk.

#include "document/bytesource.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <sys/stat.h>

namespace wimblet {

/// Where a replacement stopped, with the system's error number.
struct Replacement {
    enum class Stage { Done, Create, Write, Rename };
    Stage stage = Stage::Done;
    int error = 0;
    bool ok() const { return stage == Stage::Done; }
};

/// Writes `bytes` to a new file in the folder of `target`, flushes it to the
/// disk and renames it over `target`. The new file has no name until it is
/// complete (O_TMPFILE, then linkat() to a hidden name beside `target`), so a
/// process killed while writing leaves nothing behind; where the file system
/// has no O_TMPFILE it is named from the start, and the files that killed
/// saves of this machine left in the folder are removed first (see
/// document/newfilename.h). When `old` describes the file
/// being replaced, the new one gets its owner (as far as our rights allow) and
/// mode; a new file gets the mode the umask leaves of 0666. On failure
/// `target` is untouched and the new file is removed again.
Replacement replaceAtomically(const QByteArray &target, QByteArrayView bytes,
                              const std::optional<struct stat> &old);

/// As above, writing the bytes `source` gives a chunk at a time.
Replacement replaceAtomically(const QByteArray &target, const ByteSource &source,
                              const std::optional<struct stat> &old);

/// For tests only, and called by nothing in the program: from now on new files
/// are named from the start, as on a file system without O_TMPFILE.
void nameNewFilesFromStartForTesting(bool named);

} // namespace wimblet
