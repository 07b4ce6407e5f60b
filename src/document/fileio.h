#pragma once
// Whole files read and written safely, with errors the user can read.

#include <QByteArray>
#include <QString>

namespace wimblet {

/// Outcome of a file operation. When `ok` is false, `error` is a sentence for
/// the user that names the file and gives the system's reason.
struct FileResult {
    bool ok;
    QString error;
};

/// Reads the whole file at `path` into `bytes`. A folder, a missing file or a
/// file that may not be read fails; `bytes` is left untouched then.
FileResult readWholeFile(const QString &path, QByteArray &bytes);

/// Replaces the file at `path` with `bytes` atomically: the bytes go to a
/// temporary file in the same folder, are flushed to disk and only then take
/// the old file's place, which keeps its permission bits. When `path` is a
/// symbolic link (or a chain of them) the file it finally points to is
/// written and the links stay. On failure the old file is untouched and no
/// temporary file is left behind.
FileResult writeWholeFileAtomically(const QString &path, const QByteArray &bytes);

} // namespace wimblet
