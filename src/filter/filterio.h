#pragma once
// The filter's bytes in and out: the input read in chunks, a temporary spool for piped
// input, and standard output, each failure told as one line.

#include <QByteArrayView>

#include <sys/types.h>

#include <stdexcept>
#include <string>

namespace wimblet::filter {

/// A failure to report as one line and exit 1 for.
class FilterError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Bytes read with read() from a descriptor the filter may seek back in (a regular file or
/// the spool) or not (a pipe, a terminal).
class ByteSource
{
public:
    /// Standard input, or else the file at `path`. Throws FilterError.
    static ByteSource open(bool standardInput, const std::string &path);
    ByteSource(int fd, bool owned, std::string name);
    ByteSource(ByteSource &&other) noexcept;
    ByteSource &operator=(ByteSource &&other) = delete;
    ~ByteSource();

    /// Reads up to `size` bytes into `buffer`; 0 at the end. Throws FilterError.
    qsizetype read(char *buffer, qsizetype size);
    /// True when the bytes can be read again: a regular file.
    bool seekable() const { return m_seekable; }
    /// Offset of the next byte to read.
    off_t position() const { return m_position; }
    /// Reads on from `offset` (seekable sources only). Throws FilterError.
    void seek(off_t offset);
    /// How the input is named in messages: 'FILE' or standard input.
    const std::string &name() const { return m_name; }
    int fd() const { return m_fd; }

private:
    int m_fd;
    bool m_owned;
    bool m_seekable = false;
    off_t m_position = 0;
    std::string m_name;
};

/// A file in $TMPDIR (default /tmp) that holds piped input until its encoding is known.
/// It has no name from the start (or loses it at once), so nothing is left behind on any
/// exit. Throws FilterError.
ByteSource createSpool();

/// Appends `bytes` to the spool. Throws FilterError.
void appendToSpool(ByteSource &spool, QByteArrayView bytes);

/// Writes `bytes` to standard output, all of them. A reader that went away ends the
/// program by SIGPIPE; any other failure throws FilterError.
void writeOutput(QByteArrayView bytes);

} // namespace wimblet::filter
