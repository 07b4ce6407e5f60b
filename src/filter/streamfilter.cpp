#include "filter/streamfilter.h"

#include "encoding/encodingdetector.h"
#include "encoding/textencoding.h"
#include "filter/filterio.h"
#include "filter/textconversion.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace wimblet::filter {

namespace {

// Reads `source` from where it stands to its end, handing each chunk to `take`.
template <typename Take>
void readToEnd(ByteSource &source, std::vector<char> &chunk, Take take)
{
    for (;;) {
        const qsizetype got = source.read(chunk.data(), qsizetype(chunk.size()));
        if (got == 0)
            return;
        take(QByteArrayView(chunk.data(), got));
    }
}

// The conversion of one chunk, written out. Throws FilterError.
void writeChunk(const ConvertedChunk &chunk)
{
    // Windows-1252 is the target only for text that was found to fit.
    if (!chunk.fits)
        throw FilterError("the converted text does not fit its encoding");
    writeOutput(chunk.first);
    writeOutput(chunk.second);
}

// What a conversion from `from` to the end of `source` in Windows-1252 makes: true when
// every character of it has a byte in Windows-1252.
bool convertedFitsWindows1252(const FilterRun &run, ByteSource &source, const ConversionPoint &from,
                              std::vector<char> &chunk)
{
    ChunkConverter trial(run.style, TextEncoding::Windows1252, from);
    const ConversionTarget check{std::nullopt, true};
    bool fits = true;
    readToEnd(source, chunk, [&](QByteArrayView bytes) {
        fits = fits && trial.convert(bytes, false, check).fits;
    });
    return fits && trial.convert({}, true, check).fits;
}

// Input with both well-formed UTF-8 and invalid bytes is told of, with what was made of it.
void warnIfMixed(const EncodingDetector &detector, const std::string &name)
{
    const Utf8Check utf8 = detector.utf8();
    const TextEncoding encoding = detector.encoding();
    if (utf8.valid || !utf8.multiByte || isUtf16(encoding) || isUtf32(encoding))
        return;
    const auto strays = static_cast<long long>(utf8.strayBytes);
    const auto first = static_cast<long long>(utf8.firstInvalid);
    if (encoding == TextEncoding::Utf8) {
        std::fprintf(stderr,
                     "wimblet-convert: %s is UTF-8 with %lld invalid byte%s (the first at offset "
                     "%lld); %s written back unchanged\n",
                     name.c_str(), strays, strays == 1 ? "" : "s", first,
                     strays == 1 ? "it is" : "they are");
        return;
    }
    std::fprintf(stderr,
                 "wimblet-convert: %s has UTF-8 characters but too many invalid bytes (%lld, the "
                 "first at offset %lld); it is read as Windows-1252\n",
                 name.c_str(), strays, first);
}

// Reads the rest of the input (from `first`, the chunk that held the first non-ASCII
// byte) through `detector`. A regular file is then read again from `first` on; piped
// input is kept in the spool returned, to be read from there.
std::optional<ByteSource> settleEncoding(ByteSource &input, QByteArrayView first,
                                         EncodingDetector &detector, std::vector<char> &chunk)
{
    if (input.seekable()) {
        const off_t resumeAt = input.position() - first.size();
        readToEnd(input, chunk, [&](QByteArrayView bytes) { detector.feed(bytes); });
        input.seek(resumeAt);
        return std::nullopt;
    }
    std::optional<ByteSource> spool(createSpool());
    appendToSpool(*spool, first);
    readToEnd(input, chunk, [&](QByteArrayView bytes) {
        detector.feed(bytes);
        appendToSpool(*spool, bytes);
    });
    spool->seek(0);
    return spool;
}

// How the input's ASCII start went: the size of the chunk in hand that ended it (0 at the
// end of the input), and whether all output so far has bytes in Windows-1252.
struct AsciiStart {
    qsizetype chunkSize;
    bool outputFitsWindows1252;
};

// ASCII reads the same in every encoding but UTF-32 (whose big-endian mark starts with two
// NULs): its conversion goes out at once, in UTF-8.
AsciiStart convertAsciiStart(ByteSource &input, std::vector<char> &chunk,
                             EncodingDetector &detector, ChunkConverter &converter)
{
    const ConversionTarget target{TextEncoding::Utf8, true};
    bool fits = true;
    qsizetype got = 0;
    while ((got = input.read(chunk.data(), qsizetype(chunk.size()))) > 0) {
        const QByteArrayView bytes(chunk.data(), got);
        detector.feed(bytes);
        if (!detector.readsAsAscii())
            break;
        ConvertedChunk converted = converter.convert(bytes, false, target);
        fits = fits && converted.fits;
        converted.fits = true; // UTF-8 has bytes for all of it
        writeChunk(converted);
    }
    return {got, fits};
}

} // namespace

int runFilter(const FilterRun &run)
{
    ByteSource input = ByteSource::open(run.standardInput, run.path);
    std::vector<char> chunk(std::size_t(run.chunkBytes));
    EncodingDetector detector;
    ChunkConverter converter(run.style, TextEncoding::Utf8);
    const AsciiStart start = convertAsciiStart(input, chunk, detector, converter);
    const qsizetype got = start.chunkSize;
    if (got == 0) {
        writeChunk(converter.convert({}, true, {TextEncoding::Utf8, false}));
        return 0;
    }

    // The chunk in hand moves to a buffer of its own: the chunk buffer reads on.
    const std::vector<char> first(chunk.begin(), chunk.begin() + got);
    std::optional<ByteSource> spool =
            settleEncoding(input, QByteArrayView(first.data(), got), detector, chunk);
    ByteSource &rest = spool ? *spool : input;
    warnIfMixed(detector, input.name());
    const TextEncoding encoding = detector.encoding();
    TextEncoding outputEncoding = encoding;
    if (encoding == TextEncoding::Windows1252) {
        // Windows-1252 output only when all of it fits: tried ahead, then read again.
        const off_t resumeAt = rest.position();
        const bool fits = start.outputFitsWindows1252
                && convertedFitsWindows1252(run, rest, converter.point(), chunk);
        rest.seek(resumeAt);
        outputEncoding = fits ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    }
    converter.switchEncoding(encoding);
    const ConversionTarget target{outputEncoding, false};
    readToEnd(rest, chunk,
              [&](QByteArrayView bytes) { writeChunk(converter.convert(bytes, false, target)); });
    writeChunk(converter.convert({}, true, target));
    return 0;
}

} // namespace wimblet::filter
