#include "document/documentencoder.h"

#include "document/documentfile.h"
#include "encoding/encodingdetector.h"
#include "encoding/textencoder.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace wimblet {

namespace {

// The most bytes a UTF-16 unit takes in any encoding (four in UTF-32), and
// what a surrogate held from the run before, or a trailing byte, may add on
// top of a run.
constexpr qsizetype kMaxBytesPerUnit = 4;
constexpr qsizetype kHeldSlack = 8;

// Collects encoded bytes into chunks of about `chunkBytes` and hands each full
// one on.
class ChunkFiller
{
public:
    ChunkFiller(TextEncoding encoding, qsizetype chunkBytes, const ByteSink &sink)
        : m_encoder(encoding)
        , m_buffer(chunkBytes + kHeldSlack, Qt::Uninitialized)
        , m_chunkBytes(chunkBytes)
        , m_sink(sink)
    { }

    void add(QStringView text)
    {
        while (!text.isEmpty() && m_error == 0) {
            // Few enough units that their bytes stay within the buffer; the
            // chunk fills up over a few runs.
            const qsizetype room = std::max<qsizetype>(1, (m_chunkBytes - m_used) / kMaxBytesPerUnit);
            const qsizetype take = std::min(room, text.size());
            char *const end = m_encoder.encodeTo(text.first(take), m_buffer.data() + m_used);
            if (!end) {
                // Only Windows-1252 lacks characters, and it is chosen only when all fit.
                m_error = EILSEQ;
                return;
            }
            m_used = end - m_buffer.constData();
            text = text.sliced(take);
            if (m_used >= m_chunkBytes)
                flush();
        }
    }

    int finish(int trailingByte)
    {
        add(u"\r\n");
        if (m_error == 0) {
            m_used = m_encoder.finishTo(m_buffer.data() + m_used) - m_buffer.constData();
            if (isUtf16(m_encoder.encoding()) && trailingByte >= 0)
                m_buffer[m_used++] = char(trailingByte);
            flush();
        }
        return m_error;
    }

private:
    void flush()
    {
        if (m_used > 0 && m_error == 0)
            m_error = m_sink(QByteArrayView(m_buffer.constData(), m_used));
        m_used = 0;
    }

    TextEncoder m_encoder;
    QByteArray m_buffer;
    qsizetype m_chunkBytes;
    qsizetype m_used = 0;
    const ByteSink &m_sink;
    int m_error = 0;
};

int encodePieces(const PieceSource &pieces, TextEncoding encoding, qsizetype chunkBytes,
                 int trailingByte, const ByteSink &sink)
{
    ChunkFiller filler(encoding, chunkBytes, sink);
    pieces([&filler](QStringView piece) { filler.add(piece); });
    return filler.finish(trailingByte);
}

// encodeText()'s choice with the final CR LF, and encodeDocumentFile()'s
// second thought: Windows-1252 bytes might read back as another encoding (a
// start like a byte order mark, letters that pair up as UTF-8), and only the
// bytes themselves can tell.
TextEncoding chooseEncoding(const PieceSource &pieces, TextEncoding preferred, qsizetype chunkBytes)
{
    if (preferred != TextEncoding::Windows1252)
        return preferred;
    bool fits = true;
    pieces([&fits](QStringView piece) { fits = fits && fitsWindows1252(piece); });
    if (!fits)
        return TextEncoding::Utf8;
    EncodingDetector detector;
    encodePieces(pieces, TextEncoding::Windows1252, chunkBytes, -1, [&detector](QByteArrayView bytes) {
        detector.feed(bytes);
        return 0;
    });
    return windows1252ReadsBack(detector) ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

} // namespace

PieceSource singlePiece(QStringView text)
{
    return [text](const PieceSink &sink) {
        sink(text);
    };
}

DocumentEncoder::DocumentEncoder(PieceSource pieces, TextEncoding preferred, qsizetype chunkBytes,
                                 int trailingByte)
    : m_pieces(std::move(pieces))
    , m_chunkBytes(std::max<qsizetype>(1, chunkBytes))
    , m_encoding(chooseEncoding(m_pieces, preferred, m_chunkBytes))
    , m_trailingByte(trailingByte)
{ }

int DocumentEncoder::write(const ByteSink &sink) const
{
    return encodePieces(m_pieces, m_encoding, m_chunkBytes, m_trailingByte, sink);
}

ByteSource DocumentEncoder::source() const
{
    return [this](const ByteSink &sink) {
        return write(sink);
    };
}

FileResult writeDocumentPieces(const QString &path, const PieceSource &pieces, TextEncoding preferred,
                               TextEncoding *used, qsizetype chunkBytes, int trailingByte)
{
    const DocumentEncoder encoder(pieces, preferred, chunkBytes, trailingByte);
    if (used)
        *used = encoder.encoding();
    return writeFileFrom(path, encoder.source());
}

} // namespace wimblet
