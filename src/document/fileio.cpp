#include "document/fileio.h"

#include "document/atomicreplace.h"
#include "document/filefailure.h"
#include "document/inplacewrite.h"
#include "document/memoryroom.h"
#include "document/posixfile.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <fcntl.h>
#include <optional>
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
    return memorySizeText(bytes, precision);
}

// `least` before the file is read, when only its size is known.
FileResult tooLargeToOpen(const QString &path, qint64 size, quint64 need, bool least,
                          const MemoryRoom &room)
{
    return openFailure(path, QStringLiteral("It holds %1; opening it would take %2 %3 of"
                                            " memory, and only %4 is free.")
                                     .arg(dataSize(quint64(size)),
                                          least ? QStringLiteral("at least")
                                                : QStringLiteral("about"),
                                          dataSize(need),
                                          dataSize(freeMemory(room).value_or(0))));
}

FileResult tooLongToOpen(const QString &path, qint64 size, quint64 most)
{
    return openFailure(path, QStringLiteral("It holds %1; Wimblet opens files of up to %2 in"
                                            " this encoding.")
                                     .arg(dataSize(quint64(size)), dataSize(most)));
}

// Whether the file starts with a UTF-16 or UTF-32 byte order mark: its text then
// takes a unit for two bytes or more, not one for each.
bool startsWide(int fd)
{
    unsigned char head[4] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    if (got >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF)))
        return true;
    return got == 4 && head[0] == 0 && head[1] == 0 && head[2] == 0xFE && head[3] == 0xFF;
}

} // namespace

FileResult grewBeyondCap(const QString &path, qint64 size)
{
    const QString cap = dataSize(quint64(kReadBeyondSize), 0);
    if (size == 0)
        return openFailure(path, QStringLiteral("It does not give its size and holds more than"
                                                " %1, the most Wimblet reads from such a file.")
                                         .arg(cap));
    return openFailure(path, QStringLiteral("It grew by more than %1 while it was being read.")
                                     .arg(cap));
}

namespace {

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

// Only these two failures of the normal save leave a way to save at all.
std::optional<InPlaceCause> inPlaceCause(const Replacement &replacement)
{
    if (replacement.stage == Replacement::Stage::Create && replacement.error == EACCES)
        return InPlaceCause::FolderNotWritable;
    if (replacement.stage == Replacement::Stage::Rename && replacement.error == EBUSY)
        return InPlaceCause::NotReplaceable;
    return std::nullopt;
}

} // namespace

FileResult openFileToRead(const QString &path, OpenedFile &file)
{
    file = openOrdinaryFile(QFile::encodeName(path), O_RDONLY);
    if (file.error != 0)
        return openFailure(path, systemReason(file.error));
    if (!file.isOrdinary())
        return notAFileToOpen(path, file.mode);
    const bool wide = startsWide(file.fd.get());
    const quint64 most = wide ? 2 * kMostTextUnits : kMostTextUnits;
    if (quint64(file.size) > most)
        return tooLongToOpen(path, file.size, most);
    // Its lines and encoding are known only once it is read (checkRoomToOpen());
    // a file too large for its least need is refused before that.
    const MemoryRoom room = currentMemoryRoom();
    const quint64 least = leastMemoryToOpen(quint64(file.size), wide);
    if (!fitsInMemory(least, room))
        return tooLargeToOpen(path, file.size, least, true, room);
    return {true, QString()};
}

FileResult checkRoomToOpen(const QString &path, qint64 size, TextShape shape)
{
    // Taken now, the room counts all the reading holds so far.
    const MemoryRoom room = currentMemoryRoom();
    const quint64 need = memoryToOpen(shape);
    if (!fitsInMemory(need, room))
        return tooLargeToOpen(path, size, need, false, room);
    return {true, QString()};
}

FileResult readRestOfFile(const QString &path, const OpenedFile &file, QByteArray &bytes)
{
    ReadBytes read = readToEnd(file.fd.get(), file.size, kReadBeyondSize);
    if (read.error != 0)
        return openFailure(path, systemReason(read.error));
    if (read.overCap)
        return grewBeyondCap(path, file.size);
    bytes = std::move(read.bytes);
    return {true, QString()};
}

FileResult readWholeFile(const QString &path, QByteArray &bytes)
{
    OpenedFile file;
    const FileResult opened = openFileToRead(path, file);
    if (!opened.ok)
        return opened;
    return readRestOfFile(path, file, bytes);
}

qint64 readBeyondSize()
{
    return kReadBeyondSize;
}

FileResult writeWholeFile(const QString &path, const QByteArray &bytes)
{
    return writeFileFrom(path, bytesInMemory(bytes));
}

FileResult writeFileFrom(const QString &path, const ByteSource &source)
{
    QString resolved;
    if (!resolveSymlinks(path, resolved))
        return saveFailure(path, systemReason(ELOOP));
    const QByteArray target = QFile::encodeName(resolved);
    std::optional<struct stat> old;
    if (struct stat st; ::stat(target.constData(), &st) == 0)
        old = st;
    if (old && !S_ISREG(old->st_mode))
        return notAFileToSave(path, old->st_mode);
    // A file we may not write (or a read-only file system) is refused here
    // with the system's reason before anything is made beside it.
    if (old && ::access(target.constData(), W_OK) != 0)
        return saveFailure(path, systemReason(errno));

    const Replacement replaced = replaceAtomically(target, source, old);
    if (replaced.ok())
        return {true, QString()};
    if (const std::optional<InPlaceCause> cause = inPlaceCause(replaced); cause && old)
        return writeInPlace(path, target, source, *cause);
    return saveFailure(path, systemReason(replaced.error));
}

QString notEnoughMemoryToOpen(const QString &path)
{
    return openFailure(path, QStringLiteral("There is not enough memory to open it. Nothing in"
                                            " the window was changed."))
            .error;
}

} // namespace wimblet
