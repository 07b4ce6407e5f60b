#include "document/documentfile.h"

#include <cstring>
#include <utility>

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

// The same line rules for text decoded from UTF-16, whose breaks are units.
QString withDocumentLineBreaks(QString text)
{
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\r'))
        text.chop(1);
    qsizetype loneCount = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            ++loneCount;
    }
    if (loneCount == 0)
        return text;
    QString out;
    out.reserve(text.size() + loneCount);
    for (qsizetype i = 0; i < text.size(); ++i) {
        out.append(text[i]);
        if (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))
            out.append(u'\n');
    }
    return out;
}

} // namespace

DecodedDocument decodeDocumentFile(QByteArrayView bytes)
{
    const TextEncoding encoding = detectEncoding(bytes);
    if (unitBytes(encoding) > 1) {
        DecodedText decoded = decodeDetected(bytes);
        decoded.text = withDocumentLineBreaks(std::move(decoded.text));
        return decoded;
    }
    // Dropping the final terminator and adding LFs after lone CRs only touch
    // ASCII, so the body reads as UTF-8 exactly when the whole file does.
    const QByteArrayView body = withoutFinalTerminator(bytes);
    const qsizetype loneCount = countLoneCarriageReturns(body);
    // The usual CR LF file decodes straight from the caller's bytes.
    if (loneCount == 0)
        return {decodeText(body, encoding), encoding};
    return {decodeText(withCrLfForLoneCr(body, loneCount), encoding), encoding};
}

QByteArray encodeDocumentFile(QStringView text, TextEncoding preferred, TextEncoding *used,
                              int trailingByte)
{
    // The terminator goes into the same allocation, so nothing is copied twice.
    EncodedText encoded = encodeReadingBack(text, preferred, u"\r\n");
    if (isUtf16(encoded.encoding) && trailingByte >= 0)
        encoded.bytes.append(char(trailingByte));
    if (used)
        *used = encoded.encoding;
    return std::move(encoded.bytes);
}

} // namespace wimblet
