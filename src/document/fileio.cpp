#include "document/fileio.h"

#include "document/filefailure.h"
#include "document/memoryroom.h"
#include "document/posixfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace wimblet {

namespace {

// The same limit as the kernel's, so a loop fails here as it would there.
constexpr int kMaxSymlinkDepth = 40;

// Files under /proc give no size and some never end (/proc/self/pagemap):
// such a file is read up to this much. A file that gives its size may grow by
// as much while it is read.
constexpr qint64 kReadBeyondSize = qint64(16) << 20;

QString dataSize(quint64 bytes, int precision = 1)
{
    const quint64 shown = std::min<quint64>(bytes, std::numeric_limits<qint64>::max());
    return QLocale().formattedDataSize(qint64(shown), precision,
                                       QLocale::DataSizeTraditionalFormat);
}

FileResult tooLargeToOpen(const QString &path, qint64 size, const MemoryRoom &room)
{
    return openFailure(path, QStringLiteral("It holds %1; opening it would take about %2 of"
                                            " memory, and only %3 is free.")
                                     .arg(dataSize(quint64(size)),
                                          dataSize(memoryToOpen(quint64(size))),
                                          dataSize(freeMemory(room).value_or(0))));
}

FileResult overCap(const QString &path, qint64 size)
{
    const QString cap = dataSize(quint64(kReadBeyondSize), 0);
    if (size == 0)
        return openFailure(path, QStringLiteral("It does not give its size and holds more than"
                                                " %1, the most Wimblet reads from such a file.")
                                         .arg(cap));
    return openFailure(path, QStringLiteral("It grew by more than %1 while it was being read.")
                                     .arg(cap));
}

// Follows `path` through any chain of symbolic links to the file they finally
// name, which need not exist yet. False when the chain does not end.
bool resolveSymlinks(const QString &path, QString &target)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink(); ++depth) {
        if (depth == kMaxSymlinkDepth)
            return false;
        info.setFile(info.symLinkTarget());
    }
    target = info.filePath();
    return true;
}

// The replacement is a new file: give it the old one's owner and mode, as
// far as the file system and our rights allow. Owner first, since changing
// it clears the set-user-ID bits.
void keepOwnerAndMode(int fd, const QString &oldFile)
{
    struct stat old;
    if (fd < 0 || ::stat(QFile::encodeName(oldFile).constData(), &old) != 0)
        return;
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the save itself still counts.
        }
    }
    ::fchmod(fd, old.st_mode & 07777);
}

} // namespace

FileResult readWholeFile(const QString &path, QByteArray &bytes)
{
    const OpenedFile file = openOrdinaryFile(QFile::encodeName(path), O_RDONLY);
    if (file.error != 0)
        return openFailure(path, systemReason(file.error));
    if (!file.isOrdinary())
        return notAFileToOpen(path, file.mode);
    const MemoryRoom room = currentMemoryRoom();
    if (!fileFitsInMemory(quint64(file.size), room))
        return tooLargeToOpen(path, file.size, room);
    ReadBytes read = readToEnd(file.fd.get(), file.size, kReadBeyondSize);
    if (read.error != 0)
        return openFailure(path, systemReason(read.error));
    if (read.overCap)
        return overCap(path, file.size);
    bytes = std::move(read.bytes);
    return {true, QString()};
}

FileResult writeWholeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QString target;
    if (!resolveSymlinks(path, target))
        return saveFailure(path, systemReason(ELOOP));
    if (QFileInfo(target).isDir())
        return saveFailure(path, QStringLiteral("It is a folder."));

    // A file we may not write (or a read-only file system) is refused here
    // with the system's reason rather than QSaveFile's generic one.
    if (QFileInfo::exists(target) && ::access(QFile::encodeName(target).constData(), W_OK) != 0)
        return saveFailure(path, systemReason(errno));

    // Never falls back to writing over the old file in place. Unbuffered, so
    // that every write reaches the file system here and its errors with it.
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return saveFailure(path, file.errorString());
    keepOwnerAndMode(file.handle(), target);
    // A full disk first shows as a short write without an error; writing the
    // rest then fails with the reason. Until commit() the old file is
    // untouched, and QSaveFile removes its temporary file when not committed.
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return saveFailure(path, file.errorString());
        done += written;
    }
    if (!file.commit())
        return saveFailure(path, file.errorString());
    return {true, QString()};
}

QString notEnoughMemoryToOpen(const QString &path)
{
    return openFailure(path, QStringLiteral("There is not enough memory to open it. Nothing in"
                                            " the window was changed."))
            .error;
}

} // namespace wimblet
