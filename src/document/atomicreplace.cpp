#include "document/atomicreplace.h"

#include "document/posixfile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace wimblet {

namespace {

// Names are drawn at random; this many taken names in a row means something
// else is wrong.
constexpr int kNameAttempts = 100;

QByteArray folderOf(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : target.left(slash);
}

// A new file beside the old one. While it is written only we may read it,
// since the old file may have been private; a brand new file starts with the
// mode the umask gives it.
struct TemporaryFile {
    Descriptor fd;
    QByteArray name;
    int error = 0;
    ~TemporaryFile()
    {
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
};

void createBeside(const QByteArray &target, bool replacing, TemporaryFile &temp)
{
    const QByteArray folder = folderOf(target);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QByteArray name = folder + "/.wimblet-"
                + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              replacing ? 0600 : 0666);
        if (fd >= 0) {
            temp.fd = Descriptor(fd);
            temp.name = name;
            return;
        }
        if (errno != EEXIST)
            break;
    }
    temp.error = errno;
}

// Owner first, since changing it clears the set-user-ID bits.
void keepOwnerAndMode(int fd, const struct stat &old)
{
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the save itself still counts.
        }
    }
    ::fchmod(fd, old.st_mode & 07777);
}

// The rename is on the disk only once its folder is.
void syncFolder(const QByteArray &target)
{
    const Descriptor folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.isOpen())
        ::fsync(folder.get());
}

} // namespace

Replacement replaceAtomically(const QByteArray &target, QByteArrayView bytes,
                              const std::optional<struct stat> &old)
{
    return replaceAtomically(target, bytesInMemory(bytes), old);
}

Replacement replaceAtomically(const QByteArray &target, const ByteSource &source,
                              const std::optional<struct stat> &old)
{
    TemporaryFile temp;
    createBeside(target, old.has_value(), temp);
    if (!temp.fd.isOpen())
        return {Replacement::Stage::Create, temp.error};
    if (old)
        keepOwnerAndMode(temp.fd.get(), *old);
    // A full disk first shows as a short write; writing the rest then fails
    // with the reason.
    const int fd = temp.fd.get();
    int error = source([fd](QByteArrayView bytes) { return writeAll(fd, bytes); });
    if (error == 0 && ::fsync(temp.fd.get()) != 0)
        error = errno;
    // Some file systems report a failed write only when the file is closed.
    if (error == 0 && ::close(temp.fd.release()) != 0)
        error = errno;
    if (error != 0)
        return {Replacement::Stage::Write, error};
    if (::rename(temp.name.constData(), target.constData()) != 0)
        return {Replacement::Stage::Rename, errno};
    temp.name.clear(); // it is the file now
    syncFolder(target);
    return {};
}

} // namespace wimblet
