#pragma once
// wimblet-convert's run: the input converted chunk by chunk in bounded memory.

#include "convert/styleconversion.h"

#include <QtGlobal>

#include <string>

namespace wimblet::filter {

struct FilterRun {
    StyleStream::Style style;
    /// Standard input, or else the file at `path`.
    bool standardInput;
    std::string path;
    /// Bytes read at a time.
    qsizetype chunkBytes;
};

/// Converts the input to standard output and returns the exit code. Warnings go to
/// standard error; a failure throws FilterError.
///
/// Output starts at once while the input is ASCII (not starting like a UTF-32 byte order
/// mark), where every reading agrees. From the first other byte on, the rest is read once
/// to decide the encoding (a regular file in place, piped input into a spool file), then
/// converted from there as the editor reads it (detectEncoding()): UTF-32 and UTF-16 with
/// a byte order mark in their own encoding, every unit kept; UTF-8 as UTF-8, each stray
/// byte written back as it was; anything else as Windows-1252, written back in it when all
/// of the converted text fits and as UTF-8 when not.
int runFilter(const FilterRun &run);

} // namespace wimblet::filter
