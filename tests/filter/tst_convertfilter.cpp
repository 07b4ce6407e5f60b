// The wimblet-convert filter: how it reads and writes bytes, and the program itself.

#include "encoding/textencoding.h"
#include "support/utf16units.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

using wimblet::testsupport::utf16Units;

class TestConvertFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodeChoosesTheEncoding_data();
    void decodeChoosesTheEncoding();
    void everyWindows1252ByteComesBack();
    void encodeFallsBackToUtf8();
    void convertsStandardInput_data();
    void convertsStandardInput();
    void convertsAFileInItsEncoding();
    void failsWithOneLineAndNoOutput_data();
    void failsWithOneLineAndNoOutput();
    void helpGoesToStandardOutput();
    void writeErrorFails();

private:
    struct Run {
        int exitCode;
        QByteArray out;
        QByteArray err;
    };
    static Run run(const QStringList &arguments, const QByteArray &input = {});
};

TestConvertFilter::Run TestConvertFilter::run(const QStringList &arguments,
                                              const QByteArray &input)
{
    QProcess process;
    process.start(QStringLiteral(WIMBLET_CONVERT_BINARY), arguments);
    if (!process.waitForStarted())
        return {-1, {}, process.errorString().toUtf8()};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, process.readAllStandardOutput(), process.readAllStandardError()};
}

void TestConvertFilter::decodeChoosesTheEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");

    const auto utf8 = TextEncoding::Utf8;
    const auto ansi = TextEncoding::Windows1252;
    QTest::newRow("empty") << QByteArray() << QString() << utf8;
    QTest::newRow("ASCII") << "SAYA\r\n"_ba << u"SAYA\r\n"_s << utf8;
    QTest::newRow("byte order mark kept") << "\xEF\xBB\xBFok"_ba << u"\uFEFFok"_s << utf8;
    QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << u"a"_s + QChar(0) + u"b"_s << utf8;
    QTest::newRow("two bytes") << "caf\xC3\xA9"_ba << u"café"_s << utf8;
    QTest::newRow("four bytes") << "\xF0\x9F\x98\x80"_ba << u"😀"_s << utf8;
    QTest::newRow("lone Latin-1 byte") << "caf\xE9"_ba << u"café"_s << ansi;
    QTest::newRow("0x80 to 0x9F") << "\x80\x8A\x9F"_ba << u"€ŠŸ"_s << ansi;
    QTest::newRow("undefined bytes")
            << "\x81\x8D\x8F\x90\x9D"_ba << u"\u0081\u008D\u008F\u0090\u009D"_s << ansi;
    QTest::newRow("overlong") << "\xC0\x80"_ba << u"À€"_s << ansi;
    QTest::newRow("surrogate") << "\xED\xA0\x80"_ba << u"í\u00A0€"_s << ansi;
    QTest::newRow("beyond U+10FFFF") << "\xF4\x90\x80\x80"_ba << u"ô\u0090€€"_s << ansi;
    QTest::newRow("cut short") << "ab\xE2\x82"_ba << u"abâ‚"_s << ansi;
    QTest::newRow("a pair among many Latin-1 letters")
            << "caf\xC3\xA9 \x93na\xEFve\x94 \x96 \xE9t\xE9 \xE0 Li\xE8ge"_ba
            << u"cafÃ© “naïve” – été à Liège"_s << ansi;
    QTest::newRow("a pair that reads as a word's end") << "Fu\xDF\x94 und \xE9"_ba
                                                       << u"Fuß” und é"_s << ansi;
    QTest::newRow("stray bytes outnumbered by pairs") << "\xC3\x89 caf\xC3\xA9 \x97"_ba
                                                      << u"É café \xDC97"_s << utf8;
}

void TestConvertFilter::decodeChoosesTheEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    const DecodedText decoded = decodeUtf8OrWindows1252(bytes);
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding, encoding);
    QCOMPARE(encodeText(decoded.text, decoded.encoding).bytes, bytes);
}

void TestConvertFilter::everyWindows1252ByteComesBack()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all += char(byte);
    const DecodedText decoded = decodeUtf8OrWindows1252(all);
    QCOMPARE(decoded.encoding, TextEncoding::Windows1252);
    QCOMPARE(decoded.text.size(), 256);
    QCOMPARE(QSet<QChar>(decoded.text.begin(), decoded.text.end()).size(), 256);
    QCOMPARE(encodeText(decoded.text, TextEncoding::Windows1252).bytes, all);
}

void TestConvertFilter::encodeFallsBackToUtf8()
{
    // U+0080 has no byte of its own: 0x80 is the euro sign.
    QCOMPARE(encodeText(u"é\u0080"_s, TextEncoding::Windows1252).bytes, "\xC3\xA9\xC2\x80"_ba);
    QCOMPARE(encodeText(u"i\u0307"_s, TextEncoding::Windows1252).bytes, "i\xCC\x87"_ba);
}

void TestConvertFilter::convertsStandardInput_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("cute CR LF") << u"--cute"_s << "halo semua.\r\nselamat pagi!\r\n"_ba
                                << "H4Lo sEMUa.\r\nsELaMat PaGi!\r\n"_ba;
    QTest::newRow("cute LF and CR") << u"--cute"_s << "ha\nha\rha"_ba << "H4\nH4\rH4"_ba;
    QTest::newRow("cute NUL and BOM") << u"--cute"_s << QByteArray("\xEF\xBB\xBFha\0ha", 8)
                                      << QByteArray("\xEF\xBB\xBFH4\0H4", 8);
    QTest::newRow("cute UTF-8") << u"--cute"_s << "ÉLAN\n"_ba << "éLan\n"_ba;
    QTest::newRow("cute Windows-1252") << u"--cute"_s << "SAYA caf\xC9\r\n"_ba
                                       << "sAY4 caf\xE9\r\n"_ba;
    QTest::newRow("normal") << u"--normal"_s << "GtuW AjaH, NiH!\r\n\r\n"_ba
                            << "Begitu saja, nih!\r\n\r\n"_ba;
    QTest::newRow("empty") << u"--normal"_s << QByteArray() << QByteArray();
    QTest::newRow("dash for standard input") << u"--cute"_s << "SAYA"_ba << "sAY4"_ba;
    QTest::newRow("cute UTF-16 LE") << u"--cute"_s << utf16Units(u"\uFEFFSAYA caf\u00C9\r\n\U0001F600", false)
                                    << utf16Units(u"\uFEFFsAY4 caf\u00E9\r\n\U0001F600", false);
    QTest::newRow("normal UTF-16 BE") << u"--normal"_s << utf16Units(u"\uFEFFGtuW AjaH, NiH!\r\n", true)
                                      << utf16Units(u"\uFEFFBegitu saja, nih!\r\n", true);
    // Units of 0x4153 ("SA") and so on: no letters to convert.
    QTest::newRow("UTF-16 mark, odd length") << u"--cute"_s << "\xFF\xFESAYA\r\nx"_ba
                                             << "\xFF\xFESAYA\r\nx"_ba;
    QTest::newRow("UTF-16, odd length") << u"--cute"_s << utf16Units(u"\uFEFFSAYA \u4E2D\r\n", false) + '\r'
                                        << utf16Units(u"\uFEFFsAY4 \u4E2D\r\n", false) + '\r';
    QTest::newRow("UTF-16, unpaired surrogates") << u"--normal"_s
                                                 << utf16Units(u"\uFEFFGtuW \xDC00\xD800 AjaH", true)
                                                 << utf16Units(u"\uFEFFBegitu \xDC00\xD800 saja", true);
    QTest::newRow("UTF-32 BE") << u"--cute"_s << "\0\0\xFE\xFF\0\0\0S\0\0\0A\0\x01\xF6\0"_ba
                               << "\0\0\xFE\xFF\0\0\0s\0\0\0" "A\0\x01\xF6\0"_ba;
}

void TestConvertFilter::convertsStandardInput()
{
    QFETCH(QString, option);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QStringList arguments{option};
    if (QByteArray(QTest::currentDataTag()).startsWith("dash"))
        arguments << u"-"_s;
    const Run result = run(arguments, input);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, output);
}

void TestConvertFilter::convertsAFileInItsEncoding()
{
    QTemporaryDir dir;
    QVERIFY2(dir.isValid(), qPrintable(dir.errorString()));
    QFile file(dir.filePath(u"ansi.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("SAYA caf\xE9\r\nzebra\r");
    file.close();
    const Run result = run({u"--cute"_s, file.fileName()});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.out, "sAY4 caf\xE9\r\n2ebRa\r"_ba);

    const Run back = run({file.fileName(), u"--normal"_s});
    QCOMPARE(back.exitCode, 0);
    QCOMPARE(back.out, "Saya caf\xE9\r\nzebra\r"_ba);
}

void TestConvertFilter::failsWithOneLineAndNoOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("mentions");

    const QString missing = QDir::tempPath() + u"/wimblet-no-such-file.txt"_s;
    QTest::newRow("missing file") << QStringList{u"--cute"_s, missing} << missing;
    QTest::newRow("directory") << QStringList{u"--normal"_s, QDir::tempPath()}
                               << u"Is a directory"_s;
    QTest::newRow("bad option") << QStringList{u"--pretty"_s} << u"--pretty"_s;
    QTest::newRow("no option") << QStringList{} << u"--cute"_s;
    QTest::newRow("both options") << QStringList{u"--cute"_s, u"--normal"_s} << u"one"_s;
    QTest::newRow("empty file name") << QStringList{u"--cute"_s, QString()} << u"''"_s;
    QTest::newRow("two files") << QStringList{u"--cute"_s, u"a"_s, u"b"_s} << u"'b'"_s;
}

void TestConvertFilter::failsWithOneLineAndNoOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, mentions);
    const Run result = run(arguments, "saya"_ba);
    QVERIFY(result.exitCode > 0);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(result.err.startsWith("wimblet-convert: "), result.err.constData());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.endsWith('\n'), result.err.constData());
    QVERIFY2(result.err.contains(mentions.toUtf8()), result.err.constData());
}

void TestConvertFilter::helpGoesToStandardOutput()
{
    const Run result = run({u"--help"_s});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.out.contains("--cute"));
    QVERIFY(result.out.contains("--normal"));
    QCOMPARE(result.err, QByteArray());
}

void TestConvertFilter::writeErrorFails()
{
    if (!QFile::exists(u"/dev/full"_s))
        QSKIP("no /dev/full here");
    QProcess process;
    process.setStandardOutputFile(u"/dev/full"_s);
    process.start(QStringLiteral(WIMBLET_CONVERT_BINARY), {u"--cute"_s});
    QVERIFY(process.waitForStarted());
    process.write("saya\n");
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(process.exitCode() > 0);
    QVERIFY(process.readAllStandardError().startsWith("wimblet-convert: cannot write"));
}

QTEST_GUILESS_MAIN(TestConvertFilter)
#include "tst_convertfilter.moc"
