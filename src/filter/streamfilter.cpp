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

// Whether the conversion from `from` to the end of `source` may be written in
// Windows-1252: every character has a byte in it, and the whole output, after what
// `written` has seen of it, reads back as the text it was written from, by the rule
// the editor's saves keep.
bool windows1252OutputReadsBack(const FilterRun &run, ByteSource &source,
                                const ConversionPoint &from, EncodingDetector written,
                                std::vector<char> &chunk)
{
    ChunkConverter trial(run.style, TextEncoding::Windows1252, from);
    const ConversionTarget target{TextEncoding::Windows1252, true};
    bool fits = true;
    const auto check = [&](QByteArrayView bytes, bool atEnd) {
        if (!fits)
            return;
        const ConvertedChunk converted = trial.convert(bytes, atEnd, target);
        fits = converted.fits;
        if (fits) {
            written.feed(converted.first);
            written.feed(converted.second);
        }
    };
    readToEnd(source, chunk, [&](QByteArrayView bytes) { check(bytes, false); });
    check({}, true);
    return fits && windows1252ReadsBack(written);
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
// end of the input), whether all output so far has bytes in Windows-1252, and the
// output so far as the editor would read it.
struct AsciiStart {
    qsizetype chunkSize;
    bool outputFitsWindows1252;
    EncodingDetector written;
};

// ASCII reads the same in every encoding but UTF-32 (whose big-endian mark starts with two
// NULs): its conversion goes out at once, in UTF-8.
AsciiStart convertAsciiStart(ByteSource &input, std::vector<char> &chunk,
                             EncodingDetector &detector, ChunkConverter &converter)
{
    const ConversionTarget target{TextEncoding::Utf8, true};
    bool fits = true;
    EncodingDetector written;
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
        written.feed(converted.first);
        written.feed(converted.second);
    }
    return {got, fits, written};
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
        // Windows-1252 output only when all of it fits and reads back: tried ahead, then
        // read again.
        const off_t resumeAt = rest.position();
        const bool keep = start.outputFitsWindows1252
                && windows1252OutputReadsBack(run, rest, converter.point(), start.written, chunk);
        rest.seek(resumeAt);
        outputEncoding = keep ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    }
    converter.switchEncoding(encoding);
    const ConversionTarget target{outputEncoding, false};
    readToEnd(rest, chunk,
              [&](QByteArrayView bytes) { writeChunk(converter.convert(bytes, false, target)); });
    writeChunk(converter.convert({}, true, target));
    return 0;
}

} // namespace wimblet::filter
