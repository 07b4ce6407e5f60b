#include "document/memoryroom.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sys/resource.h>

namespace wimblet {

namespace {

constexpr quint64 kMax = std::numeric_limits<quint64>::max();

// Counted in double, whose 53 bits of mantissa are exact far beyond any memory,
// and held at the largest quint64 beyond that.
quint64 memoryFor(TextShape shape, double perUnit, double perBreak, double once)
{
    const double need = perUnit * double(shape.units) + perBreak * double(shape.breaks) + once;
    return need >= double(kMax) ? kMax : quint64(std::ceil(need));
}

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

quint64 memoryToOpen(TextShape shape)
{
    return memoryFor(shape, kOpenPerUnit, kOpenPerBreak, kOpenOnce);
}

quint64 leastMemoryToOpen(quint64 fileSize, bool wide)
{
    return memoryToOpen({fileSize / (wide ? 4 : 3), 0});
}

quint64 memoryToConvert(TextShape shape)
{
    return memoryFor(shape, kConvertPerUnit, kConvertPerBreak, kConvertOnce);
}

bool fitsInMemory(quint64 need, const MemoryRoom &room)
{
    const std::optional<quint64> free = freeMemory(room);
    return !free || need <= *free;
}

QString memorySizeText(quint64 bytes, int precision)
{
    const quint64 shown = std::min<quint64>(bytes, std::numeric_limits<qint64>::max());
    return QLocale().formattedDataSize(qint64(shown), precision, QLocale::DataSizeIecFormat);
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
