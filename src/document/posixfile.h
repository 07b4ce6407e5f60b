#pragma once
// Files reached through their descriptors: opened without waiting on anything
// that is not an ordinary file, read to the end with a cap, written whole.

#include "document/bytesource.h"

#include <QByteArray>
#include <QByteArrayView>

#include <sys/types.h>

namespace wimblet {

/// Owns one open file descriptor and closes it.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept;
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor();

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    int release();

private:
    int m_fd = -1;
};

/// An ordinary file opened for reading or writing, or why it was not.
struct OpenedFile {
    Descriptor fd;
    int error = 0;     // the system's error number when the open failed
    mode_t mode = 0;   // the file's type and permission bits
    qint64 size = 0;   // as the system gives it; zero for most files under /proc
    bool isOrdinary() const;
};

/// Opens `name` (O_RDONLY or O_RDWR in `access`) without ever waiting: the type
/// is checked before the open, the open does not block, and the opened file is
/// checked again, so a pipe or device swapped in between is caught as well.
/// `fd` is open only for an ordinary file; for anything else `mode` says what
/// it is.
OpenedFile openOrdinaryFile(const QByteArray &name, int access);

/// What reading a file to its end gave.
struct ReadBytes {
    QByteArray bytes;
    int error = 0;           // the system's error number when a read failed
    bool overCap = false;    // the file held more than its size plus the cap
};

/// Reads `fd` from where it stands (for a new descriptor, the start) to its
/// end. `size` is what the system gave; up to `beyondSize` more bytes are
/// read, for files that give no size or that grow, and a file holding more
/// than that is not read whole (`overCap`). Throws std::bad_alloc when the
/// bytes do not fit in memory.
ReadBytes readToEnd(int fd, qint64 size, qint64 beyondSize);

/// How far an overwrite got.
struct Overwrite {
    int error = 0;      // the system's error number when it failed
    qint64 written = 0; // bytes written from the start of the file
};

/// Writes `bytes` from the start of `fd`, flushes them to the disk and cuts the
/// file to their length. Room is reserved first where the file system can, so
/// that a full disk shows before anything is overwritten.
Overwrite overwriteFromStart(int fd, QByteArrayView bytes);

/// As above, for the bytes `source` gives. It is gone through twice: once to
/// measure them, so that room can be reserved, and once to write them.
Overwrite overwriteFromStart(int fd, const ByteSource &source);

/// Undoes an overwrite that failed after writing `written` bytes: those bytes
/// of `old` go back, the file gets the length of `old` again and is flushed to
/// the disk. Returns 0 or the system's error number.
int restoreFromStart(int fd, QByteArrayView old, qint64 written);

/// Writes all of `bytes` at the descriptor's position; 0 or the error number.
int writeAll(int fd, QByteArrayView bytes);

} // namespace wimblet
