#include "filter/filterio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace wimblet::filter {

namespace {

std::string why(int error)
{
    return std::strerror(error);
}

std::string spoolFolder()
{
    const char *folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

// A file in `folder` that no name leads to: O_TMPFILE where the file system has it, else
// a named one unlinked at once.
int anonymousFile(const std::string &folder)
{
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd;
    std::string path = folder + "/wimblet-convert.XXXXXX";
    fd = ::mkstemp(path.data());
    if (fd >= 0)
        ::unlink(path.c_str());
    return fd;
}

} // namespace

ByteSource ByteSource::open(bool standardInput, const std::string &path)
{
    if (standardInput)
        return ByteSource(STDIN_FILENO, false, "standard input");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FilterError("cannot read '" + path + "': " + why(errno));
    return ByteSource(fd, true, "'" + path + "'");
}

ByteSource::ByteSource(int fd, bool owned, std::string name)
    : m_fd(fd), m_owned(owned), m_name(std::move(name))
{
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        m_seekable = at >= 0;
        m_position = at >= 0 ? at : 0;
    }
}

ByteSource::ByteSource(ByteSource &&other) noexcept
    : m_fd(other.m_fd), m_owned(other.m_owned), m_seekable(other.m_seekable),
      m_position(other.m_position), m_name(std::move(other.m_name))
{
    other.m_owned = false;
}

ByteSource::~ByteSource()
{
    if (m_owned)
        ::close(m_fd);
}

qsizetype ByteSource::read(char *buffer, qsizetype size)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, std::size_t(size));
        if (got >= 0) {
            m_position += got;
            return qsizetype(got);
        }
        if (errno != EINTR)
            throw FilterError("cannot read " + m_name + ": " + why(errno));
    }
}

void ByteSource::seek(off_t offset)
{
    if (::lseek(m_fd, offset, SEEK_SET) < 0)
        throw FilterError("cannot read " + m_name + " again: " + why(errno));
    m_position = offset;
}

ByteSource createSpool()
{
    const std::string folder = spoolFolder();
    const int fd = anonymousFile(folder);
    if (fd < 0) {
        throw FilterError("cannot keep standard input in a temporary file in " + folder + ": "
                          + why(errno));
    }
    return ByteSource(fd, true, "the temporary copy of standard input");
}

void appendToSpool(ByteSource &spool, QByteArrayView bytes)
{
    const char *p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(spool.fd(), p, std::size_t(left));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            throw FilterError("cannot keep standard input in a temporary file in "
                              + spoolFolder() + ": " + why(errno));
        }
        p += put;
        left -= put;
    }
}

void writeOutput(QByteArrayView bytes)
{
    const char *p = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(STDOUT_FILENO, p, std::size_t(left));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            throw FilterError("cannot write the output: " + why(errno)
                              + "; the output is incomplete");
        }
        p += put;
        left -= put;
    }
}

} // namespace wimblet::filter
