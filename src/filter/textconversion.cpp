#include "filter/textconversion.h"

#include "convert/textcase.h"
#include "convert/tokenscan.h"
#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/utf8kernels.h"

#include <cstring>
#include <exception>
#include <future>
#include <system_error>

namespace wimblet::filter {

// Half of a chunk: its text, its conversion and the bytes of that.
struct ChunkConverter::Half {
    explicit Half(StyleStream::Style style) : stream(style) {}

    StyleStream stream;
    std::vector<char16_t> text;
    std::vector<char> bytes;
    QStringView converted;
    bool flagAfter = false;
    int oddByte = -1; // UTF-16 input of odd length: its last byte, written back last

    // Decodes `slice`, which starts and ends between characters, and converts all of it.
    void convert(QByteArrayView slice, TextEncoding encoding, bool capitalizeFirst)
    {
        TextDecoder decoder(encoding);
        const std::size_t room = std::size_t(decoder.maxDecodedSize(slice.size())) + 1;
        if (text.size() < room)
            text.resize(room);
        const char16_t *const end = decoder.finishTo(decoder.decodeTo(slice, text.data()));
        oddByte = decoder.oddByte();
        const StyleStream::Step step = stream.convert(
                QStringView(text.data(), end - text.data()), true, capitalizeFirst);
        converted = step.converted;
        flagAfter = step.capitalizeNext;
    }

    // Mends the sentence capitals of a half converted as if the text before it left the
    // flag clear, now that the flag is known to be `before`.
    void mend(StyleStream::Style style, bool before)
    {
        if (style != StyleStream::Style::Normal)
            return;
        // The conversion is the stream's own buffer, to change in place.
        auto *const at = const_cast<char16_t *>(converted.utf16());
        flagAfter = detail::resumeSentenceCase(at, converted.size(), before, flagAfter);
    }

    // Encodes the conversion as `target` asks into `out`; false when a character has no
    // byte in Windows-1252 (when checked) or in the target encoding.
    bool finish(const ConversionTarget &target, QByteArrayView &out)
    {
        const bool fits = !target.checkWindows1252 || fitsWindows1252(converted);
        out = {};
        if (!target.encoding)
            return fits;
        TextEncoder encoder(*target.encoding);
        // Four bytes a unit covers every encoding.
        const std::size_t room = std::size_t(4 * converted.size()) + 8;
        if (bytes.size() < room)
            bytes.resize(room);
        char *end = encoder.encodeTo(converted, bytes.data());
        if (end)
            end = encoder.finishTo(end);
        if (end && oddByte >= 0)
            *end++ = char(oddByte);
        out = QByteArrayView(bytes.data(), end ? end - bytes.data() : 0);
        return fits && end;
    }
};

ChunkConverter::ChunkConverter(StyleStream::Style style, TextEncoding encoding,
                               ConversionPoint from)
    : m_style(style), m_encoding(encoding), m_bytes(from.pending.begin(), from.pending.end()),
      m_pending(from.pending.size()), m_capitalizeNext(from.capitalizeNext)
{
    m_halves[0] = std::make_unique<Half>(style);
    m_halves[1] = std::make_unique<Half>(style);
}

ChunkConverter::~ChunkConverter() = default;

ConversionPoint ChunkConverter::point() const
{
    return {QByteArray(m_bytes.data(), m_pending), m_capitalizeNext};
}

namespace {

// Calls `use` with the width of a code unit and a function giving the unit at an index of
// `bytes`, as far as cutting tokens needs: one past 16 bits is neither a separator nor
// punctuation. Each width gets a function of its own, since a long token is read unit by
// unit for every chunk that ends inside it.
template <typename Use>
qsizetype withUnits(const char *data, TextEncoding encoding, const Use &use)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    const bool bigEndian = isBigEndian(encoding);
    switch (unitBytes(encoding)) {
    case 1:
        return use(1, [bytes](qsizetype i) { return char16_t(bytes[i]); });
    case 2:
        return use(2, [bytes, bigEndian](qsizetype i) {
            const uchar *p = bytes + 2 * i;
            return char16_t(bigEndian ? (p[0] << 8) | p[1] : p[0] | (p[1] << 8));
        });
    default:
        return use(4, [bytes, bigEndian](qsizetype i) {
            const char32_t unit = detail::utf32UnitAt(bytes + 4 * i, bigEndian);
            return unit <= 0xFFFF ? char16_t(unit) : u'\uFFFD';
        });
    }
}

} // namespace

qsizetype ChunkConverter::cutPoint(qsizetype size, bool atEnd) const
{
    if (atEnd)
        return size;
    // Bytes below 0x80 are the characters they stand for in UTF-8 and
    // Windows-1252, so a cut before one falls between characters; wider units
    // are cut whole.
    return withUnits(m_bytes.data(), m_encoding, [size](qsizetype width, const auto &unitAt) {
        return width * detail::cutBeforeOpenToken(unitAt, size / width, detail::MaxTokenHeldBack);
    });
}

// Where the first `end` bytes split into halves: after the first separator from the
// middle on, or at `end` when there is none.
qsizetype ChunkConverter::middle(qsizetype end) const
{
    return withUnits(m_bytes.data(), m_encoding, [end](qsizetype width, const auto &unitAt) {
        for (qsizetype at = end / 2 / width; (at + 1) * width <= end; ++at) {
            if (detail::separatesTokens(unitAt(at)))
                return (at + 1) * width;
        }
        return end;
    });
}

ConvertedChunk ChunkConverter::convert(QByteArrayView bytes, bool atEnd,
                                       const ConversionTarget &target)
{
    const qsizetype size = m_pending + bytes.size();
    // Never empty, so that its data is never null.
    if (qsizetype(m_bytes.size()) <= size)
        m_bytes.resize(std::size_t(size) + 1);
    if (!bytes.isEmpty())
        std::memcpy(m_bytes.data() + m_pending, bytes.data(), std::size_t(bytes.size()));
    const qsizetype end = cutPoint(size, atEnd);
    const qsizetype mid = middle(end);
    const QByteArrayView data(m_bytes.data(), size);
    Half &first = *m_halves[0];
    Half &second = *m_halves[1];
    ConvertedChunk chunk{};
    // The second half is converted as if the text before it left the flag clear, and
    // mended once the first half has told the flag after it.
    std::promise<bool> firstFlag;
    std::future<bool> firstFlagKnown = firstFlag.get_future();
    const auto convertSecond = [&] {
        second.convert(data.sliced(mid, end - mid), m_encoding, false);
        second.mend(m_style, firstFlagKnown.get());
        return second.finish(target, chunk.second);
    };
    // A thread only for a second half that has text.
    std::future<bool> secondDone;
    try {
        secondDone = std::async(mid < end ? std::launch::async : std::launch::deferred,
                                convertSecond);
    } catch (const std::system_error &) {
        secondDone = std::async(std::launch::deferred, convertSecond);
    }
    try {
        first.convert(data.first(mid), m_encoding, m_capitalizeNext);
        firstFlag.set_value(first.flagAfter);
    } catch (...) {
        firstFlag.set_exception(std::current_exception());
        throw; // the future waits for the second half as it goes
    }
    const bool firstFits = first.finish(target, chunk.first);
    chunk.fits = secondDone.get() && firstFits;
    m_capitalizeNext = second.flagAfter; // an empty second half passes the first's on
    m_pending = size - end;
    std::memmove(m_bytes.data(), m_bytes.data() + end, std::size_t(m_pending));
    return chunk;
}

} // namespace wimblet::filter
