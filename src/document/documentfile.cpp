#include "document/documentfile.h"

#include <QStringDecoder>

#include <cstring>

namespace wimblet {

namespace {

// The file without its last line's terminator (CR LF or a lone CR): that one
// is not part of the text, while every earlier terminator becomes CR LF.
QByteArrayView withoutFinalTerminator(QByteArrayView bytes)
{
    if (bytes.endsWith("\r\n"))
        return bytes.chopped(2);
    if (bytes.endsWith('\r'))
        return bytes.chopped(1);
    return bytes;
}

qsizetype countLoneCarriageReturns(QByteArrayView bytes)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    qsizetype count = 0;
    while (p < end && (p = static_cast<const char *>(std::memchr(p, '\r', end - p)))) {
        ++p;
        if (p == end || *p != '\n')
            ++count;
    }
    return count;
}

// Copies `bytes` with a LF added after every lone CR.
QByteArray withCrLfForLoneCr(QByteArrayView bytes, qsizetype loneCount)
{
    QByteArray out(bytes.size() + loneCount, Qt::Uninitialized);
    char *dst = out.data();
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    while (p < end) {
        const auto *cr = static_cast<const char *>(std::memchr(p, '\r', end - p));
        const char *stop = cr ? cr + 1 : end;
        std::memcpy(dst, p, stop - p);
        dst += stop - p;
        p = stop;
        if (cr && (p == end || *p != '\n'))
            *dst++ = '\n';
    }
    return out;
}

QString decodeAs(QByteArrayView bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Windows1252)
        return decodeWindows1252(bytes);
    // QString::fromUtf8 drops a leading byte-order mark; the text keeps it
    // so that saving writes it back.
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

} // namespace

DecodedDocument decodeDocumentFile(QByteArrayView bytes)
{
    const TextEncoding encoding =
            isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    const QByteArrayView body = withoutFinalTerminator(bytes);
    const qsizetype loneCount = countLoneCarriageReturns(body);
    // The usual CR LF file decodes straight from the caller's bytes.
    if (loneCount == 0)
        return {decodeAs(body, encoding), encoding};
    return {decodeAs(withCrLfForLoneCr(body, loneCount), encoding), encoding};
}

QByteArray encodeDocumentFile(QStringView text, TextEncoding preferred, TextEncoding *used)
{
    // Sized exactly up front, terminator included, so nothing is copied twice.
    QByteArray out;
    TextEncoding encoding = TextEncoding::Utf8;
    if (preferred == TextEncoding::Windows1252) {
        out = QByteArray(text.size() + 2, Qt::Uninitialized);
        if (encodeWindows1252To(text, out.data()))
            encoding = TextEncoding::Windows1252;
    }
    if (encoding == TextEncoding::Utf8) {
        out = QByteArray(utf8Length(text) + 2, Qt::Uninitialized);
        encodeUtf8To(text, out.data());
    }
    char *const tail = out.data() + out.size() - 2;
    tail[0] = '\r';
    tail[1] = '\n';
    if (used)
        *used = encoding;
    return out;
}

} // namespace wimblet
