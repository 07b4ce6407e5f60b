#pragma once
// The sentences file operations fail with: each names the file and says why.

#include "document/fileio.h"

#include <QString>

#include <sys/types.h>

namespace wimblet {

/// The system's text for an error number, e.g. "No such file or directory".
QString systemReason(int error);

/// "Cannot open the file PATH:" and the reason, ending in a full stop.
FileResult openFailure(const QString &path, const QString &reason);
/// "Cannot save the file PATH:" and the reason, ending in a full stop.
FileResult saveFailure(const QString &path, const QString &reason);

/// "It is a named pipe." and the like for a file type that is not an ordinary
/// file, from the type bits of `st_mode`.
QString fileKindSentence(mode_t mode);

/// Opening a folder, pipe, device or socket is refused with these.
FileResult notAFileToOpen(const QString &path, mode_t mode);
FileResult notAFileToSave(const QString &path, mode_t mode);

} // namespace wimblet
