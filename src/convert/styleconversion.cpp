#include "convert/styleconversion.h"

#include "convert/textcase.h"
#include "convert/tokenconverter.h"
#include "convert/tokenscan.h"
#include "convert/utf16output.h"

#include <QThread>

#include <algorithm>
#include <exception>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

namespace wimblet {

namespace {

using detail::TokenConverter;
using detail::Utf16Output;

// Below this a part is not worth a thread of its own.
constexpr qsizetype MinPartSize = qsizetype(1) << 20;
constexpr int MaxParts = 8;

int partsForThisMachine()
{
    return std::clamp(QThread::idealThreadCount(), 1, MaxParts);
}

// Where to cut the text into at most `parts` parts of at least `minPartSize` characters:
// always at a separator, so that no token is cut. Starts with 0, ends with the size.
std::vector<qsizetype> cutPoints(const char16_t *text, qsizetype size, int parts,
                                 qsizetype minPartSize)
{
    const qsizetype count = std::clamp<qsizetype>(size / std::max<qsizetype>(minPartSize, 1),
                                                  1, std::max(parts, 1));
    std::vector<qsizetype> cuts{0};
    for (qsizetype k = 1; k < count; ++k) {
        qsizetype at = std::max(size / count * k, cuts.back() + 1);
        while (at < size && !detail::separatesTokens(text[at]))
            ++at;
        if (at >= size)
            break;
        cuts.push_back(at);
    }
    cuts.push_back(size);
    return cuts;
}

// One part of the text: where it lies, its converter (made on the calling thread, where
// it takes the system locale), its result and the sentence-capital flag after it.
struct Part {
    const char16_t *text;
    qsizetype size;
    std::unique_ptr<TokenConverter> converter;
    Utf16Output out;
    bool flagAfter = false;

    // Every part but the first is converted as if the text before it left the
    // sentence-capital flag clear, and mended when joined.
    void convert(bool first) { flagAfter = converter->convert(text, size, first, out); }
};

// Converts the first part here and the others on threads of their own; rethrows what any
// of them threw once all have finished.
void convertAll(std::vector<Part> &parts)
{
    std::vector<std::future<void>> others;
    for (std::size_t k = 1; k < parts.size(); ++k) {
        const auto convertPart = [&parts, k] { parts[k].convert(false); };
        try {
            others.push_back(std::async(std::launch::async, convertPart));
        } catch (const std::system_error &) {
            // No thread to be had: the part is converted here, when its result is asked for.
            others.push_back(std::async(std::launch::deferred, convertPart));
        }
    }
    std::exception_ptr failure;
    try {
        parts[0].convert(true);
    } catch (...) {
        failure = std::current_exception();
    }
    for (std::future<void> &other : others) {
        try {
            other.get();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

// Appends every later part to the first, mending sentence capitals at each join.
QString join(std::vector<Part> &parts, TokenConverter::Direction direction)
{
    Utf16Output &out = parts[0].out;
    bool capitalizeNext = parts[0].flagAfter;
    for (std::size_t k = 1; k < parts.size(); ++k) {
        Part &part = parts[k];
        const qsizetype joinedAt = out.size();
        out.append(part.out.data(), part.out.size(), false);
        part.out = Utf16Output(0); // its memory is not needed any more
        if (direction == TokenConverter::Direction::Normal) {
            capitalizeNext = detail::resumeSentenceCase(out.data() + joinedAt,
                                                        out.size() - joinedAt, capitalizeNext,
                                                        part.flagAfter);
        }
    }
    return out.take();
}

QString convertInParts(TokenConverter::Direction direction, const QString &text, int parts,
                       qsizetype minPartSize)
{
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.constData());
    const std::vector<qsizetype> cuts = cutPoints(begin, text.size(), parts, minPartSize);
    std::vector<Part> pieces;
    pieces.reserve(cuts.size() - 1);
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const qsizetype size = cuts[k + 1] - cuts[k];
        // The first part grows into the whole result; the others are joined to it.
        pieces.push_back(Part{begin + cuts[k], size, std::make_unique<TokenConverter>(direction),
                              Utf16Output(k == 0 ? text.size() : size)});
    }
    convertAll(pieces);
    return join(pieces, direction);
}

} // namespace

QString toCuteStyle(const QString &text)
{
    return convertInParts(TokenConverter::Direction::Cute, text, partsForThisMachine(),
                          MinPartSize);
}

QString toNormalStyle(const QString &text)
{
    return convertInParts(TokenConverter::Direction::Normal, text, partsForThisMachine(),
                          MinPartSize);
}

namespace detail {

QString toCuteStyleInParts(const QString &text, int parts, qsizetype minPartSize)
{
    return convertInParts(TokenConverter::Direction::Cute, text, parts, minPartSize);
}

QString toNormalStyleInParts(const QString &text, int parts, qsizetype minPartSize)
{
    return convertInParts(TokenConverter::Direction::Normal, text, parts, minPartSize);
}

} // namespace detail
} // namespace wimblet
