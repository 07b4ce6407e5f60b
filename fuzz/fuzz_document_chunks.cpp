// Reading a file a few bytes at a time must give the text and encoding of reading it
// whole, and encoding a text handed out in pieces must give the bytes of encoding it
// whole. The first input byte picks the chunk size, the second where pieces are cut.
#include "document/documentencoder.h"
#include "document/documentfile.h"
#include "document/documentreader.h"
#include "fuzzsupport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace wimblet;

// The file lives in memory: a descriptor of its own, reached by a path.
class MemoryFile
{
public:
    explicit MemoryFile(QByteArrayView bytes)
        : m_fd(::memfd_create("doc", MFD_CLOEXEC))
    {
        if (m_fd < 0 || ::write(m_fd, bytes.data(), size_t(bytes.size())) != bytes.size())
            fuzz::fail("cannot make the file in memory", bytes);
    }
    ~MemoryFile() { ::close(m_fd); }
    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

private:
    int m_fd;
};

QList<QStringView> cutIntoPieces(const QString &text, std::uint8_t seed)
{
    QList<qsizetype> cuts;
    quint32 state = seed + 1u;
    for (int i = 0; i < seed % 8; ++i) {
        state = state * 1103515245u + 12345u;
        cuts.append(qsizetype(state >> 8) % (text.size() + 1));
    }
    std::sort(cuts.begin(), cuts.end());
    QList<QStringView> pieces;
    qsizetype start = 0;
    for (const qsizetype cut : cuts) {
        pieces.append(QStringView(text).sliced(start, cut - start));
        start = cut;
    }
    pieces.append(QStringView(text).sliced(start));
    return pieces;
}

DecodedDocument checkRead(QByteArrayView file, qsizetype chunkBytes)
{
    const DecodedDocument whole = decodeDocumentFile(file);
    DecodedDocument read {QString(), TextEncoding::Utf8};
    DocumentReading reading;
    reading.chunkBytes = chunkBytes;
    const MemoryFile memory(file);
    const FileResult result = readDocumentFile(memory.path(), read, reading);
    if (!result.ok)
        fuzz::fail("reading failed: " + result.error.toStdString(), file);
    if (reading.readWhole != file.isEmpty())
        fuzz::fail("the file was read whole", file);
    if (read.encoding != whole.encoding)
        fuzz::fail("read in another encoding", file);
    if (read.text != whole.text)
        fuzz::failTextDifference("text read in chunks differs", file, whole.text, read.text);
    if (read.trailingByte != whole.trailingByte)
        fuzz::fail("another odd byte kept aside", file);
    return whole;
}

void checkEncode(QByteArrayView input, const QString &text, qsizetype chunkBytes, std::uint8_t seed)
{
    // An odd last byte of UTF-16, which the other encodings leave out.
    const int trailingByte = seed % 2 == 1 ? seed : -1;
    const QList<QStringView> pieces = cutIntoPieces(text, seed);
    const PieceSource source = [&pieces](const PieceSink &sink) {
        for (const QStringView piece : pieces)
            sink(piece);
    };
    for (const TextEncoding preferred :
         {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE, TextEncoding::Utf16BE,
          TextEncoding::Utf32LE, TextEncoding::Utf32BE}) {
        TextEncoding used = preferred;
        const QByteArray expected = encodeDocumentFile(text, preferred, &used, trailingByte);
        const DocumentEncoder encoder(source, preferred, chunkBytes, trailingByte);
        QByteArray bytes;
        encoder.write([&bytes](QByteArrayView chunk) {
            bytes.append(chunk);
            return 0;
        });
        if (encoder.encoding() != used)
            fuzz::fail("pieces encoded in another encoding", input);
        if (bytes != expected)
            fuzz::fail("pieces encoded differently\n  expected: " + fuzz::hex(expected)
                           + "\n  got:      " + fuzz::hex(bytes),
                       input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype chunkBytes = 1 + data[0] % 16;
    const std::uint8_t seed = data[1];
    const QByteArrayView file(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const wimblet::DecodedDocument read = checkRead(file, chunkBytes);
    checkEncode(file, wimblet::fuzz::textFromFuzzBytes(data + 2, size - 2), chunkBytes, seed);
    // The text of a file as read holds what fuzz text never does: stray-byte stand-ins.
    checkEncode(file, read.text, chunkBytes, seed);
    return 0;
}
