#include "document/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace wimblet {

namespace {

// The same limit as the kernel's, so a loop fails here as it would there.
constexpr int kMaxSymlinkDepth = 40;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString folderReason()
{
    return QStringLiteral("It is a folder.");
}

FileResult failure(const QString &sentence, const QString &path, QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("Unknown error");
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return {false, sentence.arg(QDir::toNativeSeparators(path), reason)};
}

FileResult openFailure(const QString &path, const QString &reason)
{
    return failure(QStringLiteral("Cannot open the file %1:\n%2"), path, reason);
}

FileResult saveFailure(const QString &path, const QString &reason)
{
    return failure(QStringLiteral("Cannot save the file %1:\n%2"), path, reason);
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
    if (QFileInfo(path).isDir())
        return openFailure(path, folderReason());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return openFailure(path, file.errorString());
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return openFailure(path, file.errorString());
    bytes = std::move(data);
    return {true, QString()};
}

FileResult writeWholeFileAtomically(const QString &path, const QByteArray &bytes)
{
    QString target;
    if (!resolveSymlinks(path, target))
        return saveFailure(path, systemReason(ELOOP));
    if (QFileInfo(target).isDir())
        return saveFailure(path, folderReason());

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

} // namespace wimblet
