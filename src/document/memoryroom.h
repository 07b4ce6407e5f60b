#pragma once
// Whether a text fits in memory once opened or converted: the room left to the
// program and the memory a text takes for its length and its line breaks.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace wimblet {

/// A text as far as its memory goes: its length in UTF-16 units and its line
/// breaks (CR LF or a lone CR), each of which starts a paragraph of its own.
struct TextShape {
    quint64 units = 0;
    quint64 breaks = 0;
};

/// What opening a text of a given shape adds to the address space (what `ulimit -v`
/// limits), every row counted: bytes per unit, per break and once. Measured as the
/// largest VmSize less the one before, in the editor window built RelWithDebInfo
/// (bench/memprobe.cpp --growth; VmPeak agrees), in MB of 10^6 bytes for files of 50
/// and 100 MB: the generated prose in lines of about 100 characters (49.7 and 99.4
/// M units, 0.49 and 0.98 M breaks) 112.4 and 225.0, the same text in UTF-16 with a
/// byte order mark 112.4 and 225.0, nothing but CR LFs (25 and 50 M breaks) 684.7
/// and 1,368.9, "AB" CR LF (25 and 50 MB) 196.7 and 393.8. Fitted: 2.03 a unit (the
/// text's 2 and its share of the rows) and 23.3 a break (its paragraph's row count,
/// tree node and line start, with the room their arrays take while they grow); the
/// once covers the reading's own buffers of a few MiB.
constexpr double kOpenPerUnit = 2.1;
constexpr double kOpenPerBreak = 23.5;
constexpr double kOpenOnce = 4 << 20;

/// The same for Cute Style or the normal style over a text of that shape, measured
/// the same way after the open: the converted text, its parts' outputs and its rows
/// beside the old text, which stays for undo. Prose of 10 and 50 MB 112.8 and 246.4
/// MB (the same in UTF-16), "AB" CR LF of 25 and 50 MB 272.6 and 469.6; fitted 3.36
/// a unit and 18.1 a break. The once is the second part's thread (an 8 MiB stack and
/// its own 64 MiB malloc arena) on this 2-core machine; VmPeak sometimes shows 60 MiB
/// more while such an arena is first mapped, which, like the thread, is done without
/// when there is no room for it. A text the conversion leaves as it was takes less
/// (nothing but CR LFs of 50 MB: 244.3 MB), as the text is not replaced.
constexpr double kConvertPerUnit = 3.4;
constexpr double kConvertPerBreak = 18.5;
constexpr double kConvertOnce = 80 << 20;

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

/// The memory opening a text of `shape` takes, at most the largest number a
/// quint64 holds.
quint64 memoryToOpen(TextShape shape);

/// The least memory opening a file of `fileSize` bytes may take, whatever its
/// encoding and lines, before a byte of it is read: a unit for every three
/// bytes (UTF-8 of the Basic Multilingual Plane), or four when `wide` (it starts
/// with a UTF-16 or UTF-32 byte order mark), and no line break.
quint64 leastMemoryToOpen(quint64 fileSize, bool wide);

/// The memory converting a text of `shape` to either style takes.
quint64 memoryToConvert(TextShape shape);

/// Whether `need` bytes fit in `room`; always when the room is not known.
bool fitsInMemory(quint64 need, const MemoryRoom &room);

/// `bytes` for the user, in binary units (KiB, MiB, GiB) since they count
/// memory and files in powers of 1024.
QString memorySizeText(quint64 bytes, int precision = 1);

/// The value of the line "Name:   1234 kB" of /proc/meminfo or
/// /proc/self/status, in bytes; none when the line is missing or not a size.
std::optional<quint64> procSizeField(QByteArrayView text, QByteArrayView name);

/// The room as the system gives it now, from getrlimit(), /proc/self/status and
/// /proc/meminfo.
MemoryRoom currentMemoryRoom();

} // namespace wimblet
