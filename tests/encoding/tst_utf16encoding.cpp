// UTF-16 with a byte order mark: which bytes read as it, how they decode and encode, and
// that chunks of any size give what the whole-buffer functions give (chunks of 1, 3 and 7
// bytes cut units in two; a pair is cut at every place).

#include "encoding/encodingdetector.h"
#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/textencoding.h"
#include "support/sampletext.h"
#include "support/utf16units.h"

#include <QTest>

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

QString decodeInChunks(QByteArrayView bytes, TextEncoding encoding, qsizetype size)
{
    TextDecoder decoder(encoding);
    QString text;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        decoder.decode(bytes.sliced(at, qMin(size, bytes.size() - at)), text);
        decoder.decode(QByteArrayView(), text);
    }
    decoder.finish(text);
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
    void detectShouldReadUtf16OnlyWhenAllOfItIs_data();
    void detectShouldReadUtf16OnlyWhenAllOfItIs();
    void decodeShouldKeepTheMarkAndReplaceUnpairedUnits_data();
    void decodeShouldKeepTheMarkAndReplaceUnpairedUnits();
    void encodeShouldWriteUnitsInTheirOrder_data();
    void encodeShouldWriteUnitsInTheirOrder();
    void chunksShouldMatchTheWholeBuffer_data();
    void chunksShouldMatchTheWholeBuffer();
};

void TestUtf16Encoding::detectShouldReadUtf16OnlyWhenAllOfItIs_data()
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
    QTest::newRow("odd length") << utf16Units(withMark(u"ab"_s), false) + 'c' << cp1252;
    QTest::newRow("mark and one byte") << "\xFE\xFF\x00"_ba << cp1252;
    QTest::newRow("lone high at the end") << utf16Units(withMark(u"a\xD83D"_s), false) << cp1252;
    QTest::newRow("lone high in the middle") << utf16Units(withMark(u"a\xD83Dz"_s), true) << cp1252;
    QTest::newRow("lone low") << utf16Units(withMark(u"a\xDE00z"_s), false) << cp1252;
    QTest::newRow("low before high") << utf16Units(withMark(u"\xDE00\xD83D"_s), true) << cp1252;
    QTest::newRow("UTF-32 LE mark") << "\xFF\xFE\x00\x00"_ba << cp1252;
    QTest::newRow("UTF-32 LE text") << "\xFF\xFE\x00\x00" "a\x00\x00\x00"_ba << cp1252;
    QTest::newRow("BE mark then zeros") << "\xFE\xFF\x00\x00"_ba << be;
    QTest::newRow("no mark") << utf16Units(u"ab"_s, false) << TextEncoding::Utf8;
    QTest::newRow("mark at the end") << "ab\xFF\xFE"_ba << cp1252;
    QTest::newRow("one byte of a mark") << "\xFF"_ba << cp1252;
    QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBFok"_ba << TextEncoding::Utf8;
}

void TestUtf16Encoding::detectShouldReadUtf16OnlyWhenAllOfItIs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QCOMPARE(detectEncoding(bytes), encoding);
    for (const int size : kChunkSizes)
        QCOMPARE(detectInChunks(bytes, size), encoding);
    const DecodedText decoded = decodeDetected(bytes);
    QCOMPARE(decoded.encoding, encoding);
    // What is read as UTF-16 or as Windows-1252 is written back unchanged.
    if (encoding != TextEncoding::Utf8)
        QCOMPARE(encodeText(decoded.text, encoding).bytes, bytes);
}

void TestUtf16Encoding::decodeShouldKeepTheMarkAndReplaceUnpairedUnits_data()
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
    QTest::newRow("odd last byte") << "a\x00z"_ba << le << u"a\uFFFD"_s;
    QTest::newRow("lone high at the end") << "\x3D\xD8"_ba << le << u"\uFFFD"_s;
    QTest::newRow("lone high then a letter") << "\x3D\xD8z\x00"_ba << le << u"\uFFFDz"_s;
    QTest::newRow("two highs and a low") << "\x3D\xD8\x3D\xD8\x00\xDE"_ba << le
                                         << u"\uFFFD\U0001F600"_s;
    QTest::newRow("lone low") << "\xDE\x00"_ba << be << u"\uFFFD"_s;
    QTest::newRow("lone high and odd byte") << "\xD8\x3D\x41"_ba << be << u"\uFFFD\uFFFD"_s;
}

void TestUtf16Encoding::decodeShouldKeepTheMarkAndReplaceUnpairedUnits()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(QString, text);
    QCOMPARE(decodeText(bytes, encoding), text);
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
    QTest::newRow("lone high at the end") << u"a\xD83D"_s << "a\x00\xFD\xFF"_ba;
    QTest::newRow("lone low") << u"\xDE00z"_s << "\xFD\xFFz\x00"_ba;
    QTest::newRow("low before high") << u"\xDE00\xD83D"_s << "\xFD\xFF\xFD\xFF"_ba;
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
    };
    for (const auto &[name, text] : samples) {
        for (const int size : kChunkSizes) {
            QTest::addRow("%s, LE, chunks of %d", name, size)
                    << text << TextEncoding::Utf16LE << size;
            QTest::addRow("%s, BE, chunks of %d", name, size)
                    << text << TextEncoding::Utf16BE << size;
        }
    }
}

void TestUtf16Encoding::chunksShouldMatchTheWholeBuffer()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(int, chunkSize);
    const QByteArray bytes = encodeText(text, encoding).bytes;
    QCOMPARE(bytes, utf16Units(text, encoding == TextEncoding::Utf16BE));
    QCOMPARE(encodeInChunks(text, encoding, chunkSize), bytes);
    QCOMPARE(decodeText(bytes, encoding), text);
    QCOMPARE(decodeInChunks(bytes, encoding, chunkSize), text);
    if (text.startsWith(QChar(0xFEFF)))
        QCOMPARE(detectInChunks(bytes, chunkSize), encoding);
}

QTEST_GUILESS_MAIN(TestUtf16Encoding)
#include "tst_utf16encoding.moc"
