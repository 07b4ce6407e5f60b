// Reading any file and saving it again must give its bytes back, changed only where the
// file format says so, and the saved file must read back as the same text. The encodings
// are checked against readings of their own here: UTF-32 and UTF-16 unit by unit, UTF-8
// byte by byte with the stand-ins of stray bytes.
#include "document/documentfile.h"
#include "fuzzsupport.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {

using wimblet::TextEncoding;

// Windows-1252 bytes 0x80 to 0x9F; the five the code page leaves out stand for the C1
// control of the same value.
constexpr char16_t Windows1252High[32] = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

// The file as saving its text writes it: every lone CR followed by a LF, and a CR LF
// added when the last line has no terminator (an empty file included).
QByteArray savedForm(QByteArrayView file)
{
    QByteArray saved;
    for (qsizetype i = 0; i < file.size(); ++i) {
        saved.append(file[i]);
        const bool loneCr = file[i] == '\r' && (i + 1 == file.size() || file[i + 1] != '\n');
        if (loneCr)
            saved.append('\n');
    }
    if (!saved.endsWith("\r\n"))
        saved.append("\r\n");
    return saved;
}

QString decodedWindows1252(QByteArrayView bytes)
{
    QString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.append(QChar(value >= 0x80 && value < 0xA0 ? Windows1252High[value - 0x80]
                                                         : char16_t(value)));
    }
    return text;
}

std::string encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Windows1252:
        return "Windows-1252";
    case TextEncoding::Utf16LE:
        return "UTF-16 LE";
    case TextEncoding::Utf16BE:
        return "UTF-16 BE";
    case TextEncoding::Utf32LE:
        return "UTF-32 LE";
    case TextEncoding::Utf32BE:
        return "UTF-32 BE";
    }
    return "?";
}

// A file read unit by unit: its text as UTF-16 units, mark included, its encoding, and
// the odd last byte of UTF-16.
struct UnitFile {
    std::u16string units;
    TextEncoding encoding;
    int oddByte = -1;
};

void appendCodePoint(std::u16string &units, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        units.push_back(char16_t(codePoint));
    } else {
        units.push_back(char16_t(0xD800 + ((codePoint - 0x10000) >> 10)));
        units.push_back(char16_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    }
}

// The file as UTF-32: a mark of either order, a length of whole units, and every unit a
// character (no surrogate, nothing above U+10FFFF).
std::optional<UnitFile> readAsUtf32(QByteArrayView file)
{
    const bool bigEndian = file.startsWith(QByteArrayView("\0\0\xFE\xFF", 4));
    if ((!bigEndian && !file.startsWith(QByteArrayView("\xFF\xFE\0\0", 4))) || file.size() % 4 != 0)
        return std::nullopt;
    UnitFile read{{}, bigEndian ? TextEncoding::Utf32BE : TextEncoding::Utf32LE};
    for (qsizetype i = 0; i < file.size(); i += 4) {
        char32_t unit = 0;
        for (int b = 0; b < 4; ++b)
            unit |= char32_t(static_cast<unsigned char>(file[i + b])) << (bigEndian ? 24 - 8 * b : 8 * b);
        if (unit > 0x10FFFF || (unit >= 0xD800 && unit < 0xE000))
            return std::nullopt;
        appendCodePoint(read.units, unit);
    }
    return read;
}

// The file as UTF-16 whenever it starts with a mark: every unit as it stands, an odd
// last byte kept aside.
std::optional<UnitFile> readAsUtf16(QByteArrayView file)
{
    const bool bigEndian = file.startsWith("\xFE\xFF");
    if (!bigEndian && !file.startsWith("\xFF\xFE"))
        return std::nullopt;
    UnitFile read{{}, bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE};
    for (qsizetype i = 0; i + 1 < file.size(); i += 2) {
        const auto first = static_cast<unsigned char>(file[i]);
        const auto second = static_cast<unsigned char>(file[i + 1]);
        read.units.push_back(char16_t(bigEndian ? first << 8 | second : second << 8 | first));
    }
    if (file.size() % 2 != 0)
        read.oddByte = static_cast<unsigned char>(file.back());
    return read;
}

// The file as UTF-8 read byte by byte: each well-formed sequence as its character, each
// other byte as U+DC00 plus its value; and how many of each there were.
struct Utf8Reading {
    QString text;
    qsizetype sequences = 0;
    qsizetype strays = 0;
    bool utf8 = false; // by the module's weighing of the sequences where they stand
    bool readsAsUtf8() const { return strays == 0 || utf8; }
};

Utf8Reading readAsUtf8(QByteArrayView bytes)
{
    Utf8Reading read;
    read.utf8 = wimblet::readsAsUtf8(wimblet::checkUtf8(bytes));
    while (!bytes.isEmpty()) {
        char32_t codePoint = 0;
        int length = wimblet::fuzz::utf8SequenceAt(bytes, codePoint);
        if (length == 0) {
            codePoint = 0xDC00 + static_cast<unsigned char>(bytes.front());
            length = 1;
            ++read.strays;
        } else if (length > 1) {
            ++read.sequences;
        }
        std::u16string units;
        appendCodePoint(units, codePoint);
        read.text.append(QStringView(units.data(), qsizetype(units.size())));
        bytes = bytes.sliced(length);
    }
    return read;
}

std::optional<UnitFile> readAsUnits(QByteArrayView file)
{
    if (std::optional<UnitFile> utf32 = readAsUtf32(file))
        return utf32;
    return readAsUtf16(file);
}

TextEncoding encodingOf(QByteArrayView file)
{
    if (const std::optional<UnitFile> units = readAsUnits(file))
        return units->encoding;
    return readAsUtf8(file).readsAsUtf8() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

// The units as saving their text writes them, every lone CR followed by a LF and one
// CR LF at the end.
std::u16string savedUnits(const std::u16string &units)
{
    std::u16string saved;
    for (std::size_t i = 0; i < units.size(); ++i) {
        saved.push_back(units[i]);
        if (units[i] == u'\r' && (i + 1 == units.size() || units[i + 1] != u'\n'))
            saved.push_back(u'\n');
    }
    if (saved.size() < 2 || saved.compare(saved.size() - 2, 2, u"\r\n") != 0)
        saved += u"\r\n";
    return saved;
}

QByteArray bytesOfUnits(const std::u16string &units, TextEncoding encoding)
{
    const bool bigEndian = encoding == TextEncoding::Utf16BE || encoding == TextEncoding::Utf32BE;
    const QString text(reinterpret_cast<const QChar *>(units.data()), qsizetype(units.size()));
    QByteArray bytes;
    const auto put = [&](char32_t unit, int width) {
        for (int b = 0; b < width; ++b)
            bytes.append(char(unit >> (bigEndian ? 8 * (width - 1 - b) : 8 * b)));
    };
    if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE) {
        for (const char16_t unit : units)
            put(unit, 2);
    } else {
        for (const char32_t codePoint : text.toUcs4())
            put(codePoint, 4);
    }
    return bytes;
}

struct Expected {
    TextEncoding encoding;
    QString text;
    QByteArray saved;
    TextEncoding savedEncoding;
    int trailingByte = -1;
};

Expected expectedFor(QByteArrayView file)
{
    if (const std::optional<UnitFile> read = readAsUnits(file)) {
        const std::u16string saved = savedUnits(read->units);
        QByteArray bytes = bytesOfUnits(saved, read->encoding);
        if (read->oddByte >= 0)
            bytes.append(char(read->oddByte));
        return {read->encoding,
                QString(reinterpret_cast<const QChar *>(saved.data()), qsizetype(saved.size()) - 2),
                bytes, read->encoding, read->oddByte};
    }
    QByteArray saved = savedForm(file);
    // The saved form holds the text followed by one CR LF.
    const QByteArrayView body = QByteArrayView(saved).chopped(2);
    if (readAsUtf8(file).readsAsUtf8())
        return {TextEncoding::Utf8, readAsUtf8(body).text, saved, TextEncoding::Utf8};
    const QString text = decodedWindows1252(body);
    // Windows-1252 bytes that would read back otherwise (but for ASCII) are saved as UTF-8.
    const bool ascii = std::all_of(saved.cbegin(), saved.cend(), [](char c) { return uchar(c) < 0x80; });
    if (encodingOf(saved) != TextEncoding::Windows1252 && !ascii)
        return {TextEncoding::Windows1252, text, (text + QStringLiteral("\r\n")).toUtf8(), TextEncoding::Utf8};
    return {TextEncoding::Windows1252, text, saved, TextEncoding::Windows1252};
}

// A CR in document text only ever begins a line break.
bool onlyCrLfBreaks(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace wimblet;
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const Expected expected = expectedFor(file);
    const QByteArray &expectedBytes = expected.saved;
    const TextEncoding expectedEncoding = expected.encoding;
    const QString &expectedText = expected.text;

    const DecodedDocument decoded = decodeDocumentFile(file);
    if (decoded.trailingByte != expected.trailingByte)
        fuzz::fail("odd byte kept as " + std::to_string(decoded.trailingByte), file);
    if (decoded.encoding != expectedEncoding)
        fuzz::fail("read as " + encodingName(decoded.encoding) + ", expected "
                           + encodingName(expectedEncoding),
                   file);
    if (decoded.text != expectedText)
        fuzz::failTextDifference("text read differs", file, expectedText, decoded.text);
    if (!onlyCrLfBreaks(decoded.text))
        fuzz::fail("text read holds a CR without a LF", file);

    // Anything but the expected value, so that a `used` left unset shows.
    TextEncoding used = expected.savedEncoding == TextEncoding::Utf8 ? TextEncoding::Windows1252
                                                                     : TextEncoding::Utf8;
    const QByteArray saved =
            encodeDocumentFile(decoded.text, decoded.encoding, &used, decoded.trailingByte);
    if (used != expected.savedEncoding)
        fuzz::fail("saved as " + encodingName(used) + " a text read as "
                           + encodingName(decoded.encoding),
                   file);
    if (saved != expectedBytes)
        fuzz::fail("saved bytes differ\n  expected: " + fuzz::hex(expectedBytes)
                           + "\n  got:      " + fuzz::hex(saved),
                   file);

    // Saved bytes are read by the same rules: UTF-16 or stray-byte UTF-8 whose saved form
    // happens to be valid UTF-32 reads back as UTF-32, its bytes unchanged all the same.
    const DecodedDocument reread = decodeDocumentFile(saved);
    if (reread.encoding != encodingOf(saved))
        fuzz::fail("saved file read back as " + encodingName(reread.encoding) + ", saved as "
                           + encodingName(used),
                   file);
    if (reread.encoding == used && reread.text != decoded.text)
        fuzz::failTextDifference("saved file reads back differently", file, decoded.text,
                                 reread.text);
    return 0;
}
