#pragma once
// What the fuzz targets share.

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

/// What the fuzz targets share: turning fuzz bytes into text, an independent UTF-8 decoder
/// to check the library against, and readable reports of a difference.
namespace wimblet::fuzz {

/// Strict UTF-8 as UTF-16: nullopt for overlong forms, surrogates, code points above
/// U+10FFFF, stray continuation bytes and sequences cut short. Keeps U+FEFF and U+0000.
std::optional<QString> decodeStrictUtf8(QByteArrayView bytes);

/// The length of the well-formed UTF-8 sequence at the start of `bytes` and its code point
/// in `codePoint`, or 0 when there is none there.
int utf8SequenceAt(QByteArrayView bytes, char32_t &codePoint);

/// Text built from fuzz bytes so that mutations reach the interesting characters quickly:
/// printable ASCII, tab, LF and CR stand for themselves, well-formed UTF-8 is decoded, and
/// every other byte picks one of 32 characters that case mapping treats specially (Turkish
/// and dotless i, sharp s, Kelvin sign, sigma forms, title-case digraphs, lone surrogates,
/// characters outside the BMP, a byte-order mark, NUL, ...).
QString textFromFuzzBytes(const std::uint8_t *data, std::size_t size);

/// `count` copies of `piece`, each with a word of its own in place of every "#" (or after
/// it when it holds none), so that the text holds more distinct words and letter runs than
/// the converters' memo tables start out with.
QString manyDistinctWords(QStringView piece, int count);

/// The text the conversion targets convert: textFromFuzzBytes() of the input, or, for an
/// input that starts with "~", manyDistinctWords() of the next (at most 12) bytes' text.
QString textForConversion(const std::uint8_t *data, std::size_t size);

/// Printable form of `text`: printable ASCII as is (a backslash doubled), CR as \r, LF as
/// \n and every other UTF-16 unit as \uXXXX.
std::string escaped(QStringView text);

/// Bytes as space-separated hexadecimal pairs.
std::string hex(QByteArrayView bytes);

/// Prints what differs between `expected` and `got` under `title` (the first differing
/// position with some context, and both texts in full unless they are long), and aborts.
[[noreturn]] void failTextDifference(const char *title, QByteArrayView input,
                                     QStringView expected, QStringView got);

/// A fast style conversion and the step-by-step one it must equal.
struct Conversion {
    const char *name; ///< of the fast one, for reports
    QString (*fast)(const QString &);
    QString (*inParts)(const QString &, int parts, qsizetype minPartSize);
    QString (*reference)(const QString &);
};

/// Converts textForConversion() of the input whole and cut into small parts (as large
/// texts are, one part per thread, so that the joins are reached), and fails at the first
/// result that differs from the reference.
void checkConversion(const Conversion &conversion, const std::uint8_t *data, std::size_t size);

/// Prints `message` with the input in hexadecimal and aborts.
[[noreturn]] void fail(const std::string &message, QByteArrayView input);

} // namespace wimblet::fuzz
