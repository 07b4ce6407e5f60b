#include "document/inplacewrite.h"

#include "document/filefailure.h"
#include "document/posixfile.h"

#include <fcntl.h>
#include <new>

namespace wimblet {

namespace {

// The old content is read whole; it may have grown since it was looked at,
// by at most this much.
constexpr qint64 kOldContentGrowth = qint64(16) << 20;

QString causeSentence(InPlaceCause cause)
{
    switch (cause) {
    case InPlaceCause::FolderNotWritable:
        return QStringLiteral("No new file may be made in its folder, so Wimblet wrote into"
                              " the file itself");
    case InPlaceCause::NotReplaceable:
        return QStringLiteral("The file cannot be replaced (it is mounted on its own), so"
                              " Wimblet wrote into the file itself");
    }
    return QString();
}

FileResult writeFailed(const QString &shownPath, int error, InPlaceCause cause, int restoreError)
{
    QString reason = systemReason(error) + QStringLiteral(".\n") + causeSentence(cause);
    if (restoreError == 0)
        reason += QStringLiteral("; its old content has been put back.");
    else
        reason += QStringLiteral("; putting its old content back failed too (%1), so the file"
                                 " may be damaged. Save the text to another file.")
                          .arg(systemReason(restoreError));
    return saveFailure(shownPath, reason);
}

} // namespace

FileResult writeInPlace(const QString &shownPath, const QByteArray &target,
                        QByteArrayView bytes, InPlaceCause cause)
{
    return writeInPlace(shownPath, target, bytesInMemory(bytes), cause);
}

FileResult writeInPlace(const QString &shownPath, const QByteArray &target,
                        const ByteSource &source, InPlaceCause cause)
{
    const OpenedFile file = openOrdinaryFile(target, O_RDWR);
    if (file.error != 0)
        return saveFailure(shownPath, systemReason(file.error));
    if (!file.isOrdinary())
        return notAFileToSave(shownPath, file.mode);
    ReadBytes old;
    try {
        old = readToEnd(file.fd.get(), file.size, kOldContentGrowth);
    } catch (const std::bad_alloc &) {
        return saveFailure(shownPath, QStringLiteral("There is not enough memory to keep a copy"
                                                     " of its old content while it is rewritten."
                                                     " It was left as it was."));
    }
    if (old.error != 0)
        return saveFailure(shownPath, systemReason(old.error));
    if (old.overCap)
        return saveFailure(shownPath, QStringLiteral("It grew while its old content was being"
                                                     " read. It was left as it was."));
    const Overwrite overwrite = overwriteFromStart(file.fd.get(), source);
    if (overwrite.error == 0)
        return {true, QString()};
    return writeFailed(shownPath, overwrite.error, cause,
                       restoreFromStart(file.fd.get(), old.bytes, overwrite.written));
}

} // namespace wimblet
