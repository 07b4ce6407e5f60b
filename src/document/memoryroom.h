#pragma once
// Whether a file fits in memory once opened: the room left to the program and
// the memory a document takes per byte of its file.

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace wimblet {

/// Memory the program takes per byte of a file it opens. Measured as the growth
/// of the peak resident size (VmHWM) of the editor window, built RelWithDebInfo,
/// opening the generated 50 MB sample of prose in lines of about 100 characters
/// (bench/memprobe.cpp run on it and on a 1 KB file): 395,744 KiB for 52,429,558
/// bytes, 7.7 per byte, rounded up. Reading in chunks (readDocumentFile()) left
/// it so (394,288 KiB): the text box, not the file's bytes, sets the peak. A file
/// made mostly of line breaks takes far more per byte (each line is a block of
/// the text box).
constexpr quint64 kMemoryPerFileByte = 8;

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
/// number a quint64 holds.
quint64 memoryToOpen(quint64 fileSize);

/// Whether a file of `fileSize` bytes can be opened in `room`.
bool fileFitsInMemory(quint64 fileSize, const MemoryRoom &room);

/// The value of the line "Name:   1234 kB" of /proc/meminfo or
/// /proc/self/status, in bytes; none when the line is missing or not a size.
std::optional<quint64> procSizeField(QByteArrayView text, QByteArrayView name);

/// The room as the system gives it now, from getrlimit(), /proc/self/status and
/// /proc/meminfo.
MemoryRoom currentMemoryRoom();

} // namespace wimblet
