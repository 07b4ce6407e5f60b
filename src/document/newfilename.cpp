#include "document/newfilename.h"

#include "document/posixfile.h"

#include <QList>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace wimblet {

namespace {

constexpr char kPrefix[] = ".wimblet-";
constexpr qsizetype kHostMost = 32; // keeps the whole name far below 143 bytes (eCryptfs)
constexpr qsizetype kBootIdSize = 32;
// A save lists no more of a folder than this, so that one of very many files
// does not slow every save down; leftovers beyond it stay.
constexpr int kEntriesMost = 4096;
// Lines of /proc/PID/stat are a few hundred bytes.
constexpr qint64 kProcFileMost = 4096;

bool isBootId(QByteArrayView id)
{
    return id.size() == kBootIdSize && std::all_of(id.begin(), id.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

QByteArray smallProcFile(const QByteArray &path)
{
    const Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    return fd.isOpen() ? readToEnd(fd.get(), 0, kProcFileMost).bytes : QByteArray();
}

// The link reads "pid:[4026531836]"; processes of another pid namespace (a
// sandboxed copy of the program) count their ids apart from ours.
quint64 pidNamespace()
{
    char link[64] = {};
    const ssize_t size = ::readlink("/proc/self/ns/pid", link, sizeof link - 1);
    const QByteArrayView text(link, std::max<ssize_t>(size, 0));
    const qsizetype open = text.indexOf('[');
    if (open < 0 || !text.endsWith(']'))
        return 0;
    bool ok = false;
    const quint64 inode = text.sliced(open + 1, text.size() - open - 2).toULongLong(&ok);
    return ok ? inode : 0;
}

// The start time (field 22) in the text of a /proc/PID/stat file.
std::optional<quint64> startTimeOfStat(QByteArrayView statText)
{
    // The command name in parentheses may hold blanks and parentheses of its
    // own; after the last ')' come the fields from the third on.
    const qsizetype close = statText.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = statText.sliced(close + 1).toByteArray().simplified().split(' ');
    constexpr int kStartField = 22 - 3;
    if (fields.size() <= kStartField)
        return std::nullopt;
    bool ok = false;
    const quint64 start = fields[kStartField].toULongLong(&ok);
    return ok ? std::optional<quint64>(start) : std::nullopt;
}

// What cannot be read for sure counts as running: the file then stays.
bool processRuns(quint64 pid, quint64 startTime)
{
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/stat";
    const Descriptor fd(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isOpen())
        return errno != ENOENT && errno != ESRCH;
    const std::optional<quint64> start = startTimeOfStat(readToEnd(fd.get(), 0, kProcFileMost).bytes);
    return !start || *start == startTime; // another start time: the id was used again
}

std::optional<struct stat> entryStatIn(int folder, QByteArrayView name)
{
    struct stat st;
    if (::fstatat(folder, name.toByteArray().constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return st;
}

} // namespace

std::optional<FileMaker> thisProcess()
{
    FileMaker maker;
    maker.bootId = smallProcFile("/proc/sys/kernel/random/boot_id").trimmed().replace('-', "");
    const std::optional<quint64> start = startTimeOfStat(smallProcFile("/proc/self/stat"));
    if (!isBootId(maker.bootId) || !start)
        return std::nullopt;
    maker.startTime = *start;
    maker.pid = quint64(::getpid());
    maker.pidNamespace = pidNamespace();
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    maker.host = safeHostName(host);
    return maker;
}

QByteArray safeHostName(QByteArrayView hostName)
{
    QByteArray safe;
    for (const char c : hostName.first(std::min(hostName.size(), kHostMost))) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                          || c == '.' || c == '-';
        safe.append(kept ? c : '_');
    }
    return safe.isEmpty() ? QByteArrayLiteral("_") : safe;
}

QByteArray newFileName(const FileMaker &maker, quint64 random)
{
    return kPrefix + maker.host + '-' + maker.bootId + '-' + QByteArray::number(maker.pidNamespace) + '-'
           + QByteArray::number(maker.pid) + '-' + QByteArray::number(maker.startTime) + '-'
           + QByteArray::number(random, 36);
}

std::optional<FileMaker> makerOfName(QByteArrayView name)
{
    if (!name.startsWith(kPrefix))
        return std::nullopt;
    // Read from the right, since the host name may hold dashes.
    QByteArrayView rest = name.sliced(sizeof kPrefix - 1);
    QByteArrayView fields[5]; // boot id, pid namespace, pid, start time, random
    for (int i = 4; i >= 0; --i) {
        const qsizetype dash = rest.lastIndexOf('-');
        if (dash < 0)
            return std::nullopt;
        fields[i] = rest.sliced(dash + 1);
        rest = rest.first(dash);
    }
    FileMaker maker;
    maker.host = rest.toByteArray();
    maker.bootId = fields[0].toByteArray();
    bool ok[4] = {};
    maker.pidNamespace = fields[1].toULongLong(&ok[0]);
    maker.pid = fields[2].toULongLong(&ok[1]);
    maker.startTime = fields[3].toULongLong(&ok[2]);
    const quint64 random = fields[4].toULongLong(&ok[3], 36);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || maker.pid == 0
        || !isBootId(maker.bootId) || safeHostName(maker.host) != maker.host)
        return std::nullopt;
    // Each number has one spelling (no sign, leading zero, blank or capital):
    // the one newFileName() gives.
    if (newFileName(maker, random) != name)
        return std::nullopt;
    return maker;
}

bool isLeftover(QByteArrayView name, const FileMaker &self, uid_t user, const LeftoverQueries &ask)
{
    const std::optional<FileMaker> maker = makerOfName(name);
    // Another machine's process ids and start times mean nothing here.
    if (!maker || maker->host != self.host || maker->bootId != self.bootId
        || maker->pidNamespace != self.pidNamespace)
        return false;
    const std::optional<struct stat> st = ask.entryStat(name);
    if (!st || !S_ISREG(st->st_mode) || st->st_uid != user)
        return false;
    return !ask.processRuns(maker->pid, maker->startTime);
}

void removeLeftovers(int folder, const FileMaker &self)
{
    const int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0)
        return;
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::fdopendir(listed), ::closedir);
    if (!dir) {
        ::close(listed);
        return;
    }
    // Names are gathered first: what a folder lists while it changes is unsure.
    QList<QByteArray> names;
    for (int seen = 0; seen < kEntriesMost; ++seen) {
        const dirent *entry = ::readdir(dir.get());
        if (!entry)
            break;
        if (QByteArrayView(entry->d_name).startsWith(kPrefix))
            names.append(entry->d_name);
    }
    const int fd = ::dirfd(dir.get());
    const LeftoverQueries ask {[fd](QByteArrayView name) { return entryStatIn(fd, name); }, processRuns};
    const uid_t user = ::geteuid();
    for (const QByteArray &name : std::as_const(names)) {
        if (isLeftover(name, self, user, ask))
            ::unlinkat(fd, name.constData(), 0);
    }
}

} // namespace wimblet
