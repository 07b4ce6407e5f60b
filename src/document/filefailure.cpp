#include "document/filefailure.h"

#include <QDir>

#include <cstring>
#include <sys/stat.h>

namespace wimblet {

namespace {

FileResult failure(const QString &sentence, const QString &path, QString reason)
{
    reason = reason.trimmed();
    if (reason.isEmpty())
        reason = QStringLiteral("Unknown error");
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return {false, sentence.arg(QDir::toNativeSeparators(path), reason)};
}

} // namespace

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

FileResult openFailure(const QString &path, const QString &reason)
{
    return failure(QStringLiteral("Cannot open the file %1:\n%2"), path, reason);
}

FileResult saveFailure(const QString &path, const QString &reason)
{
    return failure(QStringLiteral("Cannot save the file %1:\n%2"), path, reason);
}

QString fileKindSentence(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("It is a folder.");
    if (S_ISFIFO(mode))
        return QStringLiteral("It is a named pipe.");
    if (S_ISCHR(mode))
        return QStringLiteral("It is a character device.");
    if (S_ISBLK(mode))
        return QStringLiteral("It is a block device.");
    if (S_ISSOCK(mode))
        return QStringLiteral("It is a socket.");
    return QStringLiteral("It is a special file.");
}

FileResult notAFileToOpen(const QString &path, mode_t mode)
{
    return openFailure(path, fileKindSentence(mode)
                                     + QStringLiteral(" Wimblet opens only ordinary files."));
}

FileResult notAFileToSave(const QString &path, mode_t mode)
{
    return saveFailure(path, fileKindSentence(mode)
                                     + QStringLiteral(" Wimblet only replaces ordinary files;"
                                                      " this one was left as it was."));
}

} // namespace wimblet
