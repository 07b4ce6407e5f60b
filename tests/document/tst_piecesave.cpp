// Saving a document handed out in pieces: the bytes, chunk by chunk, are
// exactly those of the whole text encoded at once, and a save that fails half
// way leaves the old file as it was.
#include "document/documentencoder.h"
#include "document/documentfile.h"
#include "mounts.h"
#include "piecetexts.h"
#include "realfiles.h"
#include "support/sampletext.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace wimblet;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

namespace {

// The room a chunk may take beyond its size: one character's bytes and a
// surrogate held from before.
constexpr qsizetype kChunkSlack = 8;

PieceSource piecesOf(const QStringList &pieces)
{
    return [pieces](const PieceSink &sink) {
        for (const QString &piece : pieces)
            sink(piece);
    };
}

QString joined(const QStringList &pieces)
{
    return pieces.join(QString());
}

} // namespace

class TestPieceSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void piecesShouldEncodeAsTheWholeText_data();
    void piecesShouldEncodeAsTheWholeText();
    void savedFileShouldHoldTheWholeTextsBytes_data();
    void savedFileShouldHoldTheWholeTextsBytes();
    void saveFailingHalfWayShouldLeaveTheOldFile_data();
    void saveFailingHalfWayShouldLeaveTheOldFile();
};

static void addPieceRows()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<TextEncoding>("preferred");
    QTest::addColumn<qsizetype>("chunkBytes");
    const TextEncoding encodings[] = {TextEncoding::Utf8,    TextEncoding::Windows1252,
                                      TextEncoding::Utf16LE, TextEncoding::Utf16BE,
                                      TextEncoding::Utf32LE, TextEncoding::Utf32BE};
    QList<piecetexts::NamedText> texts = piecetexts::craftedTexts();
    for (quint32 seed = 1; seed <= 4; ++seed)
        texts.append({"random", piecetexts::randomText(seed, 60)});
    const QString pair = QStringLiteral(u"a\U0001F600b");
    for (const TextEncoding preferred : encodings) {
        for (const qsizetype chunkBytes : {qsizetype(1), qsizetype(7), qsizetype(4096)}) {
            const QByteArray suffix = QByteArray(", ") + QByteArray::number(int(preferred)) + ", "
                                      + QByteArray::number(chunkBytes);
            quint32 seed = 0;
            for (const piecetexts::NamedText &text : texts) {
                QTest::newRow(text.name + suffix + ", whole")
                    << QStringList {text.text} << preferred << chunkBytes;
                QTest::newRow(text.name + suffix + ", cut")
                    << piecetexts::randomPieces(text.text, ++seed, 6) << preferred << chunkBytes;
            }
            QTest::newRow("pair split between pieces" + suffix)
                << QStringList {pair.left(2), QString(), pair.mid(2)} << preferred << chunkBytes;
        }
    }
}

void TestPieceSave::piecesShouldEncodeAsTheWholeText_data()
{
    addPieceRows();
}

void TestPieceSave::piecesShouldEncodeAsTheWholeText()
{
    QFETCH(QStringList, pieces);
    QFETCH(TextEncoding, preferred);
    QFETCH(qsizetype, chunkBytes);
    // An odd byte a UTF-16 file ended in goes last (a CR byte, which no line rule touches).
    const int trailingByte = chunkBytes == 7 ? '\r' : -1;
    TextEncoding expectedEncoding = preferred;
    const QByteArray expected =
        encodeDocumentFile(joined(pieces), preferred, &expectedEncoding, trailingByte);

    const DocumentEncoder encoder(piecesOf(pieces), preferred, chunkBytes, trailingByte);
    QCOMPARE(encoder.encoding(), expectedEncoding);
    // Twice: a writer that falls back to writing in place goes through them again.
    for (int pass = 0; pass < 2; ++pass) {
        QByteArray bytes;
        qsizetype largest = 0;
        QCOMPARE(encoder.write([&](QByteArrayView chunk) {
            bytes.append(chunk);
            largest = std::max(largest, chunk.size());
            return 0;
        }),
                 0);
        QCOMPARE(bytes, expected);
        QVERIFY2(largest <= chunkBytes + kChunkSlack, qPrintable(QString::number(largest)));
    }
}

void TestPieceSave::savedFileShouldHoldTheWholeTextsBytes_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<TextEncoding>("preferred");
    QTest::addColumn<qsizetype>("chunkBytes");
    const QString sample = testsupport::sampleText(200 * 1024);
    QTest::newRow("sample, 1000 pieces, 4 KiB chunks")
        << piecetexts::randomPieces(sample, 7, 1000) << TextEncoding::Utf8 << qsizetype(4096);
    QTest::newRow("sample, Windows-1252, 7-byte chunks")
        << piecetexts::randomPieces(sample.left(5000), 8, 30) << TextEncoding::Windows1252
        << qsizetype(7);
    QTest::newRow("sample, UTF-16 BE, 1 MiB chunks")
        << piecetexts::randomPieces(sample, 9, 3) << TextEncoding::Utf16BE << kDocumentChunkBytes;
    QTest::newRow("nothing") << QStringList() << TextEncoding::Utf8 << qsizetype(1);
    QTest::newRow("does not fit Windows-1252")
        << QStringList {QStringLiteral(u"caf\u00E9 "), QStringLiteral(u"\u4E2D")}
        << TextEncoding::Windows1252 << qsizetype(1);
}

void TestPieceSave::savedFileShouldHoldTheWholeTextsBytes()
{
    QFETCH(QStringList, pieces);
    QFETCH(TextEncoding, preferred);
    QFETCH(qsizetype, chunkBytes);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.txt"));
    QVERIFY(writePlainFile(file, bigBytes(300 * 1024)));
    TextEncoding expectedEncoding = preferred;
    const QByteArray expected = encodeDocumentFile(joined(pieces), preferred, &expectedEncoding);

    TextEncoding used = preferred;
    const FileResult result = writeDocumentPieces(file, piecesOf(pieces), preferred, &used, chunkBytes);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(used, expectedEncoding);
    QCOMPARE(plainFileBytes(file), expected);
    QCOMPARE(folderEntries(dir.path()), QStringList {QStringLiteral("doc.txt")});
}

void TestPieceSave::saveFailingHalfWayShouldLeaveTheOldFile_data()
{
    QTest::addColumn<bool>("inPlace"); // the file is mounted on its own
    QTest::addColumn<qsizetype>("filler"); // bytes of the small disk taken beforehand
    // Larger than the whole disk: several chunks are written before it fills.
    QTest::newRow("replacing, disk fills half way") << false << qsizetype(0);
    QTest::newRow("replacing, disk full from the start") << false << qsizetype(60 * 1024);
    QTest::newRow("in place, disk fills half way") << true << qsizetype(0);
    QTest::newRow("in place, disk full from the start") << true << qsizetype(60 * 1024);
}

void TestPieceSave::saveFailingHalfWayShouldLeaveTheOldFile()
{
    QFETCH(bool, inPlace);
    QFETCH(qsizetype, filler);
    QTemporaryDir dir;
    const QString disk = dir.filePath(QStringLiteral("disk"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("disk")));
    TmpfsMount tmpfs(disk);
    QString why = tmpfs.mount();
    if (!why.isEmpty())
        QSKIP(qPrintable(why));
    const QString onDisk = disk + QStringLiteral("/doc.txt");
    QVERIFY(writePlainFile(onDisk, "old contents\r\n"));
    QVERIFY(writePlainFile(disk + QStringLiteral("/filler"), bigBytes(filler)));
    // In place: the disk's file is mounted over one in a folder with room, so
    // the new file beside it is written and the rename is refused.
    QString file = onDisk;
    BindMount mount(onDisk, dir.filePath(QStringLiteral("doc.txt")));
    if (inPlace) {
        file = dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writePlainFile(file, "covered by the mount"));
        why = mount.mount();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
    }
    const QStringList entries = folderEntries(disk);
    const QString text = testsupport::sampleText(256 * 1024);

    const FileResult result = writeDocumentPieces(file, piecesOf(piecetexts::randomPieces(text, 3, 100)),
                                                  TextEncoding::Utf8, nullptr, 4096);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(result.error));
    if (inPlace)
        QVERIFY2(result.error.contains(QStringLiteral("its old content has been put back")),
                 qPrintable(result.error));
    QCOMPARE(plainFileBytes(file), QByteArray("old contents\r\n"));
    QCOMPARE(folderEntries(disk), entries);
}

QTEST_GUILESS_MAIN(TestPieceSave)
#include "tst_piecesave.moc"
