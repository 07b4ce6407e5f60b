// Reading any file and saving it again must give its bytes back, changed only where the
// file format says so, and the saved file must read back as the same text. UTF-16 files
// are checked against a reading of their own units here.
#include "document/documentfile.h"
#include "fuzzsupport.h"

#include <QByteArray>
#include <QString>

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
    }
    return "?";
}

// A file read as UTF-16: its units, mark included, and their byte order.
struct Utf16File {
    std::u16string units;
    TextEncoding encoding;
};

// The file as UTF-16 when it starts with a mark (and not with the UTF-32 LE one), has
// an even length and pairs every surrogate.
std::optional<Utf16File> readAsUtf16(QByteArrayView file)
{
    if (file.size() < 2 || file.size() % 2 != 0 || file.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return std::nullopt;
    const bool bigEndian = file.startsWith("\xFE\xFF");
    if (!bigEndian && !file.startsWith("\xFF\xFE"))
        return std::nullopt;
    Utf16File read{{}, bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE};
    for (qsizetype i = 0; i < file.size(); i += 2) {
        const auto first = static_cast<unsigned char>(file[i]);
        const auto second = static_cast<unsigned char>(file[i + 1]);
        read.units.push_back(char16_t(bigEndian ? first << 8 | second : second << 8 | first));
    }
    for (std::size_t i = 0; i < read.units.size(); ++i) {
        const char16_t unit = read.units[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (low)
            return std::nullopt;
        if (high) {
            if (i + 1 == read.units.size() || read.units[i + 1] < 0xDC00 || read.units[i + 1] >= 0xE000)
                return std::nullopt;
            ++i;
        }
    }
    return read;
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
    QByteArray bytes;
    for (const char16_t unit : units) {
        const char high = char(unit >> 8);
        const char low = char(unit & 0xFF);
        bytes.append(encoding == TextEncoding::Utf16BE ? high : low);
        bytes.append(encoding == TextEncoding::Utf16BE ? low : high);
    }
    return bytes;
}

struct Expected {
    TextEncoding encoding;
    QString text;
    QByteArray saved;
    TextEncoding savedEncoding;
};

Expected expectedFor(QByteArrayView file)
{
    if (const std::optional<Utf16File> utf16 = readAsUtf16(file)) {
        const std::u16string saved = savedUnits(utf16->units);
        return {utf16->encoding,
                QString(reinterpret_cast<const QChar *>(saved.data()), qsizetype(saved.size()) - 2),
                bytesOfUnits(saved, utf16->encoding), utf16->encoding};
    }
    QByteArray saved = savedForm(file);
    // The saved form holds the text followed by one CR LF.
    const QByteArrayView body = QByteArrayView(saved).chopped(2);
    const std::optional<QString> utf8 = wimblet::fuzz::decodeStrictUtf8(file);
    if (utf8)
        return {TextEncoding::Utf8, *wimblet::fuzz::decodeStrictUtf8(body), saved, TextEncoding::Utf8};
    const QString text = decodedWindows1252(body);
    // Windows-1252 bytes that would read back as UTF-16 are saved as UTF-8 instead.
    if (readAsUtf16(saved))
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
    const QByteArray saved = encodeDocumentFile(decoded.text, decoded.encoding, &used);
    if (used != expected.savedEncoding)
        fuzz::fail("saved as " + encodingName(used) + " a text read as "
                           + encodingName(decoded.encoding),
                   file);
    if (saved != expectedBytes)
        fuzz::fail("saved bytes differ\n  expected: " + fuzz::hex(expectedBytes)
                           + "\n  got:      " + fuzz::hex(saved),
                   file);

    const DecodedDocument reread = decodeDocumentFile(saved);
    if (reread.encoding != used)
        fuzz::fail("saved file read back as " + encodingName(reread.encoding) + ", saved as "
                           + encodingName(used),
                   file);
    if (reread.text != decoded.text)
        fuzz::failTextDifference("saved file reads back differently", file, decoded.text,
                                 reread.text);
    return 0;
}
