#include "document/atomicreplace.h"

#include "document/newfilename.h"
#include "document/posixfile.h"

#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace wimblet {

namespace {

// Names are drawn at random; this many taken names in a row means something
// else is wrong.
constexpr int kNameAttempts = 100;

std::atomic<bool> namedFromStart{false};

QByteArray folderOf(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : target.left(slash);
}

// The new file beside the old one, and its name in the folder once it has
// one, removed again unless it took the old file's place.
struct NewFile {
    Descriptor folder; // a path only, which needs no right to read the folder
    Descriptor fd;
    QByteArray name;
    ~NewFile()
    {
        if (!name.isEmpty())
            ::unlinkat(folder.get(), name.constData(), 0);
    }
};

// A name that says who made the file, so that a later save can remove it
// should this process die before the file takes the old one's place. Where
// /proc does not tell, nothing could, and the name is only drawn at random.
QByteArray freshName(const std::optional<FileMaker> &maker)
{
    const quint64 random = QRandomGenerator::global()->generate64();
    return maker ? newFileName(*maker, random) : ".wimblet-" + QByteArray::number(random, 36);
}

// Calls `make` with fresh names until it returns 0, or an error other than
// EEXIST; on success `name` is the one it took.
template <typename Make>
int withFreeName(const Make &make, const std::optional<FileMaker> &maker, QByteArray &name)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        const QByteArray candidate = freshName(maker);
        if ((error = make(candidate)) == 0)
            name = candidate;
    }
    return error;
}

// The files earlier saves of this machine left here when killed go first, so
// that they neither pile up nor fill the disk this save needs.
int createNamed(NewFile &file, mode_t mode, const std::optional<FileMaker> &maker)
{
    if (maker)
        removeLeftovers(file.folder.get(), *maker);
    return withFreeName(
            [&file, mode](const QByteArray &name) {
                const int fd = ::openat(file.folder.get(), name.constData(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
                file.fd = Descriptor(fd);
                return fd >= 0 ? 0 : errno;
            },
            maker, file.name);
}

// While it is written the new file has no name, so a save killed half way
// leaves nothing behind; it is named once complete (nameNewFile()). Some file
// systems refuse O_TMPFILE (overlay ones on older kernels among them; kernels
// without it say EISDIR), and without /proc it could not be named: then it is
// named from the start, and a kill leaves it beside the old file until a
// later save here removes it (createNamed()).
// Only we may read it, since the old file may have been private; a brand new
// file starts with the mode the umask gives it.
int createNewFile(NewFile &file, bool replacing, const std::optional<FileMaker> &maker)
{
    const mode_t mode = replacing ? 0600 : 0666;
    if (!namedFromStart && ::access("/proc/self/fd", X_OK) == 0) {
        const int fd = ::openat(file.folder.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0) {
            file.fd = Descriptor(fd);
            return 0;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR)
            return errno;
    }
    return createNamed(file, mode, maker);
}

int nameNewFile(NewFile &file, const std::optional<FileMaker> &maker)
{
    if (!file.name.isEmpty())
        return 0;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.fd.get());
    return withFreeName(
            [&file, &self](const QByteArray &name) {
                const int linked = ::linkat(AT_FDCWD, self.constData(), file.folder.get(),
                                            name.constData(), AT_SYMLINK_FOLLOW);
                return linked == 0 ? 0 : errno;
            },
            maker, file.name);
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

int writeAndFlush(int fd, const ByteSource &source)
{
    // A full disk first shows as a short write; writing the rest then fails
    // with the reason.
    const int error = source([fd](QByteArrayView bytes) { return writeAll(fd, bytes); });
    if (error != 0)
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

} // namespace

void nameNewFilesFromStartForTesting(bool named)
{
    namedFromStart = named;
}

Replacement replaceAtomically(const QByteArray &target, QByteArrayView bytes,
                              const std::optional<struct stat> &old)
{
    return replaceAtomically(target, bytesInMemory(bytes), old);
}

Replacement replaceAtomically(const QByteArray &target, const ByteSource &source,
                              const std::optional<struct stat> &old)
{
    NewFile file;
    file.folder = Descriptor(::open(folderOf(target).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!file.folder.isOpen())
        return {Replacement::Stage::Create, errno};
    const std::optional<FileMaker> maker = thisProcess();
    if (const int error = createNewFile(file, old.has_value(), maker); error != 0)
        return {Replacement::Stage::Create, error};
    if (old)
        keepOwnerAndMode(file.fd.get(), *old);
    if (const int error = writeAndFlush(file.fd.get(), source); error != 0)
        return {Replacement::Stage::Write, error};
    if (const int error = nameNewFile(file, maker); error != 0)
        return {Replacement::Stage::Rename, error};
    // Some file systems report a failed write only when the file is closed.
    if (::close(file.fd.release()) != 0)
        return {Replacement::Stage::Write, errno};
    if (::renameat(file.folder.get(), file.name.constData(), AT_FDCWD, target.constData()) != 0)
        return {Replacement::Stage::Rename, errno};
    file.name.clear(); // it is the file now
    syncFolder(target);
    return {};
}

} // namespace wimblet
