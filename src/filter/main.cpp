// wimblet-convert: converts text to Cute Style or back to normal writing, as a filter.

#include "convert/styleconversion.h"
#include "filter/filterio.h"
#include "filter/streamfilter.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
        "UTF-16 or UTF-32 input with a byte order mark gives output in the same\n"
        "encoding and byte order, every code unit kept (UTF-32 only when all of it is\n"
        "valid). UTF-8 input gives UTF-8 output, also when a few invalid bytes are\n"
        "outnumbered by UTF-8 characters: those bytes are written back unchanged. Any\n"
        "other input is read as Windows-1252 and written back in it, or in UTF-8 if the\n"
        "converted text no longer fits. Input that mixes UTF-8 characters with invalid\n"
        "bytes is told of on standard error. Piped input that is not ASCII is kept in a\n"
        "temporary file in $TMPDIR (default /tmp) until its encoding is known.\n";

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

// Bytes read at a time. WIMBLET_CONVERT_CHUNK_BYTES overrides it for the tests alone, so
// that chunks of a few bytes reach every place where a chunk can end; it is no setting for
// users and is not in the help.
qsizetype chunkBytes()
{
    constexpr qsizetype Default = qsizetype(1) << 20;
    const char *forced = std::getenv("WIMBLET_CONVERT_CHUNK_BYTES");
    if (!forced)
        return Default;
    const long long bytes = std::strtoll(forced, nullptr, 10);
    return bytes >= 1 && bytes <= Default * 64 ? qsizetype(bytes) : Default;
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
    // A reader that goes away (`| head`) ends the program quietly, as for any filter,
    // even when the parent left SIGPIPE ignored.
    std::signal(SIGPIPE, SIG_DFL);
    const wimblet::filter::FilterRun run{
            options.style == Style::Cute ? wimblet::StyleStream::Style::Cute
                                         : wimblet::StyleStream::Style::Normal,
            options.standardInput, options.file, chunkBytes()};
    try {
        return wimblet::filter::runFilter(run);
    } catch (const wimblet::filter::FilterError &error) {
        return fail(error.what());
    } catch (const std::bad_alloc &) {
        return fail("not enough memory to convert " + describeInput(options));
    }
}
