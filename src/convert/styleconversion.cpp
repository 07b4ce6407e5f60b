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

// The conversion of one part and the sentence-capital flag after it, on a thread of its
// own when it is not the first.
struct Part {
    Utf16Output out;
    bool flagAfter = false;
};

QString convertInParts(TokenConverter::Direction direction, const QString &text, int parts,
                       qsizetype minPartSize)
{
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.constData());
    const std::vector<qsizetype> cuts = cutPoints(begin, text.size(), parts, minPartSize);
    const std::size_t count = cuts.size() - 1;
    // Made here, not on the threads: each takes the system locale once.
    std::vector<std::unique_ptr<TokenConverter>> converters;
    std::vector<Part> results;
    results.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        converters.push_back(std::make_unique<TokenConverter>(direction));
        // The first part grows into the whole result; the others are joined to it.
        results.push_back(Part{Utf16Output(k == 0 ? text.size() : cuts[k + 1] - cuts[k])});
    }
    const auto convertPart = [&](std::size_t k) {
        // Every part but the first is converted as if the text before it left the
        // sentence-capital flag clear, and mended when joined.
        results[k].flagAfter = converters[k]->convert(begin + cuts[k], cuts[k + 1] - cuts[k],
                                                      k == 0, results[k].out);
    };
    std::vector<std::future<void>> others;
    for (std::size_t k = 1; k < count; ++k) {
        try {
            others.push_back(std::async(std::launch::async, convertPart, k));
        } catch (const std::system_error &) {
            // No thread to be had: the part is converted here, when its result is asked for.
            others.push_back(std::async(std::launch::deferred, convertPart, k));
        }
    }
    std::exception_ptr failure;
    try {
        convertPart(0);
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

    Utf16Output &out = results[0].out;
    bool capitalizeNext = results[0].flagAfter;
    for (std::size_t k = 1; k < count; ++k) {
        Part &part = results[k];
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
