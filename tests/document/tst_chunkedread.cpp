// Reading a document file in chunks: the text and encoding are those of the
// whole file decoded at once, whatever falls at a chunk's end, and failures
// are those of reading the file whole.
#include "document/documentreader.h"
#include "document/fileio.h"
#include "piecetexts.h"
#include "realfiles.h"
#include "support/sampletext.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace wimblet;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

namespace {

// Valid UTF-8 save for one byte somewhere, so the whole file is Windows-1252.
QByteArray withStrayByte(QByteArray bytes, qsizetype at)
{
    bytes[at] = '\xE9';
    return bytes;
}

// A random file made of what matters to the format and the encodings.
QByteArray randomFile(quint32 seed)
{
    static const QByteArray parts[] = {"\r",
                                       "\n",
                                       "\r\n",
                                       "a",
                                       " ",
                                       "\xC3\xA9",
                                       "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80",
                                       "\xEF\xBB\xBF",
                                       QByteArray(1, '\0')};
    QRandomGenerator random(seed);
    QByteArray out = seed % 3 == 0 ? QByteArray("\xFF\xFE") : QByteArray();
    for (int i = random.bounded(60); i > 0; --i) {
        if (seed % 2 == 1 && random.bounded(8) == 0)
            out.append(char(random.bounded(256)));
        else
            out.append(parts[random.bounded(int(std::size(parts)))]);
    }
    return out;
}

} // namespace

class TestChunkedRead : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chunkedReadShouldDecodeAsTheWholeFile_data();
    void chunkedReadShouldDecodeAsTheWholeFile();
    void failedReadShouldGiveTheWholeReadsMessage_data();
    void failedReadShouldGiveTheWholeReadsMessage();
    void fileWithoutSizeShouldBeReadWhole();
    void fileChangedBetweenReadingsShouldBeReadAgainWhole_data();
    void fileChangedBetweenReadingsShouldBeReadAgainWhole();
};

void TestChunkedRead::chunkedReadShouldDecodeAsTheWholeFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qsizetype>("chunkBytes");
    QList<piecetexts::NamedFile> files = piecetexts::craftedFiles();
    const QByteArray sample = testsupport::sampleTextBytes(40 * 1024);
    QByteArray loneCr = sample;
    loneCr.replace("\r\n", "\r");
    files.append({"sample", sample});
    files.append({"sample, lone CRs", loneCr});
    files.append({"sample, Windows-1252 by its last byte", withStrayByte(sample, sample.size() - 3)});
    for (quint32 seed = 1; seed <= 12; ++seed)
        files.append({"random", randomFile(seed)});
    for (const qsizetype chunkBytes : {qsizetype(1), qsizetype(7), qsizetype(4096)}) {
        quint32 row = 0;
        for (const piecetexts::NamedFile &file : files) {
            QTest::addRow("%s %u, %lld-byte chunks", file.name, ++row, qlonglong(chunkBytes))
                << file.bytes << chunkBytes;
        }
    }
}

void TestChunkedRead::chunkedReadShouldDecodeAsTheWholeFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qsizetype, chunkBytes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(file, bytes));
    const DecodedDocument expected = decodeDocumentFile(bytes);

    DecodedDocument read {QStringLiteral("untouched"), TextEncoding::Utf8};
    DocumentReading reading;
    reading.chunkBytes = chunkBytes;
    const FileResult result = readDocumentFile(file, read, reading);
    QVERIFY2(result.ok, qPrintable(result.error));
    // Only an empty file gives no size; any other that was read whole was
    // measured wrongly.
    QCOMPARE(reading.readWhole, bytes.isEmpty());
    QCOMPARE(read.encoding, expected.encoding);
    QCOMPARE(read.text, expected.text);
    QCOMPARE(read.trailingByte, expected.trailingByte);
    QVERIFY(!read.text.isNull());
}

void TestChunkedRead::failedReadShouldGiveTheWholeReadsMessage_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing") << QStringLiteral("missing.txt");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("named pipe") << QStringLiteral("pipe");
    QTest::newRow("unreadable") << QStringLiteral("private.txt");
    QTest::newRow("page map, without end") << QStringLiteral("/proc/self/pagemap");
}

void TestChunkedRead::failedReadShouldGiveTheWholeReadsMessage()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = name.startsWith(u'/') ? name : dir.filePath(name);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe"))).constData(), 0600), 0);
    QVERIFY(writePlainFile(dir.filePath(QStringLiteral("private.txt")), "secret"));
    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("private.txt")), {}));
    QByteArray bytes;
    const FileResult whole = readWholeFile(path, bytes);
    if (whole.ok)
        QSKIP("the file can be read here (root reads files without permissions)");

    DecodedDocument read {QStringLiteral("untouched"), TextEncoding::Windows1252};
    DocumentReading reading;
    reading.chunkBytes = 7;
    const FileResult result = readDocumentFile(path, read, reading);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, whole.error);
    QCOMPARE(read.text, QStringLiteral("untouched"));
    QCOMPARE(read.encoding, TextEncoding::Windows1252);
}

void TestChunkedRead::fileWithoutSizeShouldBeReadWhole()
{
    // Such a file need not read the same twice: it is read once, as a whole.
    const QString file = QStringLiteral("/proc/self/status");
    if (!QFile(file).open(QIODevice::ReadOnly))
        QSKIP("/proc/self/status cannot be read in this sandbox");
    DecodedDocument read {QString(), TextEncoding::Utf8};
    DocumentReading reading;
    reading.chunkBytes = 1;
    const FileResult result = readDocumentFile(file, read, reading);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(reading.readWhole);
    QVERIFY(read.text.startsWith(QStringLiteral("Name:")));
    QVERIFY(read.text.contains(QStringLiteral("\nVmHWM:")));
}

void TestChunkedRead::fileChangedBetweenReadingsShouldBeReadAgainWhole_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("seen"); // the change shows whatever the file's time stamp
    QTest::newRow("grown") << QByteArray("one\r\ntwo") << QByteArray("one\r\ntwo\r\nthree") << true;
    QTest::newRow("emptied") << QByteArray("one\r\ntwo") << QByteArray() << true;
    QTest::newRow("a lone CR where a CR LF was")
        << QByteArray("ab\r\ncd") << QByteArray("ab\rxcd") << true;
    QTest::newRow("a CR LF where a lone CR was")
        << QByteArray("ab\rxcd") << QByteArray("ab\r\ncd") << true;
    QTest::newRow("UTF-8 made ill-formed")
        << QByteArray("caf\xC3\xA9") << QByteArray("caf\xE9x") << true;
    // Damaged UTF-16 is read unit for unit, as the text before was.
    QTest::newRow("UTF-16 made ill-formed") << QByteArray("\xFF\xFE"
                                                          "a\0b\0",
                                                          6)
                                            << QByteArray("\xFF\xFE"
                                                          "a\0\0\xDC",
                                                          6)
                                            << false;
    QTest::newRow("UTF-32 made ill-formed") << QByteArray("\xFF\xFE\0\0a\0\0\0", 8)
                                            << QByteArray("\xFF\xFE\0\0a\0\0\x01", 8) << true;
    QTest::newRow("UTF-8 strays moved") << QByteArray("\xC3\xA9\xC3\xA9x\x80")
                                        << QByteArray("\xC3\xA9\xC3\xA9\x80x") << false;
    // Only the time stamp can tell; the text is the new one either way.
    QTest::newRow("same length and lines") << QByteArray("abc\r\n") << QByteArray("xyz\r\n") << false;
}

void TestChunkedRead::fileChangedBetweenReadingsShouldBeReadAgainWhole()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(bool, seen);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(file, before));
    DocumentReading reading;
    reading.chunkBytes = 3;
    bool rewritten = false;
    reading.betweenReadings = [&] {
        rewritten = writePlainFile(file, after);
    };

    DecodedDocument read {QString(), TextEncoding::Utf8};
    const FileResult result = readDocumentFile(file, read, reading);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(rewritten);
    if (seen)
        QVERIFY(reading.readWhole);
    const DecodedDocument expected = decodeDocumentFile(after);
    QCOMPARE(read.text, expected.text);
    QCOMPARE(read.encoding, expected.encoding);
}

QTEST_GUILESS_MAIN(TestChunkedRead)
#include "tst_chunkedread.moc"
