#include "document/posixfile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wimblet {

namespace {

// A file that gives no size is read into a buffer that starts this large and
// doubles.
constexpr qint64 kChunk = qint64(64) << 10;

int clearNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return errno;
    return 0;
}

// Writes the source's bytes from the start of the file; stops at the first error.
Overwrite writeAllAt(int fd, const ByteSource &source)
{
    Overwrite result;
    result.error = source([&](QByteArrayView bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t written = ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done),
                                             result.written);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return errno;
            done += written;
            result.written += written;
        }
        return 0;
    });
    return result;
}

} // namespace

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int Descriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

bool OpenedFile::isOrdinary() const
{
    return S_ISREG(mode);
}

OpenedFile openOrdinaryFile(const QByteArray &name, int access)
{
    OpenedFile opened;
    struct stat st;
    // stat() never opens, so a pipe or a device is refused without touching it.
    if (::stat(name.constData(), &st) != 0) {
        opened.error = errno;
        return opened;
    }
    opened.mode = st.st_mode;
    if (!S_ISREG(st.st_mode))
        return opened;
    // O_NONBLOCK: should a pipe take the file's place before this open, the
    // open returns at once instead of waiting for a writer.
    Descriptor fd(::open(name.constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.isOpen() || ::fstat(fd.get(), &st) != 0) {
        opened.error = errno;
        return opened;
    }
    opened.mode = st.st_mode;
    opened.size = st.st_size;
    if (!S_ISREG(st.st_mode))
        return opened;
    opened.error = clearNonBlocking(fd.get());
    if (opened.error == 0)
        opened.fd = std::move(fd);
    return opened;
}

ReadBytes readToEnd(int fd, qint64 size, qint64 beyondSize)
{
    ReadBytes result;
    const qint64 cap = size + beyondSize;
    // A chunk to spare, so that the end of a file of the given size is seen
    // without growing the buffer, and one beyond the cap, to see that there is
    // more. Whole chunks, since some files under /proc are read only in
    // multiples of eight bytes.
    const qint64 most = cap + kChunk;
    QByteArray data(std::min(size + kChunk, most), Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        if (done == data.size()) {
            if (done > cap)
                break;
            data.resize(std::min(done * 2, most));
        }
        const ssize_t got = ::read(fd, data.data() + done, size_t(data.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.error = errno;
            return result;
        }
        if (got == 0)
            break;
        done += got;
    }
    if (done > cap) {
        result.overCap = true;
        return result;
    }
    data.truncate(done);
    result.bytes = std::move(data);
    return result;
}

Overwrite overwriteFromStart(int fd, QByteArrayView bytes)
{
    return overwriteFromStart(fd, bytesInMemory(bytes));
}

Overwrite overwriteFromStart(int fd, const ByteSource &source)
{
    qint64 size = 0;
    source([&size](QByteArrayView bytes) {
        size += bytes.size();
        return 0;
    });
    if (size > 0) {
        const int reserved = ::posix_fallocate(fd, 0, off_t(size));
        if (reserved != 0 && reserved != EOPNOTSUPP)
            return {reserved, 0};
    }
    Overwrite result = writeAllAt(fd, source);
    if (result.error == 0
        && (::fsync(fd) != 0 || ::ftruncate(fd, off_t(size)) != 0 || ::fsync(fd) != 0))
        result.error = errno;
    return result;
}

int restoreFromStart(int fd, QByteArrayView old, qint64 written)
{
    // Only what was overwritten goes back; the rest was never touched.
    const Overwrite rewritten =
            writeAllAt(fd, bytesInMemory(old.first(std::min<qint64>(written, old.size()))));
    if (rewritten.error != 0)
        return rewritten.error;
    if (::ftruncate(fd, off_t(old.size())) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

int writeAll(int fd, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        done += written;
    }
    return 0;
}

} // namespace wimblet
