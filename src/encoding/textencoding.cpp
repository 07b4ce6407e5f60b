#include "encoding/textencoding.h"

#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/utf8validator.h"

#include <optional>
#include <utility>

namespace wimblet {

namespace {

// Allocated once, at the size the encoder asks for; nullopt when `encoding`
// lacks bytes for a character.
std::optional<QByteArray> encodeAs(QStringView text, QStringView ending, TextEncoding encoding)
{
    TextEncoder encoder(encoding);
    // The ending measured on its own is exact, except when it starts with the
    // low half of a surrogate pair the text ends with: two bytes to spare then.
    QByteArray bytes(encoder.encodedSize(text) + TextEncoder(encoding).encodedSize(ending),
                     Qt::Uninitialized);
    char *end = encoder.encodeTo(text, bytes.data());
    if (end)
        end = encoder.encodeTo(ending, end);
    if (!end)
        return std::nullopt;
    end = encoder.finishTo(end);
    bytes.truncate(end - bytes.constData());
    return bytes;
}

} // namespace

QString decodeText(QByteArrayView bytes, TextEncoding encoding)
{
    TextDecoder decoder(encoding);
    QString text(decoder.maxDecodedSize(bytes.size()), Qt::Uninitialized);
    auto *const begin = reinterpret_cast<char16_t *>(text.data());
    char16_t *end = decoder.decodeTo(bytes, begin);
    end = decoder.finishTo(end);
    text.truncate(end - begin);
    return text;
}

QString decodeUtf8(QByteArrayView bytes)
{
    return decodeText(bytes, TextEncoding::Utf8);
}

QString decodeWindows1252(QByteArrayView bytes)
{
    return decodeText(bytes, TextEncoding::Windows1252);
}

DecodedText decodeUtf8OrWindows1252(QByteArrayView bytes)
{
    const TextEncoding encoding =
            readsAsUtf8(checkUtf8(bytes)) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    return {decodeText(bytes, encoding), encoding};
}

DecodedText decodeDetected(QByteArrayView bytes)
{
    const TextEncoding encoding = detectEncoding(bytes);
    const bool odd = isUtf16(encoding) && bytes.size() % 2 != 0;
    return {decodeText(bytes, encoding), encoding, odd ? int(uchar(bytes.back())) : -1};
}

EncodedText encodeText(QStringView text, TextEncoding preferred, QStringView ending)
{
    if (preferred != TextEncoding::Utf8) {
        std::optional<QByteArray> bytes = encodeAs(text, ending, preferred);
        if (bytes)
            return {std::move(*bytes), preferred};
    }
    return {*encodeAs(text, ending, TextEncoding::Utf8), TextEncoding::Utf8};
}

} // namespace wimblet
