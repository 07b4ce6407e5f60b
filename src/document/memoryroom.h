#pragma once
// Whether a file fits in memory once opened: the room left to the program and
// the memory a document takes per byte of its file.

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace wimblet {

/// Memory the program takes per byte of a file it opens, every row counted: the
/// growth of the peak resident size (VmHWM) of the editor window, built
/// RelWithDebInfo, opening a 50 MB file and a 6-byte one (bench/memprobe.cpp
/// --counted). The largest of three shapes, per way of storing the text. A file of
/// one byte a character (UTF-8, Windows-1252): the generated prose in lines of about
/// 100 characters 2.21 per byte, one paragraph of lone LFs 2.27, nothing but CR LFs
/// 12.86 (each line is a paragraph of its own).
constexpr quint64 kMemoryPerFileByte = 13;
/// The same texts in UTF-16 with a byte order mark: 1.11, 1.14 and 6.43. A UTF-32
/// file, which also starts with such a mark, takes half of that or less.
constexpr quint64 kMemoryPerUtf16FileByte = 7;

/// The most UTF-16 units a file's text may hold: a paragraph's length is kept in an
/// int. Larger files are refused before they are read.
constexpr quint64 kMostTextUnits = 2147483647;

/// What limits the program's memory, in bytes.
struct MemoryRoom {
    std::optional<quint64> addressSpaceLimit; // RLIMIT_AS; none when unlimited
    quint64 addressSpaceInUse = 0;            // VmSize
    std::optional<quint64> memoryAvailable;   // MemAvailable; none when not known
    quint64 swapFree = 0;                     // SwapFree
};

/// The memory the program may still take: the smaller of the address space left
/// under its limit and the memory plus swap that is free. None when neither is
/// known.
std::optional<quint64> freeMemory(const MemoryRoom &room);

/// The memory opening a file of `fileSize` bytes takes, at most the largest
/// number a quint64 holds; `wide` when the file starts with a UTF-16 or UTF-32
/// byte order mark.
quint64 memoryToOpen(quint64 fileSize, bool wide = false);

/// Whether a file of `fileSize` bytes can be opened in `room`.
bool fileFitsInMemory(quint64 fileSize, const MemoryRoom &room, bool wide = false);

/// The value of the line "Name:   1234 kB" of /proc/meminfo or
/// /proc/self/status, in bytes; none when the line is missing or not a size.
std::optional<quint64> procSizeField(QByteArrayView text, QByteArrayView name);

/// The room as the system gives it now, from getrlimit(), /proc/self/status and
/// /proc/meminfo.
MemoryRoom currentMemoryRoom();

} // namespace wimblet
