// UTF-16 and UTF-32 with a byte order mark: which bytes read as them, how they decode and
// encode (damaged UTF-16 unit for unit), and that chunks of any size give what the
// whole-buffer functions give (chunks of 1, 3 and 7 bytes cut units in two; a pair is cut
// at every place).

#include "encoding/encodingdetector.h"
#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/textencoding.h"
#include "support/sampletext.h"
#include "support/utf16units.h"

#include <QTest>

#include <cstring>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

using wimblet::testsupport::utf16Units;

namespace {

constexpr int kChunkSizes[] = {1, 2, 3, 7, 4096};

QString withMark(const QString &text)
{
    return QChar(0xFEFF) + text;
}

// The odd byte a UTF-16 decoder leaves aside, if any, comes after the text as "<xx>".
QString decodeInChunks(QByteArrayView bytes, TextEncoding encoding, qsizetype size)
{
    TextDecoder decoder(encoding);
    QString text;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        decoder.decode(bytes.sliced(at, qMin(size, bytes.size() - at)), text);
        decoder.decode(QByteArrayView(), text);
    }
    decoder.finish(text);
    if (decoder.oddByte() >= 0)
        text += u"<%1>"_s.arg(decoder.oddByte(), 2, 16, QChar(u'0'));
    return text;
}

QByteArray encodeInChunks(QStringView text, TextEncoding encoding, qsizetype size)
{
    TextEncoder encoder(encoding);
    QByteArray out;
    for (qsizetype at = 0; at < text.size(); at += size) {
        const QStringView chunk = text.sliced(at, qMin(size, text.size() - at));
        // What encodedSize() promises is what a copy of the encoder writes.
        TextEncoder probe = encoder;
        QByteArray room(probe.encodedSize(chunk), Qt::Uninitialized);
        const char *end = probe.finishTo(probe.encodeTo(chunk, room.data()));
        if (end - room.constData() != room.size())
            qFatal("encodedSize() is wrong at offset %lld", qlonglong(at));
        encoder.encode(chunk, out);
    }
    encoder.finish(out);
    return out;
}

TextEncoding detectInChunks(QByteArrayView bytes, qsizetype size)
{
    EncodingDetector detector;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        detector.feed(bytes.sliced(at, qMin(size, bytes.size() - at)));
    return detector.encoding();
}

QString surrogatePairsEverywhere()
{
    QString text;
    for (int run = 0; run < 9; ++run)
        text += QString(run, u'x') + u"\U0001F600\u00E9\U0010FFFF\r\n"_s;
    return text;
}

} // namespace

class TestUtf16Encoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectShouldFollowTheByteOrderMark_data();
    void detectShouldFollowTheByteOrderMark();
    void decodeShouldKeepTheMarkAndEveryUnit_data();
    void decodeShouldKeepTheMarkAndEveryUnit();
    void encodeShouldWriteUnitsInTheirOrder_data();
    void encodeShouldWriteUnitsInTheirOrder();
    void chunksShouldMatchTheWholeBuffer_data();
    void chunksShouldMatchTheWholeBuffer();
};

void TestUtf16Encoding::detectShouldFollowTheByteOrderMark_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");

    const auto le = TextEncoding::Utf16LE;
    const auto be = TextEncoding::Utf16BE;
    const auto cp1252 = TextEncoding::Windows1252;
    const QString prose = testsupport::sampleText(3000);
    QTest::newRow("mark only, LE") << "\xFF\xFE"_ba << le;
    QTest::newRow("mark only, BE") << "\xFE\xFF"_ba << be;
    QTest::newRow("prose, LE") << utf16Units(withMark(prose), false) << le;
    QTest::newRow("prose, BE") << utf16Units(withMark(prose), true) << be;
    QTest::newRow("pairs, LE") << utf16Units(withMark(surrogatePairsEverywhere()), false) << le;
    QTest::newRow("pairs, BE") << utf16Units(withMark(surrogatePairsEverywhere()), true) << be;
    // Damaged UTF-16 is still UTF-16: its bytes come back unit for unit.
    QTest::newRow("odd length") << utf16Units(withMark(u"ab"_s), false) + 'c' << le;
    QTest::newRow("mark and one byte") << "\xFE\xFF\x00"_ba << be;
    QTest::newRow("lone high at the end") << utf16Units(withMark(u"a\xD83D"_s), false) << le;
    QTest::newRow("lone high in the middle") << utf16Units(withMark(u"a\xD83Dz"_s), true) << be;
    QTest::newRow("lone low") << utf16Units(withMark(u"a\xDE00z"_s), false) << le;
    QTest::newRow("low before high") << utf16Units(withMark(u"\xDE00\xD83D"_s), true) << be;
    QTest::newRow("unpaired, CR bytes, odd") << "\xFF\xFE\x0D\x0D\x00\xD8\x0A\x0D\x0D"_ba << le;
    QTest::newRow("UTF-32 LE mark") << "\xFF\xFE\x00\x00"_ba << TextEncoding::Utf32LE;
    QTest::newRow("UTF-32 LE text") << "\xFF\xFE\x00\x00" "a\x00\x00\x00"_ba << TextEncoding::Utf32LE;
    QTest::newRow("UTF-32 BE text") << "\x00\x00\xFE\xFF\x00\x01\xF6\x00\x00\x00\x0D\x0A"_ba
                                    << TextEncoding::Utf32BE;
    // Not wholly UTF-32: the UTF-16 mark of the first two bytes rules, if there is one.
    QTest::newRow("UTF-32 LE look, cut short") << "\xFF\xFE\x00\x00" "a\x00"_ba << le;
    QTest::newRow("UTF-32 LE look, a surrogate") << "\xFF\xFE\x00\x00\x00\xD8\x00\x00"_ba << le;
    QTest::newRow("UTF-32 BE look, beyond U+10FFFF") << "\x00\x00\xFE\xFF\x00\x11\x00\x00"_ba
                                                     << cp1252;
    QTest::newRow("BE mark then zeros") << "\xFE\xFF\x00\x00"_ba << be;
    QTest::newRow("no mark") << utf16Units(u"ab"_s, false) << TextEncoding::Utf8;
    QTest::newRow("mark at the end") << "ab\xFF\xFE"_ba << cp1252;
    QTest::newRow("one byte of a mark") << "\xFF"_ba << cp1252;
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBFok"_ba << TextEncoding::Utf8;
}

void TestUtf16Encoding::detectShouldFollowTheByteOrderMark()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QCOMPARE(detectEncoding(bytes), encoding);
    for (const int size : kChunkSizes)
        QCOMPARE(detectInChunks(bytes, size), encoding);
    const DecodedText decoded = decodeDetected(bytes);
    QCOMPARE(decoded.encoding, encoding);
    // What is read in any encoding but UTF-8 is written back unchanged, an odd byte after it.
    QByteArray back = encodeText(decoded.text, encoding).bytes;
    if (decoded.trailingByte >= 0)
        back += char(decoded.trailingByte);
    if (encoding != TextEncoding::Utf8)
        QCOMPARE(back, bytes);
}

void TestUtf16Encoding::decodeShouldKeepTheMarkAndEveryUnit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QString>("text");

    const auto le = TextEncoding::Utf16LE;
    const auto be = TextEncoding::Utf16BE;
    QTest::newRow("empty") << QByteArray() << le << QString();
    QTest::newRow("mark, LE") << "\xFF\xFEh\x00i\x00"_ba << le << u"\uFEFFhi"_s;
    QTest::newRow("mark, BE") << "\xFE\xFF\x00h\x00i"_ba << be << u"\uFEFFhi"_s;
    QTest::newRow("NUL and breaks") << "\x00\x00\r\x00\n\x00"_ba << le << u"\u0000\r\n"_s;
    QTest::newRow("pair, LE") << "\x3D\xD8\x00\xDE"_ba << le << u"\U0001F600"_s;
    QTest::newRow("pair, BE") << "\xD8\x3D\xDE\x00"_ba << be << u"\U0001F600"_s;
    QTest::newRow("euro, BE") << "\x20\xAC"_ba << be << u"\u20AC"_s;
    QTest::newRow("odd last byte") << "a\x00z"_ba << le << u"a<7a>"_s;
    QTest::newRow("lone high at the end") << "\x3D\xD8"_ba << le << u"\xD83D"_s;
    QTest::newRow("lone high then a letter") << "\x3D\xD8z\x00"_ba << le << u"\xD83Dz"_s;
    QTest::newRow("two highs and a low") << "\x3D\xD8\x3D\xD8\x00\xDE"_ba << le
                                         << u"\xD83D\U0001F600"_s;
    QTest::newRow("lone low") << "\xDE\x00"_ba << be << u"\xDE00"_s;
    QTest::newRow("lone high and odd byte") << "\xD8\x3D\x41"_ba << be << u"\xD83D<41>"_s;
    QTest::newRow("CR bytes in units, odd CR") << "\x0A\x0D\x0D\x00\x0D"_ba << le
                                               << u"\u0D0A\r<0d>"_s;
    const auto le32 = TextEncoding::Utf32LE;
    QTest::newRow("UTF-32 pair and CR LF") << "\x00\xF6\x01\x00\r\0\0\0\n\0\0\0"_ba << le32
                                           << u"\U0001F600\r\n"_s;
    QTest::newRow("UTF-32 BE, a unit that is no character")
            << "\x00\x00\xD8\x00\x00\x00\x00" "a"_ba << TextEncoding::Utf32BE << u"\uFFFDa"_s;
    QTest::newRow("UTF-32 cut short") << "a\0\0\0b\0"_ba << le32 << u"a\uFFFD"_s;
}

void TestUtf16Encoding::decodeShouldKeepTheMarkAndEveryUnit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, text);
    QCOMPARE(decodeInChunks(bytes, encoding, bytes.size() + 1), text);
    QCOMPARE(decodeText(bytes, encoding), text.left(text.indexOf(u'<')));
    for (const int size : kChunkSizes)
        QCOMPARE(decodeInChunks(bytes, encoding, size), text);
}

void TestUtf16Encoding::encodeShouldWriteUnitsInTheirOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("littleEndian");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("mark kept") << u"\uFEFFhi\r\n"_s << "\xFF\xFEh\x00i\x00\r\x00\n\x00"_ba;
    QTest::newRow("beyond Windows-1252") << u"\u4E2D\u0080"_s << "\x2D\x4E\x80\x00"_ba;
    QTest::newRow("pair") << u"\U0001F600"_s << "\x3D\xD8\x00\xDE"_ba;
    QTest::newRow("lone high at the end") << u"a\xD83D"_s << "a\x00\x3D\xD8"_ba;
    QTest::newRow("lone low") << u"\xDE00z"_s << "\x00\xDEz\x00"_ba;
    QTest::newRow("low before high") << u"\xDE00\xD83D"_s << "\x00\xDE\x3D\xD8"_ba;
}

void TestUtf16Encoding::encodeShouldWriteUnitsInTheirOrder()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, littleEndian);
    QByteArray bigEndian = littleEndian;
    for (qsizetype i = 0; i + 1 < bigEndian.size(); i += 2)
        std::swap(bigEndian[i], bigEndian[i + 1]);
    const EncodedText le = encodeText(text, TextEncoding::Utf16LE);
    QCOMPARE(le.bytes, littleEndian);
    QCOMPARE(le.encoding, TextEncoding::Utf16LE);
    QCOMPARE(encodeText(text, TextEncoding::Utf16BE).bytes, bigEndian);
    for (const int size : kChunkSizes) {
        QCOMPARE(encodeInChunks(text, TextEncoding::Utf16LE, size), littleEndian);
        QCOMPARE(encodeInChunks(text, TextEncoding::Utf16BE, size), bigEndian);
    }
}

void TestUtf16Encoding::chunksShouldMatchTheWholeBuffer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<int>("chunkSize");

    const std::pair<const char *, QString> samples[] = {
        {"prose", withMark(testsupport::sampleText(9000))},
        {"pairs at every offset", withMark(surrogatePairsEverywhere())},
        {"pair across 4096 bytes", QString(2047, u'x') + u"\U0001F600!"_s},
        {"unpaired units", withMark(u"\xDC00" u"a\xD800\r\xD83D\xD83D\xDE00\xDFFF"_s)},
    };
    const std::pair<const char *, TextEncoding> encodings[] = {
        {"LE", TextEncoding::Utf16LE}, {"BE", TextEncoding::Utf16BE},
        {"UTF-32 LE", TextEncoding::Utf32LE}, {"UTF-32 BE", TextEncoding::Utf32BE}};
    for (const auto &[name, text] : samples) {
        for (const auto &[encodingName, encoding] : encodings) {
            // UTF-32 has no unit for half a pair.
            if (isUtf32(encoding) && std::strcmp(name, "unpaired units") == 0)
                continue;
            for (const int size : kChunkSizes) {
                QTest::addRow("%s, %s, chunks of %d", name, encodingName, size)
                        << text << encoding << size;
            }
        }
    }
}

void TestUtf16Encoding::chunksShouldMatchTheWholeBuffer()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(int, chunkSize);
    const QByteArray bytes = encodeText(text, encoding).bytes;
    if (isUtf16(encoding))
        QCOMPARE(bytes, utf16Units(text, encoding == TextEncoding::Utf16BE));
    QCOMPARE(encodeInChunks(text, encoding, chunkSize), bytes);
    QCOMPARE(decodeText(bytes, encoding), text);
    QCOMPARE(decodeInChunks(bytes, encoding, chunkSize), text);
    if (text.startsWith(QChar(0xFEFF)))
        QCOMPARE(detectInChunks(bytes, chunkSize), encoding);
}

QTEST_GUILESS_MAIN(TestUtf16Encoding)
#include "tst_utf16encoding.moc"
