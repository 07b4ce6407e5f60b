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

TokenConverter::Direction directionOf(StyleStream::Style style)
{
    return style == StyleStream::Style::Cute ? TokenConverter::Direction::Cute
                                             : TokenConverter::Direction::Normal;
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
// it takes the system locale), where its result goes and the sentence-capital flag after
// it.
struct Part {
    const char16_t *text;
    qsizetype size;
    TokenConverter *converter;
    Utf16Output *out;
    bool flagAfter = false;

    void convert(bool capitalizeFirst)
    {
        flagAfter = converter->convert(text, size, capitalizeFirst, *out);
    }
};

// Converts the first part here and the others on threads of their own; rethrows what any
// of them threw once all have finished. Every part but the first is converted as if the
// text before it left the sentence-capital flag clear, and mended when joined.
void convertAll(std::vector<Part> &parts, bool capitalizeFirst)
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
        parts[0].convert(capitalizeFirst);
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

// Appends every later part to the first, mending sentence capitals at each join; returns
// the flag after the last part.
bool join(std::vector<Part> &parts, TokenConverter::Direction direction, bool shrink)
{
    Utf16Output &out = *parts[0].out;
    bool capitalizeNext = parts[0].flagAfter;
    for (std::size_t k = 1; k < parts.size(); ++k) {
        Part &part = parts[k];
        const qsizetype joinedAt = out.size();
        out.append(part.out->data(), part.out->size(), false);
        part.out->clear();
        if (shrink)
            *part.out = Utf16Output(0); // its memory is not needed any more
        if (direction == TokenConverter::Direction::Normal) {
            capitalizeNext = detail::resumeSentenceCase(out.data() + joinedAt,
                                                        out.size() - joinedAt, capitalizeNext,
                                                        part.flagAfter);
        } else {
            capitalizeNext = part.flagAfter;
        }
    }
    return capitalizeNext;
}

} // namespace

// A converter and an output for every part there may be, kept from piece to piece.
struct detail::PartWorkers {
    TokenConverter::Direction direction;
    int parts;
    qsizetype minPartSize;
    std::vector<std::unique_ptr<TokenConverter>> converters;
    std::vector<Utf16Output> outputs;

    // Converts `text` into outputs[0]; returns the flag after it.
    bool convert(const char16_t *text, qsizetype size, bool capitalizeFirst, bool shrink)
    {
        const std::vector<qsizetype> cuts = cutPoints(text, size, parts, minPartSize);
        std::vector<Part> pieces;
        pieces.reserve(cuts.size() - 1);
        // Room first: the parts point into these vectors.
        converters.reserve(cuts.size());
        outputs.reserve(cuts.size());
        for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
            if (k == converters.size()) {
                converters.push_back(std::make_unique<TokenConverter>(direction));
                // The first part grows into the whole result; the others are joined to it.
                outputs.emplace_back(k == 0 ? size : cuts[k + 1] - cuts[k]);
            }
            outputs[k].clear();
            pieces.push_back(Part{text + cuts[k], cuts[k + 1] - cuts[k], converters[k].get(),
                                  &outputs[k]});
        }
        convertAll(pieces, capitalizeFirst);
        return join(pieces, direction, shrink);
    }
};

namespace {

QString convertInParts(TokenConverter::Direction direction, const QString &text, int parts,
                       qsizetype minPartSize)
{
    detail::PartWorkers workers{direction, parts, minPartSize, {}, {}};
    workers.convert(reinterpret_cast<const char16_t *>(text.constData()), text.size(), true,
                    true);
    return workers.outputs[0].take();
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

StyleStream::StyleStream(Style style)
    : StyleStream(style, 1, 0, detail::MaxTokenHeldBack)
{
}

StyleStream::StyleStream(Style style, int parts, qsizetype minPartSize, qsizetype maxHeldBack)
    : m_workers(new detail::PartWorkers{directionOf(style), parts, minPartSize, {}, {}}),
      m_maxHeldBack(maxHeldBack)
{
}

StyleStream::~StyleStream() = default;

StyleStream::Step StyleStream::convert(QStringView text, bool atEnd, bool capitalizeFirst)
{
    const auto *const begin = reinterpret_cast<const char16_t *>(text.utf16());
    qsizetype size = text.size();
    if (!atEnd)
        size = detail::cutBeforeOpenToken([begin](qsizetype i) { return begin[i]; }, size,
                                          m_maxHeldBack);
    const bool capitalizeNext = m_workers->convert(begin, size, capitalizeFirst, false);
    const Utf16Output &out = m_workers->outputs[0];
    return {size, capitalizeNext, QStringView(out.data(), out.size())};
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
