// Decoding, encoding and checking in chunks must give what the whole-buffer
// functions give, wherever the chunk ends fall.

#include "encoding/textdecoder.h"
#include "encoding/textencoder.h"
#include "encoding/textencoding.h"
#include "encoding/utf8kernels.h"
#include "encoding/utf8validator.h"
#include "support/sampletext.h"

#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <utility>
#include <vector>

using namespace wimblet;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

namespace {

constexpr int kChunkSizes[] = {1, 2, 3, 7, 4096};

struct ByteSample {
    const char *name;
    QByteArray bytes;
};

QByteArray allBytes()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    return all;
}

// `piece` after ASCII runs of every length up to two blocks of 16, so that
// it starts and ends at every place in a block.
QByteArray atEveryOffset(const QByteArray &piece)
{
    QByteArray bytes;
    for (int run = 0; run < 33; ++run)
        bytes += QByteArray(run, 'x') + piece;
    return bytes + QByteArray(20, 'y');
}

std::vector<ByteSample> byteSamples()
{
    return {
        {"empty", QByteArray()},
        {"ascii", QByteArray("Saya mau makan nasi goreng.\r\n")},
        {"two, three and four bytes", QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 end")},
        {"byte order mark and NUL", QByteArrayLiteral("\xEF\xBB\xBF" "a\0b")},
        {"edge code points", QByteArray("\xC2\x80\xDF\xBF\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF")},
        {"four bytes across 4096", QByteArray(4094, 'x') + "\xF0\x9F\x98\x80" "tail"},
        {"generated prose", testsupport::sampleTextBytes(12000)},
        {"multibyte at every offset", atEveryOffset("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")},
        {"cut two at the end", QByteArray("ab\xC3")},
        {"cut three at the end", QByteArray("ab\xE2\x82")},
        {"cut four at the end", QByteArray("ab\xF0\x9F\x98")},
        {"overlong two", QByteArray("\xC0\x80x\xC1\xBF")},
        {"overlong three", QByteArray("\xE0\x80\x80.\xE0\x9F\xBF")},
        {"overlong four", QByteArray("\xF0\x8F\xBF\xBF")},
        {"surrogates", QByteArray("\xED\xA0\x80\xED\xBF\xBF")},
        {"above U+10FFFF", QByteArray("\xF4\x90\x80\x80")},
        {"stray bytes", QByteArray("a\x80\xBF\xFE\xFF\xF5z")},
        {"sequence broken by ascii", QByteArray("\xE2\x41\xAC")},
        {"sequence broken by a lead", QByteArray("\xE2\x82\xE2\x82\xAC\xF0\x9F\xC3\xA9")},
        {"bad byte then multibyte", QByteArray("\x80\xC3\xA9")},
        {"cut across 4096 then broken", QByteArray(4095, 'x') + "\xE2\x82y"},
        {"faults at every offset", atEveryOffset("\xC3\xA9\x80\xE2\x82\xF0\x9F\x98\x80\xF0\x9F")},
        {"windows-1252 text", QByteArray("caf\xE9 \x80 \x93kutipan\x94 na\xEFve\x9F")},
        // Letters of other scripts alone and in words, word ends in Windows-1252,
        // accents on letters and alone, emoji with a variation selector.
        {"sequences judged by their neighbours",
         atEveryOffset("\xD0\x9F\xD1\x80\xD0\xB8 \xD0\xB8 x\xCE\xB1 \xE4\xB8\xAD\xE6\x96\x87"
                       " Fu\xDF\x94 CAF\xC9\x94 \xE9\x85\x94 e\xCC\x81 \xCC\x81 \x80\xC3\xA9\x80"
                       " \xE2\x9D\xA4\xEF\xB8\x8F\xC9\x97" "A")},
        {"every byte", allBytes()},
    };
}

// One row per sample and chunk size.
void addByteRows()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunkSize");
    for (const ByteSample &sample : byteSamples()) {
        for (const int size : kChunkSizes)
            QTest::addRow("%s, chunks of %d", sample.name, size) << sample.bytes << size;
    }
}

std::vector<QByteArrayView> chunksOf(QByteArrayView bytes, qsizetype size)
{
    std::vector<QByteArrayView> chunks;
    for (qsizetype at = 0; at < bytes.size(); at += size)
        chunks.push_back(bytes.sliced(at, qMin(size, bytes.size() - at)));
    return chunks;
}

struct ChunkedText {
    QString text;
    bool replaced;
};

ChunkedText decodeInChunks(QByteArrayView bytes, TextEncoding encoding, qsizetype size)
{
    TextDecoder decoder(encoding);
    QString text;
    // An empty chunk now and then must change nothing.
    decoder.decode(QByteArrayView(), text);
    for (const QByteArrayView chunk : chunksOf(bytes, size)) {
        decoder.decode(chunk, text);
        decoder.decode(QByteArrayView(), text);
    }
    decoder.finish(text);
    return {text, decoder.replacedAny()};
}

// What Utf8Evidence counts, the slow way: the whole input read into characters
// first, each sequence judged with its neighbours found by their index.
Utf8Evidence::Counts referenceEvidence(QByteArrayView bytes)
{
    using Kind = Utf8Neighbour::Kind;
    struct Item {
        Utf8Neighbour n;
        QByteArrayView sequence; // empty for ASCII and stray bytes
    };
    std::vector<Item> items;
    const auto *const begin = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype at = 0; at < bytes.size();) {
        const detail::Utf8Sequence probe = detail::probeUtf8Sequence(begin + at, begin + bytes.size());
        if (begin[at] < 0x80) {
            items.push_back({{Kind::Char, begin[at]}, {}});
            ++at;
        } else if (detail::isComplete(probe)) {
            const QByteArrayView sequence = bytes.sliced(at, probe.length);
            // Not QString::fromUtf8(), which drops a byte order mark.
            char32_t c = begin[at] & (0xFF >> (probe.length + 1));
            for (const char byte : sequence.sliced(1))
                c = c << 6 | (uchar(byte) & 0x3F);
            items.push_back({{Kind::Char, c}, sequence});
            at += probe.length;
        } else {
            items.push_back({{Kind::Stray, 0}, {}});
            at += detail::illFormedLength(probe);
        }
    }
    const auto at = [&](qsizetype i) { return i >= 0 && i < qsizetype(items.size()) ? items[i].n : Utf8Neighbour(); };
    const auto script = [&](qsizetype i) {
        const Utf8Neighbour n = at(i);
        return n.kind == Kind::Char ? utf8LetterScript(n.c) : QChar::Script_Unknown;
    };
    const auto nearest = [&](qsizetype i, qsizetype step) {
        return script(i) != QChar::Script_Unknown ? script(i) : script(i + step);
    };
    Utf8Evidence::Counts counts;
    for (qsizetype i = 0; i < qsizetype(items.size()); ++i) {
        if (items[i].sequence.isEmpty())
            continue;
        const Utf8Surroundings around{at(i - 1), at(i + 1), nearest(i - 1, -1), nearest(i + 1, 1)};
        const bool credible = utf8SequenceCredible(items[i].sequence, items[i].n.c, around);
        counts.credible += credible;
        (credible ? counts.credibleBytes : counts.doubtfulBytes) += items[i].sequence.size();
    }
    return counts;
}

Utf8Check checkInChunks(QByteArrayView bytes, qsizetype size)
{
    Utf8Validator validator;
    for (const QByteArrayView chunk : chunksOf(bytes, size)) {
        validator.feed(chunk);
        validator.feed(QByteArrayView());
    }
    return validator.result();
}

struct ChunkedBytes {
    QByteArray bytes;
    qsizetype failedAt; // offset of the chunk the encoder refused, or -1
};

ChunkedBytes encodeInChunks(QStringView text, TextEncoding encoding, qsizetype size)
{
    TextEncoder encoder(encoding);
    QByteArray out;
    for (qsizetype at = 0; at < text.size(); at += size) {
        const QStringView chunk = text.sliced(at, qMin(size, text.size() - at));
        // What encodedSize() promises is what a copy of the encoder writes.
        TextEncoder probe = encoder;
        QByteArray room(probe.encodedSize(chunk) + 8, '\x7F');
        char *end = probe.encodeTo(chunk, room.data());
        if (end && probe.finishTo(end) - room.constData() != room.size() - 8)
            qFatal("encodedSize() is wrong at offset %lld", qlonglong(at));
        if (!encoder.encode(chunk, out))
            return {out, at};
    }
    encoder.finish(out);
    return {out, -1};
}

QByteArray wholeUtf8(QStringView text)
{
    QByteArray out(utf8Length(text), Qt::Uninitialized);
    out.truncate(encodeUtf8To(text, out.data()) - out.constData());
    return out;
}

// The longest start that is valid UTF-8 on its own, or -1 when all of it is.
qint64 validPrefixLength(QByteArrayView bytes)
{
    if (isValidUtf8(bytes))
        return -1;
    qint64 longest = 0;
    for (qsizetype length = 1; length < bytes.size(); ++length) {
        if (isValidUtf8(bytes.first(length)))
            longest = length;
    }
    return longest;
}

QString surrogatesEverywhere()
{
    QString text;
    for (int run = 0; run < 9; ++run)
        text += QString(run, QLatin1Char('x')) + QStringLiteral(u"\U0001F600\u00E9\U0010FFFF");
    return text;
}

} // namespace

class TestChunkedEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decoderInChunksShouldMatchWholeDecoding_data();
    void decoderInChunksShouldMatchWholeDecoding();
    void validatorInChunksShouldMatchWholeCheck_data();
    void validatorInChunksShouldMatchWholeCheck();
    void validatorShouldReportWhereAndWhat_data();
    void validatorShouldReportWhereAndWhat();
    void decodeUtf8ShouldKeepEachStrayByte_data();
    void decodeUtf8ShouldKeepEachStrayByte();
    void encoderInChunksShouldMatchWholeEncoding_data();
    void encoderInChunksShouldMatchWholeEncoding();
    void encodeTextShouldAppendTheEndingOnce_data();
    void encodeTextShouldAppendTheEndingOnce();
};

void TestChunkedEncoding::decoderInChunksShouldMatchWholeDecoding_data()
{
    addByteRows();
}

void TestChunkedEncoding::decoderInChunksShouldMatchWholeDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunkSize);

    const ChunkedText utf8 = decodeInChunks(bytes, TextEncoding::Utf8, chunkSize);
    QCOMPARE(utf8.text, decodeUtf8(bytes));
    QCOMPARE(utf8.replaced, !isValidUtf8(bytes));
    // Stray bytes stand in for themselves: any bytes read as UTF-8 come back.
    QCOMPARE(encodeText(utf8.text, TextEncoding::Utf8).bytes, bytes);
    for (const auto encoding : {TextEncoding::Utf16BE, TextEncoding::Utf32LE})
        QCOMPARE(decodeInChunks(bytes, encoding, chunkSize).text, decodeText(bytes, encoding));

    const ChunkedText windows1252 = decodeInChunks(bytes, TextEncoding::Windows1252, chunkSize);
    QCOMPARE(windows1252.text, decodeWindows1252(bytes));
    QVERIFY(!windows1252.replaced);
}

void TestChunkedEncoding::validatorInChunksShouldMatchWholeCheck_data()
{
    addByteRows();
}

void TestChunkedEncoding::validatorInChunksShouldMatchWholeCheck()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunkSize);

    const Utf8Check whole = checkUtf8(bytes);
    QCOMPARE(whole.valid, isValidUtf8(bytes));
    QCOMPARE(whole.firstInvalid, validPrefixLength(bytes));
    const bool ascii = std::none_of(bytes.cbegin(), bytes.cend(),
                                    [](char byte) { return uchar(byte) >= 0x80; });
    QCOMPARE(whole.ascii, ascii);
    if (whole.valid)
        QCOMPARE(whole.multiByte, !ascii);

    const QString text = decodeUtf8(bytes);
    QCOMPARE(whole.utf16Units, text.size());
    QCOMPARE(whole.strayBytes, std::count_if(text.cbegin(), text.cend(), [](QChar c) {
                 return strayByteOf(c.unicode()) >= 0;
             }));

    const Utf8Check chunked = checkInChunks(bytes, chunkSize);
    QCOMPARE(chunked.valid, whole.valid);
    QCOMPARE(chunked.firstInvalid, whole.firstInvalid);
    QCOMPARE(chunked.multiByte, whole.multiByte);
    QCOMPARE(chunked.ascii, whole.ascii);
    QCOMPARE(chunked.multiByteCount, whole.multiByteCount);
    QCOMPARE(chunked.strayBytes, whole.strayBytes);
    QCOMPARE(chunked.utf16Units, whole.utf16Units);

    const Utf8Evidence::Counts evidence = referenceEvidence(bytes);
    QCOMPARE(whole.credibleSequences, evidence.credible);
    QCOMPARE(whole.credibleBytes, evidence.credibleBytes);
    QCOMPARE(whole.doubtfulBytes, evidence.doubtfulBytes);
    QCOMPARE(chunked.credibleSequences, whole.credibleSequences);
    QCOMPARE(chunked.credibleBytes, whole.credibleBytes);
    QCOMPARE(chunked.doubtfulBytes, whole.doubtfulBytes);
}

void TestChunkedEncoding::validatorShouldReportWhereAndWhat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<qint64>("firstInvalid");
    QTest::addColumn<bool>("multiByte");
    QTest::addColumn<bool>("ascii");

    const struct {
        const char *name;
        QByteArray bytes;
        qint64 firstInvalid;
        bool multiByte;
        bool ascii;
    } rows[] = {
        {"empty", QByteArray(), -1, false, true},
        {"ascii with NUL", QByteArrayLiteral("ab\0cd"), -1, false, true},
        {"two bytes", QByteArray("caf\xC3\xA9"), -1, true, false},
        {"cut at the end", QByteArray("abc\xF0\x9F\x98"), 3, false, false},
        {"lone continuation", QByteArray("abcd\x80"), 4, false, false},
        {"overlong after multibyte", QByteArray("\xC3\xA9xy\xC0\x80"), 4, true, false},
        {"surrogate", QByteArray("12\xED\xA0\x80"), 2, false, false},
        {"broken sequence", QByteArray("\xE2\x82" "A"), 0, false, false},
        {"multibyte after the first fault", QByteArray("a\xFF\xE2\x82\xAC"), 1, true, false},
        {"first of two faults", QByteArray("ab\x80\xC3\xA9\xFF"), 2, true, false},
        {"fault past 4096", QByteArray(5000, 'x') + "\xC1\xBF", 5000, false, false},
        {"windows-1252", QByteArray("caf\xE9"), 3, false, false},
    };
    for (const auto &row : rows) {
        for (const int size : kChunkSizes) {
            QTest::addRow("%s, chunks of %d", row.name, size)
                    << row.bytes << size << row.firstInvalid << row.multiByte << row.ascii;
        }
    }
}

void TestChunkedEncoding::validatorShouldReportWhereAndWhat()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, chunkSize);
    QFETCH(qint64, firstInvalid);
    QFETCH(bool, multiByte);
    QFETCH(bool, ascii);

    const Utf8Check check = checkInChunks(bytes, chunkSize);
    QCOMPARE(check.valid, firstInvalid < 0);
    QCOMPARE(check.firstInvalid, firstInvalid);
    QCOMPARE(check.multiByte, multiByte);
    QCOMPARE(check.ascii, ascii);
}

void TestChunkedEncoding::decodeUtf8ShouldKeepEachStrayByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    // Qt's decoder agrees on well-formed bytes once told to keep a byte order mark.
    for (const ByteSample &sample : byteSamples()) {
        QStringDecoder qt(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        if (isValidUtf8(sample.bytes))
            QTest::addRow("%s", sample.name) << sample.bytes << QString(qt.decode(sample.bytes));
    }
    // Each stray byte stands for itself, U+DC80 to U+DCFF.
    QTest::newRow("cut three at the end") << QByteArray("ab\xE2\x82") << QStringLiteral(u"ab\xDCE2\xDC82");
    QTest::newRow("cut four at the end") << QByteArray("\xF0\x9F\x98") << QStringLiteral(u"\xDCF0\xDC9F\xDC98");
    QTest::newRow("overlong two") << QByteArray("\xC0\x80") << QStringLiteral(u"\xDCC0\xDC80");
    QTest::newRow("overlong three") << QByteArray("\xE0\x80\x80")
                                    << QStringLiteral(u"\xDCE0\xDC80\xDC80");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral(u"\xDCED\xDCA0\xDC80");
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80")
                                    << QStringLiteral(u"\xDCF4\xDC90\xDC80\xDC80");
    QTest::newRow("broken by ascii") << QByteArray("\xE2\x41\xAC") << QStringLiteral(u"\xDCE2" "A" u"\xDCAC");
    QTest::newRow("broken by a lead") << QByteArray("\xE2\x82\xE2\x82\xAC")
                                      << QStringLiteral(u"\xDCE2\xDC82\u20AC");
    QTest::newRow("four cut by ascii") << QByteArray("\xF0\x9F\x98!") << QStringLiteral(u"\xDCF0\xDC9F\xDC98!");
    QTest::newRow("stray bytes") << QByteArray("\x80\xBF\xF5\xFF") << QStringLiteral(u"\xDC80\xDCBF\xDCF5\xDCFF");
}

void TestChunkedEncoding::decodeUtf8ShouldKeepEachStrayByte()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeUtf8(bytes), text);
    QCOMPARE(decodeText(bytes, TextEncoding::Utf8), text);
}

void TestChunkedEncoding::encoderInChunksShouldMatchWholeEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("chunkSize");

    const std::pair<const char *, QString> samples[] = {
        {"empty", QString()},
        {"ascii", QStringLiteral("Saya mau makan.\r\n")},
        {"mixed", QStringLiteral(u"Halo d\u00F6nya \u20AC \u4E2D end")},
        {"pairs at every position", surrogatesEverywhere()},
        {"pair across 4096", QString(4095, QLatin1Char('x')) + QStringLiteral(u"\U0001F600!")},
        {"lone high at the end", QStringLiteral("ab") + QChar(0xD83D)},
        {"lone low at the start", QChar(0xDE00) + QStringLiteral("x")},
        {"two highs and a low", QStringLiteral("a") + QChar(0xD83D) + QChar(0xD83D) + QChar(0xDE00)},
        {"low before high", QString(QChar(0xDE00)) + QChar(0xD83D) + QStringLiteral("z")},
        {"generated prose", testsupport::sampleText(6000)},
        {"windows-1252 text", QStringLiteral(u"caf\u00E9 \u20AC \u201Ckutipan\u201D na\u00EFve \u0178")},
        {"beyond windows-1252 late", QStringLiteral(u"caf\u00E9 abcdefghij \u4E2D end")},
        {"stray-byte stand-ins", QStringLiteral(u"\xDC80" u"a\xDCFF\xD83D\xDC97\xDC97\xDC7F")},
    };
    for (const auto &[name, text] : samples) {
        for (const int size : kChunkSizes)
            QTest::addRow("%s, chunks of %d", name, size) << text << size;
    }
}

void TestChunkedEncoding::encoderInChunksShouldMatchWholeEncoding()
{
    QFETCH(QString, text);
    QFETCH(int, chunkSize);

    for (const auto encoding : {TextEncoding::Utf8, TextEncoding::Utf16LE, TextEncoding::Utf32BE}) {
        const ChunkedBytes chunked = encodeInChunks(text, encoding, chunkSize);
        QCOMPARE(chunked.failedAt, -1);
        QCOMPARE(chunked.bytes, encodeText(text, encoding).bytes);
    }
    QCOMPARE(encodeText(text, TextEncoding::Utf8).bytes, wholeUtf8(text));

    QByteArray whole;
    const bool fits = encodeWindows1252(text, whole);
    const ChunkedBytes windows1252 = encodeInChunks(text, TextEncoding::Windows1252, chunkSize);
    QCOMPARE(windows1252.failedAt < 0, fits);
    if (fits) {
        QCOMPARE(windows1252.bytes, whole);
    } else {
        // A refused chunk leaves only the bytes of the chunks before it.
        QByteArray before;
        QVERIFY(encodeWindows1252(QStringView(text).first(windows1252.failedAt), before));
        QCOMPARE(windows1252.bytes, before);
    }
}

void TestChunkedEncoding::encodeTextShouldAppendTheEndingOnce_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<TextEncoding>("preferred");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("used");

    const auto utf8 = TextEncoding::Utf8;
    const auto cp1252 = TextEncoding::Windows1252;
    QTest::newRow("utf-8") << QStringLiteral(u"caf\u00E9") << QStringLiteral("\r\n") << utf8
                           << QByteArray("caf\xC3\xA9\r\n") << utf8;
    QTest::newRow("windows-1252") << QStringLiteral(u"caf\u00E9") << QStringLiteral("\r\n")
                                  << cp1252 << QByteArray("caf\xE9\r\n") << cp1252;
    QTest::newRow("falls back") << QStringLiteral(u"\u4E2D") << QStringLiteral("\r\n") << cp1252
                                << QByteArray("\xE4\xB8\xAD\r\n") << utf8;
    QTest::newRow("ending beyond windows-1252")
            << QStringLiteral("a") << QStringLiteral(u"\u2028") << cp1252
            << QByteArray("a\xE2\x80\xA8") << utf8;
    QTest::newRow("no ending") << QStringLiteral("ab") << QString() << cp1252
                               << QByteArray("ab") << cp1252;
    QTest::newRow("pair split by the ending")
            << QStringLiteral("a") + QChar(0xD83D) << QString(QChar(0xDE00)) << utf8
            << QByteArray("a\xF0\x9F\x98\x80") << utf8;
    QTest::newRow("lone high before the ending")
            << QStringLiteral("a") + QChar(0xD83D) << QStringLiteral("\r\n") << utf8
            << QByteArray("a\xEF\xBF\xBD\r\n") << utf8;
    QTest::newRow("pair split by the ending, UTF-32")
            << QStringLiteral("a") + QChar(0xD83D) << QString(QChar(0xDE00)) << TextEncoding::Utf32BE
            << QByteArray("\0\0\0a\0\x01\xF6\0", 8) << TextEncoding::Utf32BE;
}

void TestChunkedEncoding::encodeTextShouldAppendTheEndingOnce()
{
    QFETCH(QString, text);
    QFETCH(QString, ending);
    QFETCH(TextEncoding, preferred);
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, used);

    const EncodedText encoded = encodeText(text, preferred, ending);
    QCOMPARE(encoded.bytes, bytes);
    QCOMPARE(encoded.encoding, used);
}

QTEST_GUILESS_MAIN(TestChunkedEncoding)
#include "tst_chunkedencoding.moc"
