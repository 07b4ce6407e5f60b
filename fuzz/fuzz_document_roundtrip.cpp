// Reading any file and saving it again must give its bytes back, changed only where the
// file format says so, and the saved file must read back as the same text.
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
    return encoding == TextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
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
    const QByteArray expectedBytes = savedForm(file);
    // The saved form holds the text followed by one CR LF.
    const QByteArrayView body = QByteArrayView(expectedBytes).chopped(2);
    const std::optional<QString> utf8 = fuzz::decodeStrictUtf8(file);
    const TextEncoding expectedEncoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    const QString expectedText = utf8 ? *fuzz::decodeStrictUtf8(body) : decodedWindows1252(body);

    const DecodedDocument decoded = decodeDocumentFile(file);
    if (decoded.encoding != expectedEncoding)
        fuzz::fail("read as " + encodingName(decoded.encoding) + ", expected "
                           + encodingName(expectedEncoding),
                   file);
    if (decoded.text != expectedText)
        fuzz::failTextDifference("text read differs", file, expectedText, decoded.text);
    if (!onlyCrLfBreaks(decoded.text))
        fuzz::fail("text read holds a CR without a LF", file);

    TextEncoding used = expectedEncoding == TextEncoding::Utf8 ? TextEncoding::Windows1252
                                                               : TextEncoding::Utf8;
    const QByteArray saved = encodeDocumentFile(decoded.text, decoded.encoding, &used);
    if (used != decoded.encoding)
        fuzz::fail("saved as " + encodingName(used) + " a text read as "
                           + encodingName(decoded.encoding),
                   file);
    if (saved != expectedBytes)
        fuzz::fail("saved bytes differ\n  expected: " + fuzz::hex(expectedBytes)
                           + "\n  got:      " + fuzz::hex(saved),
                   file);

    const DecodedDocument reread = decodeDocumentFile(saved);
    if (reread.encoding != decoded.encoding)
        fuzz::fail("saved file read back as " + encodingName(reread.encoding) + ", first read as "
                           + encodingName(decoded.encoding),
                   file);
    if (reread.text != decoded.text)
        fuzz::failTextDifference("saved file reads back differently", file, decoded.text,
                                 reread.text);
    return 0;
}
