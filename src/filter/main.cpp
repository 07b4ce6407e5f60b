// wimblet-convert: converts text to Cute Style or back to normal writing, as a filter.

#include "convert/styleconversion.h"
#include "encoding/textencoding.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

const char Usage[] =
        "Usage: wimblet-convert --cute [FILE]\n"
        "       wimblet-convert --normal [FILE]\n"
        "\n"
        "Converts the text of FILE, or of standard input when FILE is missing or \"-\",\n"
        "and writes it to standard output.\n"
        "\n"
        "  --cute     write the text in Cute Style\n"
        "  --normal   write Cute Style text back in normal writing\n"
        "  --help     show this help\n"
        "\n"
        "UTF-8 input gives UTF-8 output; UTF-16 input with a byte order mark gives\n"
        "UTF-16 output in the same byte order; any other input is read as\n"
        "Windows-1252 and written back in it, or in UTF-8 if the converted text no\n"
        "longer fits.\n";

enum class Style { None, Cute, Normal };

struct Options {
    Style style = Style::None;
    bool help = false;
    bool standardInput = true;
    std::string file;
    std::string error;
};

Options parseOptions(int argc, char **argv)
{
    Options options;
    bool filesOnly = false;
    bool haveFile = false;
    for (int i = 1; i < argc && options.error.empty(); ++i) {
        const std::string arg = argv[i];
        if (!filesOnly && (arg == "--cute" || arg == "--normal")) {
            const Style style = arg == "--cute" ? Style::Cute : Style::Normal;
            if (options.style != Style::None && options.style != style)
                options.error = "choose only one of --cute and --normal";
            options.style = style;
        } else if (!filesOnly && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!filesOnly && arg == "--") {
            filesOnly = true;
        } else if (!filesOnly && arg.size() > 1 && arg[0] == '-') {
            options.error = "unknown option '" + arg + "' (try --help)";
        } else if (haveFile) {
            options.error = "too many files: '" + arg + "' (one FILE at most)";
        } else {
            haveFile = true;
            options.standardInput = arg == "-";
            options.file = arg;
        }
    }
    if (options.error.empty() && !options.help && options.style == Style::None)
        options.error = "missing --cute or --normal (try --help)";
    return options;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "wimblet-convert: %s\n", message.c_str());
    return 1;
}

std::string describeInput(const Options &options)
{
    return options.standardInput ? std::string("standard input") : "'" + options.file + "'";
}

// Reads the whole stream; on failure returns false with errno telling why.
bool readAll(std::FILE *stream, QByteArray &bytes)
{
    struct stat info;
    if (::fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode))
        bytes.reserve(qsizetype(info.st_size) + 1);
    char chunk[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, stream);
        bytes.append(chunk, qsizetype(got));
        if (got < sizeof chunk)
            return !std::ferror(stream);
    }
}

// Reads FILE or standard input; on failure returns why, naming the input.
std::string readInput(const Options &options, QByteArray &bytes)
{
    std::FILE *stream = options.standardInput ? stdin : std::fopen(options.file.c_str(), "rb");
    if (stream == nullptr)
        return "cannot read " + describeInput(options) + ": " + std::strerror(errno);
    errno = 0;
    const bool read = readAll(stream, bytes);
    const int error = errno != 0 ? errno : EIO;
    if (stream != stdin)
        std::fclose(stream);
    if (!read)
        return "cannot read " + describeInput(options) + ": " + std::strerror(error);
    return std::string();
}

int convert(const Options &options)
{
    QByteArray input;
    const std::string readError = readInput(options, input);
    if (!readError.empty())
        return fail(readError);

    // Each copy is released as soon as the next one exists, to keep big files affordable.
    wimblet::DecodedText decoded = wimblet::decodeDetected(input);
    input = QByteArray();
    QString converted = options.style == Style::Cute ? wimblet::toCuteStyle(decoded.text)
                                                     : wimblet::toNormalStyle(decoded.text);
    decoded.text = QString();
    const QByteArray output = wimblet::encodeText(converted, decoded.encoding).bytes;
    converted = QString();

    const std::size_t size = std::size_t(output.size());
    if (std::fwrite(output.constData(), 1, size, stdout) != size || std::fflush(stdout) != 0)
        return fail(std::string("cannot write the output: ") + std::strerror(errno));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parseOptions(argc, argv);
    if (options.help) {
        if (std::fputs(Usage, stdout) < 0 || std::fflush(stdout) != 0)
            return fail(std::string("cannot write the help: ") + std::strerror(errno));
        return 0;
    }
    if (!options.error.empty())
        return fail(options.error);
    try {
        return convert(options);
    } catch (const std::bad_alloc &) {
        return fail("not enough memory to convert " + describeInput(options));
    }
}
