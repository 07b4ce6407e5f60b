#include "document/documentreader.h"

#include "document/filefailure.h"
#include "document/linecounts.h"
#include "document/posixfile.h"
#include "encoding/encodingdetector.h"
#include "encoding/textdecoder.h"

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wimblet {

namespace {

// What tells that a file was changed between the two readings.
struct FileStamp
{
    qint64 size = -1;
    timespec modified {};
    bool operator==(const FileStamp &other) const
    {
        return size == other.size && modified.tv_sec == other.modified.tv_sec
               && modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileStamp stampOf(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return {};
    return {qint64(st.st_size), st.st_mtim};
}

// Reads the next chunk into `buffer` from where the file stands; `got` is 0 at
// the end. Returns 0 or the system's error number.
int readChunk(int fd, QByteArray &buffer, qsizetype &got)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n >= 0) {
            got = qsizetype(n);
            return 0;
        }
        if (errno != EINTR)
            return errno;
    }
}

// What the bytes read so far tell of their text: its encoding, and its length
// once every lone CR has become CR LF, and its line breaks.
class TextCounts
{
public:
    void feed(QByteArrayView chunk)
    {
        m_detector.feed(chunk);
        m_loneCrs.feed(chunk);
    }
    TextEncoding encoding() const { return m_detector.encoding(); }
    qint64 loneCrs() const { return m_loneCrs.count(encoding()); }
    TextShape shape() const
    {
        const TextEncoding encoding = this->encoding();
        return {quint64(m_detector.textUnits() + m_loneCrs.count(encoding)),
                quint64(m_loneCrs.breaks(encoding))};
    }
    bool strayBytes() const // UTF-8 with stand-ins
    {
        return encoding() == TextEncoding::Utf8 && !m_detector.utf8().valid;
    }

private:
    EncodingDetector m_detector;
    LoneCrs m_loneCrs;
};

// What the first reading learns.
struct Survey
{
    TextEncoding encoding = TextEncoding::Utf8;
    qint64 bytes = 0;
    TextShape shape;
    qint64 loneCrs = 0;
    bool strayBytes = false;
    int error = 0;
    bool overCap = false;
};

Survey survey(int fd, qint64 cap, QByteArray &buffer)
{
    Survey result;
    TextCounts counts;
    for (qsizetype got = 0;;) {
        if ((result.error = readChunk(fd, buffer, got)) != 0 || got == 0)
            break;
        counts.feed(QByteArrayView(buffer.constData(), got));
        result.bytes += got;
        if ((result.overCap = result.bytes > cap))
            return result;
    }
    result.encoding = counts.encoding();
    result.shape = counts.shape();
    result.loneCrs = counts.loneCrs();
    result.strayBytes = counts.strayBytes();
    return result;
}

// Copies decoded text into room measured for it, with an LF after every lone
// CR when there are any. Going past the room means the file changed since it
// was measured.
class LineMender
{
public:
    LineMender(QString &text, bool mend)
        : m_out(reinterpret_cast<char16_t *>(text.data()))
        , m_end(m_out + text.size())
        , m_begin(m_out)
        , m_mend(mend)
    { }

    void put(const char16_t *p, const char16_t *end)
    {
        // Without lone CRs some chunks skip the mender, so a CR ending the
        // last one it saw may have had its LF already.
        if (!m_mend) {
            copy(p, end);
            return;
        }
        if (p == end)
            return;
        if (m_pendingCr && *p != u'\n')
            addUnit(u'\n');
        m_pendingCr = false;
        while (p < end) {
            const qsizetype cr = QStringView(p, end - p).indexOf(u'\r');
            const char16_t *const stop = cr < 0 ? end : p + cr + 1;
            copy(p, stop);
            p = stop;
            if (cr < 0)
                break;
            if (p == end)
                m_pendingCr = true; // the next chunk tells
            else if (*p != u'\n')
                addUnit(u'\n');
        }
    }

    /// Room left, for text written straight to out() that has no lone CR.
    qsizetype room() const { return m_overflow ? 0 : m_end - m_out; }
    char16_t *out() const { return m_out; }
    void wroteTo(char16_t *end) { m_out = end; }

    /// The length written, or -1 when the room was too small.
    qsizetype finish()
    {
        if (m_pendingCr)
            addUnit(u'\n');
        return m_overflow ? -1 : m_out - m_begin;
    }

private:
    void copy(const char16_t *p, const char16_t *end)
    {
        if (m_overflow || end - p > m_end - m_out) {
            m_overflow = true;
            return;
        }
        std::copy(p, end, m_out);
        m_out += end - p;
    }
    void addUnit(char16_t c) { copy(&c, &c + 1); }

    char16_t *m_out;
    char16_t *const m_end;
    char16_t *const m_begin;
    const bool m_mend;
    bool m_pendingCr = false;
    bool m_overflow = false;
};

// The second reading, from the start: true when the text came out exactly as
// measured, so the file did not change in between.
bool decodeInto(int fd, const Survey &measured, QByteArray &buffer, QString &text, int &oddByte)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return false;
    TextDecoder decoder(measured.encoding);
    // At most three bytes held back from one chunk for the next.
    std::vector<char16_t> decoded(size_t(decoder.maxDecodedSize(buffer.size() + 3)));
    LineMender mender(text, measured.loneCrs > 0);
    LoneCrs loneCrs; // text of the same length may have other line breaks
    qint64 bytes = 0;
    for (qsizetype got = 0;;) {
        if (readChunk(fd, buffer, got) != 0)
            return false;
        if (got == 0)
            break;
        bytes += got;
        const QByteArrayView chunk(buffer.constData(), got);
        loneCrs.feed(chunk);
        // Without lone CRs the text needs no mending and is decoded in place,
        // until the room left may be too small for the chunk's bound.
        if (measured.loneCrs == 0 && mender.room() >= decoder.maxDecodedSize(got)) {
            mender.wroteTo(decoder.decodeTo(chunk, mender.out()));
            continue;
        }
        const char16_t *const end = decoder.decodeTo(chunk, decoded.data());
        mender.put(decoded.data(), end);
    }
    const char16_t *const end = decoder.finishTo(decoded.data());
    mender.put(decoded.data(), end);
    // Stray UTF-8 bytes, or a UTF-32 unit that is no character, where the
    // first reading saw none (or the other way round) mean other bytes.
    const bool replaced = decoder.replacedAny() != measured.strayBytes
            && measured.encoding != TextEncoding::Windows1252;
    oddByte = decoder.oddByte();
    return !replaced && bytes == measured.bytes && loneCrs.count(measured.encoding) == measured.loneCrs
           && mender.finish() == text.size();
}

// The file's text, or a null text when the file changed between the readings.
FileResult readInChunks(const QString &path, const OpenedFile &file, DocumentReading &reading,
                        DecodedDocument &out)
{
    const int fd = file.fd.get();
    const FileStamp before = stampOf(fd);
    QByteArray buffer(std::max<qsizetype>(1, reading.chunkBytes), Qt::Uninitialized);
    const Survey measured = survey(fd, file.size + readBeyondSize(), buffer);
    if (measured.error != 0)
        return openFailure(path, systemReason(measured.error));
    if (measured.overCap)
        return grewBeyondCap(path, file.size);
    if (const FileResult room = checkRoomToOpen(path, file.size, measured.shape); !room.ok)
        return room;
    if (reading.betweenReadings)
        reading.betweenReadings();
    QString text(qsizetype(measured.shape.units), Qt::Uninitialized);
    int oddByte = -1;
    reading.readWhole = !decodeInto(fd, measured, buffer, text, oddByte) || !(stampOf(fd) == before);
    if (reading.readWhole)
        return {true, QString()};
    // The final CR LF (or lone CR, mended already) ends the last line and is
    // not part of the text.
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    out = {std::move(text), measured.encoding, oddByte};
    return {true, QString()};
}

// The whole file at once, for files that give no size (such as those under
// /proc, which need not read the same twice) and files that change.
FileResult readFileWhole(const QString &path, const OpenedFile &file, bool rewind, DecodedDocument &out)
{
    if (rewind && ::lseek(file.fd.get(), 0, SEEK_SET) != 0)
        return openFailure(path, systemReason(errno));
    QByteArray bytes;
    const FileResult result = readRestOfFile(path, file, bytes);
    if (!result.ok)
        return result;
    // The bytes are held while they are decoded: the room left counts them.
    TextCounts counts;
    counts.feed(bytes);
    if (const FileResult room = checkRoomToOpen(path, bytes.size(), counts.shape()); !room.ok)
        return room;
    out = decodeDocumentFile(bytes);
    return result;
}

} // namespace

FileResult readDocumentFile(const QString &path, DecodedDocument &out)
{
    DocumentReading reading;
    return readDocumentFile(path, out, reading);
}

FileResult readDocumentFile(const QString &path, DecodedDocument &out, DocumentReading &reading)
{
    reading.readWhole = false;
    try {
        OpenedFile file;
        const FileResult opened = openFileToRead(path, file);
        if (!opened.ok)
            return opened;
        reading.readWhole = file.size == 0;
        if (file.size == 0)
            return readFileWhole(path, file, false, out);
        const FileResult result = readInChunks(path, file, reading, out);
        if (!result.ok || !reading.readWhole)
            return result;
        return readFileWhole(path, file, true, out);
    } catch (const std::bad_alloc &) {
        return {false, notEnoughMemoryToOpen(path)};
    }
}

} // namespace wimblet
