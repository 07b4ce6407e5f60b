#pragma once
// Whole files read and written safely, with errors the user can read.

#include "document/bytesource.h"
#include "document/memoryroom.h"

#include <QByteArray>
#include <QString>

namespace wimblet {

/// Outcome of a file operation. When `ok` is false, `error` is a sentence for
/// the user that names the file and gives the system's reason.
struct FileResult {
    bool ok;
    QString error;
};

/// Reads the whole file at `path` into `bytes`. Only an ordinary file is read:
/// a folder, named pipe, device or socket is refused without waiting on it, as
/// is a missing file, one that may not be read, one whose least need is too
/// large for the memory left (see memoryroom.h) and one that gives no size and holds more than the
/// most read from such a file. `bytes` is left untouched on failure. Throws
/// std::bad_alloc when memory runs out all the same.
FileResult readWholeFile(const QString &path, QByteArray &bytes);

/// Saves `bytes` as the file at `path`. Normally the bytes go to a new file in
/// the same folder, are flushed to disk and only then take the old file's
/// place, keeping its owner and permission bits; a hard link to the old file
/// keeps the old content. Only when no new file may be made in the folder, or
/// the file cannot be renamed over (it is mounted on its own), is the old file
/// overwritten in place, with its old bytes put back should that fail. When
/// `path` is a symbolic link (or a chain of them) the file it finally points
/// to is written and the links stay. A target that exists and is not an
/// ordinary file is refused. On failure the old file keeps its content and no
/// temporary file is left behind.
FileResult writeWholeFile(const QString &path, const QByteArray &bytes);

/// As writeWholeFile(), for the bytes `source` gives a chunk at a time; they
/// are never all held at once, except that writing in place keeps the old
/// file's bytes.
FileResult writeFileFrom(const QString &path, const ByteSource &source);

struct OpenedFile;

/// Opens `path` for reading as readWholeFile() does, with all its checks made
/// before a byte is read: an ordinary file only, not waited on, and one whose
/// least need (leastMemoryToOpen()) fits in the memory left.
FileResult openFileToRead(const QString &path, OpenedFile &file);

/// Whether the text of the file at `path`, of `size` bytes, whose bytes have been
/// read and whose text has the `shape` they tell, fits in the memory left now;
/// refused, saying what it would take, when it does not.
FileResult checkRoomToOpen(const QString &path, qint64 size, TextShape shape);

/// Reads the rest of `file`, opened by openFileToRead(), into `bytes` as
/// readWholeFile() does, with the same cap for files that give no size or
/// grow. Throws std::bad_alloc when memory runs out.
FileResult readRestOfFile(const QString &path, const OpenedFile &file, QByteArray &bytes);

/// The most a file may hold beyond the size it gave when opened.
qint64 readBeyondSize();

/// The refusal of a file that held more than `size` plus readBeyondSize().
FileResult grewBeyondCap(const QString &path, qint64 size);

/// The message for a file that could not be opened for want of memory.
QString notEnoughMemoryToOpen(const QString &path);

} // namespace wimblet
