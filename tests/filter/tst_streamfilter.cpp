// wimblet-convert reads, converts and writes in chunks: its output must be the whole-text
// conversion of the whole input, wherever the chunks end and however the input arrives.
// WIMBLET_CONVERT_CHUNK_BYTES (read by the filter for tests) forces tiny chunks.

#include "convert/styleconversion.h"
#include "encoding/encodingdetector.h"
#include "encoding/textencoding.h"
#include "encoding/utf8validator.h"
#include "support/prosecorpus.h"
#include "support/sampletext.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

namespace {

enum class Feed { FileArgument, Pipe, RedirectedFile };

struct Run {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// What the filter made of the whole input before it read in chunks.
QByteArray expectedOutput(const QByteArray &input, bool cute)
{
    const DecodedText decoded = decodeDetected(input);
    const QString converted = cute ? toCuteStyle(decoded.text) : toNormalStyle(decoded.text);
    const QByteArray bytes = encodeReadingBack(converted, decoded.encoding).bytes;
    return decoded.trailingByte < 0 ? bytes : bytes + char(decoded.trailingByte);
}

QByteArray withoutNonAscii(QByteArray bytes)
{
    bytes.removeIf([](char byte) { return uchar(byte) >= 0x80; });
    return bytes;
}

QByteArray utf16Of(const QString &text, bool bigEndian)
{
    return encodeText(QChar(0xFEFF) + text, bigEndian ? TextEncoding::Utf16BE
                                                      : TextEncoding::Utf16LE).bytes;
}

// Bytes built from pieces that matter to encodings and conversions alike.
QByteArray randomInput(quint32 seed)
{
    static const QByteArray pieces[] = {
        "saya ", "SAYA", "GtuW ", "AjaH", ". ", "! ", "?", "\r\n", "\r", "\n", " ", "\t",
        QByteArray(1, '\0'), "\xC3\xA9", "\xC3\x89", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
        "\xE9", "\x80", "\xFF\xFE", "\xC3", "I", "4",
    };
    QRandomGenerator random(seed);
    QByteArray bytes;
    const int count = random.bounded(1, 600);
    for (int i = 0; i < count; ++i)
        bytes += pieces[random.bounded(int(std::size(pieces)))];
    return bytes;
}

// Stray bytes and letters of every length, ending and straddling chunks of 7 and 4096
// bytes at many places; the letters outnumber the strays, so it is read as UTF-8.
QByteArray strayBytesAtChunkEdges(const QByteArray &ascii)
{
    static const QByteArray pieces[] = {"\xE2\x82", "\xC3\xA9\xC3\x89\xE2\x82\xAC", "\xC3",
                                        "\xF0\x9F\x98\x80", "\xFF", "\xC3\xA9"};
    QByteArray bytes;
    for (int i = 0; i < 12; ++i)
        bytes += ascii.mid(i * 500, 4093 - i) + pieces[i % std::size(pieces)];
    return bytes;
}

QList<std::pair<QByteArray, QByteArray>> corpora()
{
    const QByteArray prose = testsupport::sampleTextBytes(12000);
    const QByteArray ascii = withoutNonAscii(prose);
    QList<std::pair<QByteArray, QByteArray>> list = {
        {"empty", QByteArray()},
        {"ASCII prose", ascii},
        {"UTF-8 prose", prose},
        {"Cute Style prose", toCuteStyle(QString::fromUtf8(prose)).toUtf8()},
        {"Windows-1252 prose", ascii.left(3000) + "caf\xE9 \x93kutipan\x94 NA\xCFVE " + ascii},
        {"ASCII, then UTF-8", ascii + "SAYA CAF\xC3\x89. saya"},
        {"ASCII, then Windows-1252", ascii + "SAYA CAF\xC9. saya"},
        // Converted, this would read back as UTF-8 (U+169A) in Windows-1252: it goes out in UTF-8.
        {"Windows-1252 that pairs up once converted", ascii.left(100) + "\xC1\x8A\x8A"},
        {"Windows-1252 pairs that end words", "Er sagte \x93" "Fu\xDF\x94 und \x93" "Gru\xDF\x94 zu mir."},
        {"UTF-8, then an invalid byte", prose + "saya \xFF"},
        {"UTF-16 LE prose", utf16Of(QString::fromUtf8(prose.left(5000)), false)},
        {"UTF-16 BE prose", utf16Of(QString::fromUtf8(prose.left(5000)), true)},
        {"UTF-16 mark, odd length", utf16Of(u"SAYA mau"_s, false) + "X"},
        {"UTF-8, stray bytes at chunk edges", strayBytesAtChunkEdges(ascii)},
        {"UTF-16 BE, unpaired and odd",
         utf16Of(QString::fromUtf8(prose.left(3000)) + u"\xD800 SAYA \xDC0D\r"_s, true) + "\r"},
        {"UTF-32 LE prose", encodeText(QChar(0xFEFF) + QString::fromUtf8(prose.left(3000)),
                                       TextEncoding::Utf32LE).bytes},
    };
    for (quint32 seed = 1; seed <= 6; ++seed)
        list.append({"random " + QByteArray::number(seed), randomInput(seed)});
    return list;
}

Run runFilter(const QStringList &arguments, const QByteArray &input, Feed feed,
              const QProcessEnvironment &environment)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"input.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(input) != input.size())
        return {-1, {}, "cannot write the input"};
    file.close();
    QProcess process;
    process.setProcessEnvironment(environment);
    if (feed == Feed::RedirectedFile)
        process.setStandardInputFile(path);
    process.start(QStringLiteral(WIMBLET_CONVERT_BINARY),
                  feed == Feed::FileArgument ? arguments + QStringList{path} : arguments);
    if (!process.waitForStarted())
        return {-1, {}, process.errorString().toUtf8()};
    if (feed == Feed::Pipe)
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    const int code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {code, process.readAllStandardOutput(), process.readAllStandardError()};
}

QProcessEnvironment withChunkSize(int chunkBytes)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (chunkBytes > 0)
        environment.insert(u"WIMBLET_CONVERT_CHUNK_BYTES"_s, QString::number(chunkBytes));
    return environment;
}

// The one line the filter writes for input with valid multi-byte UTF-8 and invalid bytes.
QByteArray expectedWarning(const QByteArray &input, const QByteArray &inputName)
{
    const Utf8Check check = checkUtf8(input);
    const TextEncoding encoding = detectEncoding(input);
    if (check.valid || !check.multiByte || unitBytes(encoding) > 1)
        return {};
    const QByteArray strays = QByteArray::number(check.strayBytes);
    const QByteArray first = QByteArray::number(check.firstInvalid);
    if (encoding == TextEncoding::Windows1252) {
        return "wimblet-convert: " + inputName + " has UTF-8 characters but too many invalid bytes ("
                + strays + ", the first at offset " + first + "); it is read as Windows-1252\n";
    }
    const bool one = check.strayBytes == 1;
    return "wimblet-convert: " + inputName + " is UTF-8 with " + strays + " invalid byte"
            + (one ? "" : "s") + " (the first at offset " + first + "); "
            + (one ? "it is" : "they are") + " written back unchanged\n";
}

} // namespace

Q_DECLARE_METATYPE(Feed)

class TestStreamFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outputShouldBeTheWholeConversion_data();
    void outputShouldBeTheWholeConversion();
    void mixedInputShouldBeReported_data();
    void mixedInputShouldBeReported();
    void readerClosingEarlyShouldEndQuietly_data();
    void readerClosingEarlyShouldEndQuietly();
    void writeFailureShouldSayTheOutputIsIncomplete();
    void spoolShouldGoToTmpdir();
    void proseShouldReadBackAsConverted_data();
    void proseShouldReadBackAsConverted();
};

void TestStreamFilter::outputShouldBeTheWholeConversion_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("cute");
    QTest::addColumn<int>("chunkBytes");
    QTest::addColumn<Feed>("feed");

    const std::pair<const char *, Feed> feeds[] = {
        {"file", Feed::FileArgument}, {"pipe", Feed::Pipe}, {"redirected", Feed::RedirectedFile}};
    for (const auto &[name, input] : corpora()) {
        for (const int chunkBytes : {1, 7, 4096, 0}) {
            for (const auto &[feedName, feed] : feeds) {
                for (const bool cute : {true, false}) {
                    QTest::addRow("%s, %s, chunks of %d, %s", name.constData(),
                                  cute ? "cute" : "normal", chunkBytes, feedName)
                            << input << cute << chunkBytes << feed;
                }
            }
        }
    }
}

void TestStreamFilter::outputShouldBeTheWholeConversion()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, cute);
    QFETCH(int, chunkBytes);
    QFETCH(Feed, feed);
    const Run run = runFilter({cute ? u"--cute"_s : u"--normal"_s}, input, feed,
                              withChunkSize(chunkBytes));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expectedOutput(input, cute));
    const QByteArray name = feed == Feed::FileArgument ? QByteArray() : "standard input";
    if (feed != Feed::FileArgument)
        QCOMPARE(run.err, expectedWarning(input, name));
    else
        QCOMPARE(run.err.isEmpty(), expectedWarning(input, "x").isEmpty());
}

void TestStreamFilter::mixedInputShouldBeReported_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("warning");

    const QByteArray readAs = "; it is read as Windows-1252\n";
    const QByteArray line = "wimblet-convert: standard input has UTF-8 characters but too many "
                            "invalid bytes (";
    const QByteArray kept = "wimblet-convert: standard input is UTF-8 with ";
    QTest::newRow("valid, then invalid bytes") << "caf\xC3\xA9 \xE9t\xE9 \xE0 Li\xE8ge \xE7" "a"_ba
                                               << line + "5, the first at offset 6)" + readAs;
    QTest::newRow("invalid byte, then valid") << "\x80 caf\xC3\xA9"_ba
            << kept + "1 invalid byte (the first at offset 0); it is written back unchanged\n";
    QTest::newRow("cut short at the end") << "\xC3\xA9\xE2\x82"_ba
            << kept + "2 invalid bytes (the first at offset 2); they are written back unchanged\n";
    QTest::newRow("far into the input") << QByteArray(100000, 'a') + "\xC3\xA9 \xFF\xFE\xFD"_ba
            << kept + "3 invalid bytes (the first at offset 100003); they are written back unchanged\n";
    QTest::newRow("a pair that reads as a word's end") << "Gru\xDF\x93 \xFF"_ba
                                                       << line + "1, the first at offset 6)" + readAs;
    QTest::newRow("Windows-1252 only") << "caf\xE9 na\xEFve"_ba << QByteArray();
    QTest::newRow("valid UTF-8") << "caf\xC3\xA9"_ba << QByteArray();
    QTest::newRow("UTF-16") << utf16Of(u"caf\u00E9"_s, false) << QByteArray();
    QTest::newRow("a stray byte among letters")
            << "Saya SUKA caf\xC3\xA9 \xC3\x89. halo\r\n\x97 ok\r\n"_ba
            << kept + "1 invalid byte (the first at offset 26); it is written back unchanged\n";
    QTest::newRow("strays as many as letters") << "\xC3\xA9\xE2\x82\xAC \xE2\x82"_ba
            << kept + "2 invalid bytes (the first at offset 6); they are written back unchanged\n";
}

void TestStreamFilter::mixedInputShouldBeReported()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, warning);
    for (const int chunkBytes : {1, 7, 0}) {
        const Run run = runFilter({u"--cute"_s}, input, Feed::Pipe, withChunkSize(chunkBytes));
        QCOMPARE(run.err, warning);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expectedOutput(input, true));
    }
    const Run file = runFilter({u"--cute"_s}, input, Feed::FileArgument, withChunkSize(0));
    QCOMPARE(file.err.count('\n'), warning.count('\n'));
    QVERIFY2(file.err.contains("input.txt' ") == !warning.isEmpty(), file.err);
}

void TestStreamFilter::readerClosingEarlyShouldEndQuietly_data()
{
    QTest::addColumn<QString>("pipeline");
    // Non-ASCII prose: piped, it goes through the spool before any output.
    QTest::newRow("file") << u"\"$0\" --cute \"$1\""_s;
    QTest::newRow("pipe") << u"cat \"$1\" | \"$0\" --normal"_s;
}

void TestStreamFilter::readerClosingEarlyShouldEndQuietly()
{
    QFETCH(QString, pipeline);
    QTemporaryDir dir;
    QTemporaryDir spoolDir;
    const QString input = dir.filePath(u"prose.txt"_s);
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(testsupport::sampleTextBytes(4 << 20));
    file.close();
    // The filter's own exit status and standard error, once head has left.
    const QString script = pipeline + u" 2>\"$2\" | head -c 10 >/dev/null; "
                                      u"echo ${PIPESTATUS[@]: -2:1}"_s;
    QProcess shell;
    QProcessEnvironment environment = withChunkSize(4096);
    environment.insert(u"TMPDIR"_s, spoolDir.path());
    shell.setProcessEnvironment(environment);
    const QString err = dir.filePath(u"err.txt"_s);
    shell.start(u"bash"_s, {u"-c"_s, script, QStringLiteral(WIMBLET_CONVERT_BINARY), input, err});
    QVERIFY(shell.waitForFinished(120000));
    QCOMPARE(shell.readAllStandardOutput().trimmed(), QByteArray("141")); // 128 + SIGPIPE
    QFile errors(err);
    QVERIFY(errors.open(QIODevice::ReadOnly));
    QCOMPARE(errors.readAll(), QByteArray());
    QCOMPARE(QDir(spoolDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

void TestStreamFilter::writeFailureShouldSayTheOutputIsIncomplete()
{
    if (!QFile::exists(u"/dev/full"_s))
        QSKIP("no /dev/full here");
    QTemporaryDir spoolDir;
    QProcessEnvironment environment = withChunkSize(4096);
    environment.insert(u"TMPDIR"_s, spoolDir.path());
    for (const QByteArray &input : {withoutNonAscii(testsupport::sampleTextBytes(100000)),
                                    testsupport::sampleTextBytes(100000)}) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setStandardOutputFile(u"/dev/full"_s);
        process.start(QStringLiteral(WIMBLET_CONVERT_BINARY), {u"--cute"_s});
        QVERIFY(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        const QByteArray err = process.readAllStandardError();
        QVERIFY2(err.startsWith("wimblet-convert: cannot write the output: "), err);
        QVERIFY2(err.endsWith("; the output is incomplete\n") && err.count('\n') == 1, err);
        QCOMPARE(QDir(spoolDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }
}

void TestStreamFilter::spoolShouldGoToTmpdir()
{
    QTemporaryDir spoolDir;
    QProcessEnvironment environment = withChunkSize(0);
    environment.insert(u"TMPDIR"_s, spoolDir.path());
    const QByteArray input = testsupport::sampleTextBytes(50000);
    const Run done = runFilter({u"--normal"_s}, input, Feed::Pipe, environment);
    QCOMPARE(done.exitCode, 0);
    QCOMPARE(done.out, expectedOutput(input, false));
    QCOMPARE(QDir(spoolDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());

    // Where the spool cannot be made, piped input that needs one fails in one line.
    environment.insert(u"TMPDIR"_s, spoolDir.filePath(u"missing"_s));
    const Run failed = runFilter({u"--normal"_s}, input, Feed::Pipe, environment);
    QCOMPARE(failed.exitCode, 1);
    QCOMPARE(failed.out, QByteArray());
    QVERIFY2(failed.err.startsWith("wimblet-convert: cannot keep standard input in a "
                                   "temporary file in ")
                     && failed.err.count('\n') == 1,
             failed.err);
    // ASCII needs no spool, and a file argument is read again in place.
    const QByteArray ascii = withoutNonAscii(input);
    QCOMPARE(runFilter({u"--cute"_s}, ascii, Feed::Pipe, environment).out,
             expectedOutput(ascii, true));
    QCOMPARE(runFilter({u"--cute"_s}, input, Feed::FileArgument, environment).out,
             expectedOutput(input, true));
}

// Real prose in Windows-1252 and in UTF-8 with stray bytes: what the filter writes must
// read back, by the editor's rule, as the conversion of what it read.
void TestStreamFilter::proseShouldReadBackAsConverted_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("cute");
    // One style a file, in turn: each changes case, which is what could make a reading
    // tip over.
    bool cute = true;
    for (const testsupport::CorpusFile &file : testsupport::encodingCorpus()) {
        QTest::addRow("%s, %s", qPrintable(file.name), cute ? "cute" : "normal")
                << file.bytes << cute;
        cute = !cute;
    }
}

void TestStreamFilter::proseShouldReadBackAsConverted()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, cute);
    const Run run = runFilter({cute ? u"--cute"_s : u"--normal"_s}, input, Feed::Pipe,
                              withChunkSize(0));
    QCOMPARE(run.exitCode, 0);
    const DecodedText read = decodeDetected(input);
    const QString converted = cute ? toCuteStyle(read.text) : toNormalStyle(read.text);
    const DecodedText written = decodeDetected(run.out);
    QCOMPARE(written.text, converted);
    QCOMPARE(run.out, expectedOutput(input, cute));
}

QTEST_GUILESS_MAIN(TestStreamFilter)
#include "tst_streamfilter.moc"
