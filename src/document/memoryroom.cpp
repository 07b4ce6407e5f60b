#include "document/memoryroom.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <sys/resource.h>

namespace wimblet {

namespace {

constexpr quint64 kMax = std::numeric_limits<quint64>::max();

QByteArray procText(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::optional<quint64> freeMemory(const MemoryRoom &room)
{
    std::optional<quint64> free;
    if (room.addressSpaceLimit) {
        const quint64 limit = *room.addressSpaceLimit;
        free = limit > room.addressSpaceInUse ? limit - room.addressSpaceInUse : 0;
    }
    if (room.memoryAvailable) {
        const quint64 memory = *room.memoryAvailable;
        const quint64 total = room.swapFree > kMax - memory ? kMax : memory + room.swapFree;
        free = free ? std::min(*free, total) : total;
    }
    return free;
}

quint64 memoryToOpen(quint64 fileSize, bool wide)
{
    const quint64 perByte = wide ? kMemoryPerUtf16FileByte : kMemoryPerFileByte;
    return fileSize > kMax / perByte ? kMax : fileSize * perByte;
}

bool fileFitsInMemory(quint64 fileSize, const MemoryRoom &room, bool wide)
{
    const std::optional<quint64> free = freeMemory(room);
    return !free || memoryToOpen(fileSize, wide) <= *free;
}

std::optional<quint64> procSizeField(QByteArrayView text, QByteArrayView name)
{
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QByteArrayView line = text.sliced(start, end - start);
        start = end + 1;
        if (!line.startsWith(name) || line.sliced(name.size()).indexOf(':') != 0)
            continue;
        const QByteArrayView value = line.sliced(name.size() + 1).trimmed();
        if (!value.endsWith(" kB"))
            return std::nullopt;
        bool ok = false;
        const quint64 kib = value.chopped(3).trimmed().toULongLong(&ok);
        if (!ok || kib > kMax / 1024)
            return std::nullopt;
        return kib * 1024;
    }
    return std::nullopt;
}

MemoryRoom currentMemoryRoom()
{
    MemoryRoom room;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        room.addressSpaceLimit = quint64(limit.rlim_cur);
    room.addressSpaceInUse = procSizeField(procText("/proc/self/status"), "VmSize").value_or(0);
    const QByteArray meminfo = procText("/proc/meminfo");
    room.memoryAvailable = procSizeField(meminfo, "MemAvailable");
    room.swapFree = procSizeField(meminfo, "SwapFree").value_or(0);
    return room;
}

} // namespace wimblet
