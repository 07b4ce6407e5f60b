#pragma once
// A small tmpfs mounted on a folder, for real read-only and full file systems.
// Only root may mount; mount() says why when it cannot.

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

class TmpfsMount
{
public:
    explicit TmpfsMount(const QString &folder) : m_folder(QFile::encodeName(folder)) {}
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    QString mount()
    {
        if (::geteuid() != 0)
            return QStringLiteral("mounting a small file system needs root");
        if (::mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=64k") != 0)
            return QStringLiteral("cannot mount tmpfs: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        m_mounted = true;
        return QString();
    }
    bool makeReadOnly()
    {
        return ::mount(nullptr, m_folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};
