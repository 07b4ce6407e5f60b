#include "filter/textconversion.h"

#include "filter/filterio.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wimblet::filter {

ChunkConverter::ChunkConverter(StyleStream::Style style, TextEncoding encoding,
                               ConversionPoint from)
    : m_stream(style), m_decoder(encoding),
      m_text(from.pending.begin(), from.pending.end()),
      m_pending(qsizetype(from.pending.size())), m_capitalizeNext(from.capitalizeNext)
{
}

QStringView ChunkConverter::convert(QByteArrayView bytes, bool atEnd)
{
    // Never empty, so that its data is never null.
    const qsizetype room = m_pending + m_decoder.maxDecodedSize(bytes.size()) + 1;
    if (qsizetype(m_text.size()) < room)
        m_text.resize(std::size_t(room));
    char16_t *end = m_decoder.decodeTo(bytes, m_text.data() + m_pending);
    if (atEnd)
        end = m_decoder.finishTo(end);
    const qsizetype size = end - m_text.data();
    const StyleStream::Step step =
            m_stream.convert(QStringView(m_text.data(), size), atEnd, m_capitalizeNext);
    m_capitalizeNext = step.capitalizeNext;
    // The token still open moves to the front, to be continued by the next chunk.
    m_pending = size - step.consumed;
    std::memmove(m_text.data(), m_text.data() + step.consumed,
                 std::size_t(m_pending) * sizeof(char16_t));
    return step.converted;
}

ConversionPoint ChunkConverter::point() const
{
    return {std::u16string(m_text.data(), std::size_t(m_pending)), m_capitalizeNext};
}

void EncodedOutput::write(QStringView text)
{
    // Three bytes a unit covers UTF-8, and a pair held from the chunk before.
    const std::size_t room = std::size_t(3 * text.size() + 8);
    if (m_bytes.size() < room)
        m_bytes.resize(room);
    const char *const end = m_encoder.encodeTo(text, m_bytes.data());
    if (!end)
        throw FilterError("the converted text does not fit its encoding");
    writeOutput(QByteArrayView(m_bytes.data(), end - m_bytes.data()));
}

void EncodedOutput::switchEncoding(TextEncoding encoding)
{
    char tail[4];
    const char *const end = m_encoder.finishTo(tail);
    writeOutput(QByteArrayView(tail, end - tail));
    m_encoder = TextEncoder(encoding);
}

void EncodedOutput::finish()
{
    switchEncoding(m_encoder.encoding());
}

} // namespace wimblet::filter
