#include "document/documentfile.h"
#include "support/sampletext.h"
#include "support/utf16units.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

using wimblet::testsupport::utf16Units;

namespace {

// What saving a just-read file must give: every lone CR becomes CR LF and the
// file ends in exactly the one CR LF that writing adds.
QByteArray expectedAfterRoundTrip(const QByteArray &bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        out.append(bytes[i]);
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            out.append('\n');
    }
    if (!out.endsWith("\r\n"))
        out.append("\r\n");
    return out;
}

// A random file built from pieces that matter to the format and encodings.
QByteArray randomFile(QRandomGenerator &random, bool anyByte)
{
    static const QByteArray pieces[] = {"\r", "\n", "\r\n", "a", "Z", " ", "\xC3\xA9",
                                        "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBB\xBF",
                                        QByteArray(1, '\0')};
    QByteArray out;
    const int count = random.bounded(40);
    for (int i = 0; i < count; ++i) {
        if (anyByte && random.bounded(4) == 0)
            out.append(char(random.bounded(256)));
        else
            out.append(pieces[random.bounded(int(std::size(pieces)))]);
    }
    return out;
}

bool hasLoneCarriageReturn(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') && (i + 1 == text.size() || text[i + 1] != QLatin1Char('\n')))
            return true;
    }
    return false;
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodeShouldSplitLinesAtCrLfAndLoneCr_data();
    void decodeShouldSplitLinesAtCrLfAndLoneCr();
    void encodeShouldAppendOneCrLfInAnEncodingThatHoldsTheText_data();
    void encodeShouldAppendOneCrLfInAnEncodingThatHoldsTheText();
    void savingWhatWasReadShouldOnlyNormaliseLineEnds_data();
    void savingWhatWasReadShouldOnlyNormaliseLineEnds();
    void randomFilesShouldRoundTrip();
    void typedCharacterOutsideWindows1252ShouldSwitchToUtf8();
    void sampleTextShouldRoundTripExactly();
    void utf16FilesShouldReadAndSaveBack_data();
    void utf16FilesShouldReadAndSaveBack();
    void editedUtf16TextShouldKeepItsByteOrder_data();
    void editedUtf16TextShouldKeepItsByteOrder();
};

void TestDocumentFile::decodeShouldSplitLinesAtCrLfAndLoneCr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    const auto utf8 = TextEncoding::Utf8;
    const auto cp1252 = TextEncoding::Windows1252;

    QTest::newRow("zero bytes") << QByteArray() << QString() << utf8;
    QTest::newRow("only CR LF") << QByteArray("\r\n") << QString() << utf8;
    QTest::newRow("two lines") << QByteArray("a\r\nb") << QStringLiteral("a\r\nb") << utf8;
    QTest::newRow("final CR LF dropped") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\r\nb") << utf8;
    QTest::newRow("two final CR LF") << QByteArray("a\r\n\r\n") << QStringLiteral("a\r\n") << utf8;
    QTest::newRow("LF only is one line") << QByteArray("a\nb\n") << QStringLiteral("a\nb\n") << utf8;
    QTest::newRow("CR only") << QByteArray("a\rb\rc") << QStringLiteral("a\r\nb\r\nc") << utf8;
    QTest::newRow("ends in lone CR") << QByteArray("a\r") << QStringLiteral("a") << utf8;
    QTest::newRow("ends in CR CR LF") << QByteArray("a\r\r\n") << QStringLiteral("a\r\n") << utf8;
    QTest::newRow("ends in CR CR") << QByteArray("a\r\r") << QStringLiteral("a\r\n") << utf8;
    QTest::newRow("LF then CR") << QByteArray("a\n\rb") << QStringLiteral("a\n\r\nb") << utf8;
    QTest::newRow("CR LF then LF") << QByteArray("a\r\n\nb") << QStringLiteral("a\r\n\nb") << utf8;
    QTest::newRow("byte-order mark kept") << QByteArray("\xEF\xBB\xBFhi\r\n")
                                          << QStringLiteral(u"\uFEFFhi") << utf8;
    QTest::newRow("nul bytes kept") << QByteArrayLiteral("a\0b\r\n") << QStringLiteral(u"a\u0000b")
                                    << utf8;
    QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC") << QStringLiteral(u"caf\u00E9 \u20AC")
                           << utf8;
    QTest::newRow("windows-1252") << QByteArray("caf\xE9 \x80\r\n")
                                  << QStringLiteral(u"caf\u00E9 \u20AC") << cp1252;
    QTest::newRow("windows-1252 lone CR") << QByteArray("\xE9\r\xE8\r")
                                          << QStringLiteral(u"\u00E9\r\n\u00E8") << cp1252;
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QStringLiteral(u"\u00C0\u00AF") << cp1252;
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80")
                               << QStringLiteral(u"\u00ED\u00A0\u20AC") << cp1252;
    QTest::newRow("truncated at end") << QByteArray("ok \xE2\x82")
                                      << QStringLiteral(u"ok \u00E2\u201A") << cp1252;
    QTest::newRow("truncated before CR LF") << QByteArray("\xE2\x82\r\n")
                                            << QStringLiteral(u"\u00E2\u201A") << cp1252;
    // A few stray bytes among more UTF-8 letters stay bytes of their own.
    QTest::newRow("utf-8 with a stray byte")
            << QByteArray("Saya SUKA caf\xC3\xA9 \xC3\x89. halo\r\n\x97 ok\r\n")
            << QStringLiteral(u"Saya SUKA caf\u00E9 \u00C9. halo\r\n\xDC97 ok") << utf8;
    QTest::newRow("as many strays as pairs") << QByteArray("\xC3\xA9\xE2\x82\xAC \xE2\x82\r")
                                             << QStringLiteral(u"\u00E9\u20AC \xDCE2\xDC82") << utf8;
    // A pair that reads as a letter in its place outweighs a pasted Latin-1 letter;
    // one that reads in Windows-1252 as a word's end does not.
    QTest::newRow("one pair, one stray") << QByteArray("caf\xC3\xA9 \xE9")
                                         << QStringLiteral(u"caf\u00E9 \xDCE9") << utf8;
    QTest::newRow("a word's end, not a pair") << QByteArray("\x93" "Fu\xDF\x94 und \x93" "Gru\xDF\x94")
            << QStringLiteral(u"\u201CFu\u00DF\u201D und \u201CGru\u00DF\u201D") << cp1252;
    QTest::newRow("capitals before quotes") << QByteArray("Gru\xDF\x93 aus K\xF6ln, CAF\xC9\x94 tr\xE8s bien")
            << QStringLiteral(u"Gru\u00DF\u201C aus K\u00F6ln, CAF\u00C9\u201D tr\u00E8s bien") << cp1252;
    QTest::newRow("windows-1252 holding valid pairs")
            << QByteArray("Gru\xDF\x93 und CAF\xC9\x94 f\xFCr K\xE4se, sch\xF6n")
            << QStringLiteral(u"Gru\u00DF\u201C und CAF\u00C9\u201D f\u00FCr K\u00E4se, sch\u00F6n") << cp1252;
}

void TestDocumentFile::decodeShouldSplitLinesAtCrLfAndLoneCr()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    const DecodedDocument document = decodeDocumentFile(bytes);
    QCOMPARE(document.text, text);
    QCOMPARE(document.encoding, encoding);
}

void TestDocumentFile::encodeShouldAppendOneCrLfInAnEncodingThatHoldsTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("preferred");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("used");
    const auto utf8 = TextEncoding::Utf8;
    const auto cp1252 = TextEncoding::Windows1252;
    const QString cafe = QStringLiteral(u"caf\u00E9 \u20AC");

    QTest::newRow("empty") << QString() << utf8 << QByteArray("\r\n") << utf8;
    QTest::newRow("empty, windows-1252") << QString() << cp1252 << QByteArray("\r\n") << cp1252;
    QTest::newRow("two lines") << QStringLiteral("a\r\nb") << utf8 << QByteArray("a\r\nb\r\n") << utf8;
    QTest::newRow("text ending in CR LF") << QStringLiteral("a\r\n") << utf8
                                          << QByteArray("a\r\n\r\n") << utf8;
    QTest::newRow("windows-1252") << cafe << cp1252 << QByteArray("caf\xE9 \x80\r\n") << cp1252;
    QTest::newRow("utf-8") << cafe << utf8 << QByteArray("caf\xC3\xA9 \xE2\x82\xAC\r\n") << utf8;
    QTest::newRow("cjk does not fit") << QStringLiteral(u"\u4E2D") << cp1252
                                      << QByteArray("\xE4\xB8\xAD\r\n") << utf8;
    QTest::newRow("U+0080 does not fit") << QStringLiteral(u"\u0080") << cp1252
                                         << QByteArray("\xC2\x80\r\n") << utf8;
    QTest::newRow("emoji does not fit") << QStringLiteral(u"\U0001F600") << cp1252
                                        << QByteArray("\xF0\x9F\x98\x80\r\n") << utf8;
    QTest::newRow("byte-order mark only when in the text")
            << QStringLiteral(u"\uFEFFx") << utf8 << QByteArray("\xEF\xBB\xBFx\r\n") << utf8;
    // FF FE 61 00 0D 0A would read back as UTF-16.
    QTest::newRow("windows-1252 that would read as UTF-16")
            << QStringLiteral(u"\u00FF\u00FEa") + QChar(0) << cp1252
            << QByteArrayLiteral("\xC3\xBF\xC3\xBE" "a\0\r\n") << utf8;
    // FF FE 61 0D 0A reads as UTF-16 however damaged.
    QTest::newRow("windows-1252 with a mark-like start") << QStringLiteral(u"\u00FF\u00FEa") << cp1252
                                                         << QByteArray("\xC3\xBF\xC3\xBE" "a\r\n") << utf8;
    // C3 A9 and C2 B0 would read back as UTF-8 letters.
    QTest::newRow("windows-1252 that would read as UTF-8") << QStringLiteral(u"\u00C3\u00A9\u00C2\u00B0") << cp1252
                                                           << QByteArray("\xC3\x83\xC2\xA9\xC3\x82\xC2\xB0\r\n") << utf8;
    // 00 00 FE FF 00 00 0D 0A is valid UTF-32.
    QTest::newRow("windows-1252 that would read as UTF-32")
            << QStringView(u"\0\0\u00FE\u00FF\0\0", 6).toString() << cp1252
            << QByteArray("\0\0\xC3\xBE\xC3\xBF\0\0\r\n", 10) << utf8;
}

void TestDocumentFile::encodeShouldAppendOneCrLfInAnEncodingThatHoldsTheText()
{
    QFETCH(QString, text);
    QFETCH(TextEncoding, preferred);
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, used);
    TextEncoding actual = preferred == TextEncoding::Utf8 ? TextEncoding::Windows1252
                                                          : TextEncoding::Utf8;
    QCOMPARE(encodeDocumentFile(text, preferred, &actual), bytes);
    QCOMPARE(actual, used);
    QCOMPARE(encodeDocumentFile(text, preferred), bytes);
}

void TestDocumentFile::savingWhatWasReadShouldOnlyNormaliseLineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("zero bytes") << QByteArray() << QByteArray("\r\n");
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("one final CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("two final CR LF") << QByteArray("a\r\n\r\n") << QByteArray("a\r\n\r\n");
    QTest::newRow("ends in lone CR") << QByteArray("a\r") << QByteArray("a\r\n");
    QTest::newRow("ends in CR CR LF") << QByteArray("a\r\r\n") << QByteArray("a\r\n\r\n");
    QTest::newRow("CR only") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    QTest::newRow("LF only") << QByteArray("a\nb\n") << QByteArray("a\nb\n\r\n");
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFx\r\n")
                                     << QByteArray("\xEF\xBB\xBFx\r\n");
    QTest::newRow("nul bytes") << QByteArrayLiteral("\0a\0") << QByteArrayLiteral("\0a\0\r\n");
    QTest::newRow("windows-1252") << QByteArray("caf\xE9 \x80\r\n") << QByteArray("caf\xE9 \x80\r\n");
    QTest::newRow("overlong") << QByteArray("\xC0\xAF") << QByteArray("\xC0\xAF\r\n");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80\r\n") << QByteArray("\xED\xA0\x80\r\n");
    QTest::newRow("truncated at end") << QByteArray("\xE2\x82") << QByteArray("\xE2\x82\r\n");
    QTest::newRow("utf-8 with strays and a lone CR") << QByteArray("\xC3\xA9\r\xC3\x89\x97\rx")
                                                     << QByteArray("\xC3\xA9\r\n\xC3\x89\x97\r\nx\r\n");
    QTest::newRow("windows-1252 holding valid pairs") << QByteArray("\xDF\x93\r\xC9\x94\xFC\xE4\xF6")
                                                      << QByteArray("\xDF\x93\r\n\xC9\x94\xFC\xE4\xF6\r\n");

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QByteArray allWritten = all;
    allWritten.insert(0x0E, '\n'); // 0x0D is followed by 0x0E: a lone CR
    allWritten.append("\r\n");
    QTest::newRow("all 256 byte values") << all << allWritten;
}

void TestDocumentFile::savingWhatWasReadShouldOnlyNormaliseLineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, written);
    const DecodedDocument read = decodeDocumentFile(bytes);
    TextEncoding used;
    QCOMPARE(encodeDocumentFile(read.text, read.encoding, &used), written);
    QCOMPARE(used, read.encoding);

    // Reading the saved file again changes nothing.
    const DecodedDocument again = decodeDocumentFile(written);
    QCOMPARE(again.text, read.text);
    QCOMPARE(again.encoding, read.encoding);
}

void TestDocumentFile::randomFilesShouldRoundTrip()
{
    QRandomGenerator random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const QByteArray bytes = randomFile(random, i % 2 == 1);
        const DecodedDocument read = decodeDocumentFile(bytes);
        const QByteArray written = encodeDocumentFile(read.text, read.encoding);
        if (written != expectedAfterRoundTrip(bytes) || hasLoneCarriageReturn(read.text)) {
            QFAIL(qPrintable(QStringLiteral("round trip of %1 gave %2")
                                     .arg(bytes.toHex(' '), written.toHex(' '))));
        }
    }
}

void TestDocumentFile::typedCharacterOutsideWindows1252ShouldSwitchToUtf8()
{
    DecodedDocument document = decodeDocumentFile("caf\xE9\r\n");
    QCOMPARE(document.encoding, TextEncoding::Windows1252);
    document.text += QStringLiteral(u" \u4E2D");
    TextEncoding used;
    const QByteArray bytes = encodeDocumentFile(document.text, document.encoding, &used);
    QCOMPARE(used, TextEncoding::Utf8);
    QCOMPARE(bytes, QByteArray("caf\xC3\xA9 \xE4\xB8\xAD\r\n"));
    const DecodedDocument reread = decodeDocumentFile(bytes);
    QCOMPARE(reread.text, document.text);
    QCOMPARE(reread.encoding, TextEncoding::Utf8);
}

void TestDocumentFile::sampleTextShouldRoundTripExactly()
{
    const QByteArray sample = testsupport::sampleTextBytes();
    QVERIFY(sample.size() >= testsupport::kSampleBytes);
    QVERIFY(sample.endsWith("\r\n"));
    // CR LF lines, lone LFs inside lines, tabs and letters beyond ASCII all take part.
    QVERIFY(QByteArray(sample).replace("\r\n", "").contains('\n'));
    QVERIFY(sample.contains('\t') && sample.contains("\xC3\xA9"));
    const DecodedDocument document = decodeDocumentFile(sample);
    QCOMPARE(document.encoding, TextEncoding::Utf8);
    QCOMPARE(document.text, QString::fromUtf8(sample.chopped(2)));
    QCOMPARE(encodeDocumentFile(document.text, document.encoding), sample);
}

void TestDocumentFile::utf16FilesShouldReadAndSaveBack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QByteArray>("saved");

    const auto le = TextEncoding::Utf16LE;
    const auto be = TextEncoding::Utf16BE;
    const QString mark(QChar(0xFEFF));
    const QString prose = mark + testsupport::sampleText();
    for (const bool bigEndian : {false, true}) {
        const auto encoding = bigEndian ? be : le;
        const auto row = [&](const char *name, const QString &file, const QString &text,
                             const QString &saved) {
            QTest::addRow("%s, %s", name, bigEndian ? "BE" : "LE")
                    << utf16Units(file, bigEndian) << text << encoding << utf16Units(saved, bigEndian);
        };
        row("mark and CR LF only", mark + u"\r\n"_s, mark, mark + u"\r\n"_s);
        row("unchanged prose", prose, prose.chopped(2), prose);
        row("pairs and NUL", mark + u"\U0001F600\u0000\u20AC\r\n"_s, mark + u"\U0001F600\u0000\u20AC"_s,
            mark + u"\U0001F600\u0000\u20AC\r\n"_s);
        row("lone CR and lone LF", mark + u"a\rb\nc\r"_s, mark + u"a\r\nb\nc"_s,
            mark + u"a\r\nb\nc\r\n"_s);
        row("no final break", mark + u"a\r\nb"_s, mark + u"a\r\nb"_s, mark + u"a\r\nb\r\n"_s);
    }
    // Damaged UTF-16 keeps its units, CR bytes inside them included; an odd last byte
    // stays last.
    const QByteArray odd = utf16Units(mark + u"hi"_s, false) + 'x';
    QTest::newRow("odd length") << odd << mark + u"hi"_s << le
                                << utf16Units(mark + u"hi\r\n"_s, false) + 'x';
    const QByteArray unpaired = utf16Units(mark + u"a\xD83Dz"_s, true);
    QTest::newRow("unpaired surrogate") << unpaired << mark + u"a\xD83Dz"_s << be
                                        << utf16Units(mark + u"a\xD83Dz\r\n"_s, true);
    const QByteArray reported = "\xFF\xFE" "a\0b\0\0\xD8" "c\0d\0\r\0\n\0"_ba;
    QTest::newRow("unpaired, CR LF") << reported << mark + u"ab\xD800" u"cd"_s << le << reported;
    // The lone CR unit gets its LF; no CR byte inside a unit does.
    const QString crBytes = mark + u"\u0D0A\xDC0D\r\n\u0A0D\u0D0D"_s;
    QTest::newRow("CR bytes in units, odd CR")
            << utf16Units(mark + u"\u0D0A\xDC0D\r\u0A0D\u0D0D"_s, true) + '\r' << crBytes << be
            << utf16Units(crBytes + u"\r\n"_s, true) + '\r';
    const QByteArray utf32("\xFF\xFE\x00\x00", 4);
    QTest::newRow("UTF-32 mark") << utf32 << mark << TextEncoding::Utf32LE
                                 << utf32 + QByteArray("\r\0\0\0\n\0\0\0", 8);
    const QByteArray utf32Cr("\0\0\xFE\xFF\0\0\x0D\x0D\0\x01\xF6\x00\0\0\0\r", 16);
    QTest::newRow("UTF-32 BE, CR bytes") << utf32Cr << mark + u"\u0D0D\U0001F600"_s
                                         << TextEncoding::Utf32BE << utf32Cr + QByteArray("\0\0\0\n", 4);
    QTest::newRow("UTF-32 look, not UTF-32") << utf32 + "\r\n" << mark + u"\0\u0A0D"_s << le
                                             << utf32 + "\r\n\r\0\n\0"_ba;
}

void TestDocumentFile::utf16FilesShouldReadAndSaveBack()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(QByteArray, saved);
    const DecodedDocument read = decodeDocumentFile(file);
    QCOMPARE(read.encoding, encoding);
    QCOMPARE(read.text, text);
    TextEncoding used;
    QCOMPARE(encodeDocumentFile(read.text, read.encoding, &used, read.trailingByte), saved);
    QCOMPARE(used, encoding);
    const DecodedDocument again = decodeDocumentFile(saved);
    QCOMPARE(again.text, text);
    QCOMPARE(again.encoding, encoding);
}

void TestDocumentFile::editedUtf16TextShouldKeepItsByteOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("trailingByte");

    QTest::newRow("typed beyond Windows-1252") << u"\uFEFFhalo \u4E2D\U0001F600"_s
                                               << u"\uFEFFhalo \u4E2D\U0001F600\r\n"_s << -1;
    QTest::newRow("lines added") << u"\uFEFFa\r\nb\r\n"_s << u"\uFEFFa\r\nb\r\n\r\n"_s << -1;
    QTest::newRow("mark deleted") << u"caf\u00E9"_s << u"caf\u00E9\r\n"_s << -1;
    QTest::newRow("lone surrogate typed") << u"\uFEFFa\xD83D"_s << u"\uFEFFa\xD83D\r\n"_s << -1;
    QTest::newRow("emptied") << QString() << u"\r\n"_s << -1;
    QTest::newRow("typed into an odd-length file") << u"\uFEFFhi!"_s << u"\uFEFFhi!\r\n"_s << 0x78;
}

void TestDocumentFile::editedUtf16TextShouldKeepItsByteOrder()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    QFETCH(int, trailingByte);
    const QByteArray trailing = trailingByte < 0 ? QByteArray() : QByteArray(1, char(trailingByte));
    for (const auto encoding : {TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        TextEncoding used;
        const QByteArray bytes = encodeDocumentFile(text, encoding, &used, trailingByte);
        QCOMPARE(used, encoding);
        QCOMPARE(bytes, utf16Units(written, encoding == TextEncoding::Utf16BE) + trailing);
    }
}

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
