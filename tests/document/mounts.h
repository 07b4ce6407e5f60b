#pragma once
// Real mounts for tests: a small tmpfs on a folder, and one file bind-mounted
// over another. Only root may mount; mount() says why when it cannot.

#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

class TmpfsMount
{
public:
    explicit TmpfsMount(const QString &folder, const char *size = "64k")
        : m_folder(QFile::encodeName(folder)), m_options(QByteArray("size=") + size)
    {
    }
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
        if (::mount("tmpfs", m_folder.constData(), "tmpfs", 0, m_options.constData()) != 0)
            return QStringLiteral("cannot mount tmpfs: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        m_mounted = true;
        return QString();
    }
    bool makeReadOnly()
    {
        return ::mount(nullptr, m_folder.constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                       m_options.constData())
                == 0;
    }

private:
    QByteArray m_folder;
    QByteArray m_options;
    bool m_mounted = false;
};

class BindMount
{
public:
    BindMount(const QString &source, const QString &target)
        : m_source(QFile::encodeName(source)), m_target(QFile::encodeName(target))
    {
    }
    ~BindMount()
    {
        if (m_mounted)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    BindMount(const BindMount &) = delete;
    BindMount &operator=(const BindMount &) = delete;

    QString mount()
    {
        if (::geteuid() != 0)
            return QStringLiteral("bind-mounting a file needs root");
        if (::mount(m_source.constData(), m_target.constData(), nullptr, MS_BIND, nullptr) != 0)
            return QStringLiteral("cannot bind-mount a file here: %1")
                    .arg(QString::fromLocal8Bit(strerror(errno)));
        m_mounted = true;
        return QString();
    }

private:
    QByteArray m_source;
    QByteArray m_target;
    bool m_mounted = false;
};
