#pragma once
// The hidden name a save's new file has beside the old one says who made it:
// the machine (host name and boot) and the process (its pid namespace, id and
// start time). Where the new file is named from the start, a save killed half
// way leaves it behind; a later save tells such leftovers of a dead process on
// this machine from the file of a save still running, or of another machine
// sharing the folder, and removes only the former.

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/types.h>

namespace wimblet {

/// Who makes a new file.
struct FileMaker
{
    QByteArray host; // the host name made safe for a file name
    QByteArray bootId; // the boot's id: 32 lowercase hex digits
    quint64 pidNamespace = 0; // the inode of the pid namespace, 0 when unknown
    quint64 pid = 0;
    quint64 startTime = 0; // clock ticks from boot to the process's start

    bool operator==(const FileMaker &other) const
    {
        return host == other.host && bootId == other.bootId && pidNamespace == other.pidNamespace
               && pid == other.pid && startTime == other.startTime;
    }
};

/// This process, or nothing where /proc does not tell its boot or start time.
std::optional<FileMaker> thisProcess();

/// `hostName` with only [A-Za-z0-9.-] kept (any other byte becomes '_'), cut to
/// 32 bytes; "_" for an empty name.
QByteArray safeHostName(QByteArrayView hostName);

/// ".wimblet-HOST-BOOTID-PIDNS-PID-START-RANDOM", the numbers in decimal and
/// RANDOM in lowercase base 36.
QByteArray newFileName(const FileMaker &maker, quint64 random);

/// The maker a name tells when it has exactly the form newFileName() gives;
/// nothing for any other name.
std::optional<FileMaker> makerOfName(QByteArrayView name);

/// What a leftover check asks of the system, only once a name is found to be
/// this machine's: a folder entry's lstat() (nothing when it cannot be had),
/// and whether the process of that id and start time runs.
struct LeftoverQueries
{
    std::function<std::optional<struct stat>(QByteArrayView name)> entryStat;
    std::function<bool(quint64 pid, quint64 startTime)> processRuns;
};

/// Whether the folder entry `name` is a file a dead process of this machine
/// left behind: named by a maker of `self`'s host, boot and pid namespace,
/// a regular file (not a link to one) that `user` owns, and its maker's
/// process (that id with that start time) no longer runs.
bool isLeftover(QByteArrayView name, const FileMaker &self, uid_t user, const LeftoverQueries &ask);

/// Removes the leftovers of `self`'s machine among the first few thousand
/// entries of `folder` (a descriptor, O_PATH is enough). Failures are ignored.
void removeLeftovers(int folder, const FileMaker &self);

} // namespace wimblet
