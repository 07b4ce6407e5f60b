#include "fuzzsupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace wimblet::fuzz {

namespace {

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

void appendCodePoint(QString &text, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        text.append(QChar(char16_t(codePoint)));
        return;
    }
    const char32_t offset = codePoint - 0x10000;
    text.append(QChar(char16_t(0xD800 + (offset >> 10))));
    text.append(QChar(char16_t(0xDC00 + (offset & 0x3FF))));
}

// Characters whose case mapping is unusual: longer results, ASCII results from non-ASCII
// letters, context-dependent forms, no lower case at all, or not characters at all.
// Indexes 9, 10 and 13 are tab, LF and CR, like the control bytes that pick them.
constexpr char32_t SpecialCharacters[32] = {
    0x0000,  // NUL
    0x00E9,  // e with acute
    0x00C9,  // E with acute
    0x00DF,  // sharp s
    0x0130,  // I with dot above: lower-cases to i and a combining dot
    0x0131,  // dotless i
    0x212A,  // Kelvin sign: lower-cases to ASCII k
    0x212B,  // Angstrom sign
    0x1E9E,  // capital sharp s
    0x0009,  // tab
    0x000A,  // LF
    0x03A3,  // capital sigma: final or medial form depends on its neighbours
    0x03C2,  // final sigma
    0x000D,  // CR
    0xFEFF,  // byte-order mark
    0x0301,  // combining acute accent
    0x01C5,  // title-case DZ with caron
    0xFB00,  // ligature ff
    0xD83D,  // lone high surrogate
    0xDE00,  // lone low surrogate
    0x1F600, // outside the BMP
    0xFF21,  // full-width A
    0x00C0,  // A with grave
    0x00A0,  // no-break space
    0x2028,  // line separator
    0x0085,  // next line
    0x00D8,  // O with stroke
    0x01C4,  // capital DZ with caron
    0x2019,  // right single quotation mark, case-ignorable
    0x2126,  // Ohm sign
    0x1D400, // mathematical bold A
    0x13A0,  // Cherokee A: its lower case is in a later block
};

// Parts of the generated words: Indonesian-looking syllables.
constexpr char Consonants[] = "bcdghjklmnprstz";
constexpr char Vowels[] = "aeiou";

QString distinctWord(int index)
{
    QString word;
    int rest = index;
    do {
        word.append(QLatin1Char(Consonants[rest % 15]));
        rest /= 15;
        word.append(QLatin1Char(Vowels[rest % 5]));
        rest /= 5;
    } while (rest > 0);
    return word;
}

} // namespace

int utf8SequenceAt(QByteArrayView bytes, char32_t &codePoint)
{
    const auto byteAt = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.isEmpty())
        return 0;
    const unsigned char lead = byteAt(0);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(byteAt(i)))
            return 0;
        codePoint = (codePoint << 6) | (byteAt(i) & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF)
        return 0;
    return length;
}

std::optional<QString> decodeStrictUtf8(QByteArrayView bytes)
{
    QString text;
    while (!bytes.isEmpty()) {
        char32_t codePoint = 0;
        const int length = utf8SequenceAt(bytes, codePoint);
        if (length == 0)
            return std::nullopt;
        appendCodePoint(text, codePoint);
        bytes = bytes.sliced(length);
    }
    return text;
}

QString textFromFuzzBytes(const std::uint8_t *data, std::size_t size)
{
    QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString text;
    while (!bytes.isEmpty()) {
        const unsigned char byte = static_cast<unsigned char>(bytes.front());
        char32_t codePoint = 0;
        int length = 0;
        if (byte >= 0x20 && byte < 0x7F) {
            codePoint = byte;
            length = 1;
        } else if (byte >= 0x80) {
            length = utf8SequenceAt(bytes, codePoint);
        }
        if (length == 0) {
            codePoint = SpecialCharacters[byte & 0x1F];
            length = 1;
        }
        appendCodePoint(text, codePoint);
        bytes = bytes.sliced(length);
    }
    return text;
}

QString manyDistinctWords(QStringView piece, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        const QString word = distinctWord(i);
        if (piece.contains(u'#')) {
            text.append(piece.toString().replace(u'#', word));
        } else {
            text.append(piece);
            text.append(u' ');
            text.append(word);
        }
        text.append(u' ');
    }
    return text;
}

QString textForConversion(const std::uint8_t *data, std::size_t size)
{
    // 600 words outgrow the first memo tables (1024 slots, grown at half full), and a short
    // piece keeps the text small enough for the step-by-step conversion to stay quick.
    if (size > 0 && data[0] == '~')
        return manyDistinctWords(textFromFuzzBytes(data + 1, std::min<std::size_t>(size - 1, 12)),
                                 600);
    return textFromFuzzBytes(data, size);
}

std::string escaped(QStringView text)
{
    std::string out;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit == u'\r') {
            out += "\\r";
        } else if (unit == u'\n') {
            out += "\\n";
        } else if (unit == u'\\') {
            out += "\\\\";
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += char(unit);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", unsigned(unit));
            out += buffer;
        }
    }
    return out;
}

std::string hex(QByteArrayView bytes)
{
    std::string out;
    for (const char byte : bytes) {
        char buffer[4];
        std::snprintf(buffer, sizeof buffer, "%02X", unsigned(static_cast<unsigned char>(byte)));
        if (!out.empty())
            out += ' ';
        out += buffer;
    }
    return out;
}

void failTextDifference(const char *title, QByteArrayView input, QStringView expected,
                        QStringView got)
{
    const qsizetype common = std::min(expected.size(), got.size());
    qsizetype at = 0;
    while (at < common && expected[at] == got[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 20);
    const auto around = [from, at](QStringView text) {
        return escaped(text.mid(from, at - from + 20));
    };
    // A long generated text would bury the difference.
    const auto whole = [](QStringView text) {
        return text.size() <= 4000 ? escaped(text) : std::string("(too long to show)");
    };
    std::fprintf(stderr,
                 "\n=== %s ===\ninput bytes (%lld): %s\n"
                 "first difference at UTF-16 index %lld (expected length %lld, got %lld)\n"
                 "  expected ...%s...\n  got      ...%s...\n"
                 "expected in full: %s\ngot in full:      %s\n",
                 title, static_cast<long long>(input.size()), hex(input).c_str(),
                 static_cast<long long>(at), static_cast<long long>(expected.size()),
                 static_cast<long long>(got.size()), around(expected).c_str(),
                 around(got).c_str(), whole(expected).c_str(), whole(got).c_str());
    std::abort();
}

void fail(const std::string &message, QByteArrayView input)
{
    std::fprintf(stderr, "\n=== %s ===\ninput bytes (%lld): %s\n", message.c_str(),
                 static_cast<long long>(input.size()), hex(input).c_str());
    std::abort();
}

void checkConversion(const Conversion &conversion, const std::uint8_t *data, std::size_t size)
{
    const QString text = textForConversion(data, size);
    const QString expected = conversion.reference(text);
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString whole = conversion.fast(text);
    if (whole != expected) {
        const std::string title = std::string(conversion.name) + " differs from the reference";
        failTextDifference(title.c_str(), input, expected, whole);
    }
    const int parts = 2 + int(size % 5);
    const qsizetype minPartSize = 1 + qsizetype(size % 13);
    const QString inParts = conversion.inParts(text, parts, minPartSize);
    if (inParts != expected) {
        const std::string title = std::string(conversion.name) + " in " + std::to_string(parts)
                + " parts of at least " + std::to_string(minPartSize)
                + " differs from the reference";
        failTextDifference(title.c_str(), input, expected, inParts);
    }
}

} // namespace wimblet::fuzz
