// Real prose as users' files hold it: Windows-1252 with curly quotes, dashes and
// accented capitals before them, and UTF-8 with a few pasted Latin-1 bytes. Each file
// must read in the encoding it was written in, in chunks as whole, and open + save must
// give back its bytes.

#include "document/documentfile.h"
#include "encoding/encodingdetector.h"
#include "support/prosecorpus.h"

#include <QTest>

using namespace wimblet;
using testsupport::CorpusFile;

Q_DECLARE_METATYPE(wimblet::TextEncoding)

class TestEncodingCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileShouldReadAsWrittenAndSaveUnchanged_data();
    void fileShouldReadAsWrittenAndSaveUnchanged();
    void bothHalvesShouldReadAsWritten();
};

void TestEncodingCorpus::fileShouldReadAsWrittenAndSaveUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("written");
    for (const CorpusFile &file : testsupport::encodingCorpus())
        QTest::newRow(qPrintable(file.name)) << file.bytes << file.written;
}

void TestEncodingCorpus::fileShouldReadAsWrittenAndSaveUnchanged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, written);

    const DecodedDocument read = decodeDocumentFile(bytes);
    QCOMPARE(read.encoding, written);
    if (written == TextEncoding::Windows1252)
        QCOMPARE(read.text + QStringLiteral("\r\n"), decodeWindows1252(bytes));

    // The chunks of a read from disk end anywhere, inside a sequence or its neighbours.
    for (const qsizetype chunk : {1, 2, 3, 5, 64}) {
        EncodingDetector detector;
        for (qsizetype at = 0; at < bytes.size(); at += chunk)
            detector.feed(QByteArrayView(bytes).sliced(at, qMin(chunk, bytes.size() - at)));
        QCOMPARE(detector.encoding(), written);
    }

    TextEncoding used;
    QCOMPARE(encodeDocumentFile(read.text, read.encoding, &used, read.trailingByte), bytes);
    QCOMPARE(used, written);
}

// The figures of the whole corpus, each half on its own: the second half was kept aside
// while the rule was tuned on the first.
void TestEncodingCorpus::bothHalvesShouldReadAsWritten()
{
    int files[2][2] = {};
    int misread[2][2] = {};
    QStringList misreadings;
    for (const CorpusFile &file : testsupport::encodingCorpus()) {
        const int half = file.heldOut ? 1 : 0;
        const int kind = file.written == TextEncoding::Windows1252 ? 1 : 0;
        ++files[half][kind];
        if (detectEncoding(file.bytes) != file.written) {
            ++misread[half][kind];
            misreadings << file.name;
        }
    }
    for (const int half : {0, 1}) {
        qInfo("%s: Windows-1252 %d of %d misread, UTF-8 %d of %d misread",
              half == 0 ? "tuned on" : "held out", misread[half][1], files[half][1],
              misread[half][0], files[half][0]);
        QVERIFY(files[half][0] > 100 && files[half][1] > 100);
    }
    QVERIFY2(misreadings.isEmpty(), qPrintable(misreadings.join(u", ")));
}

QTEST_GUILESS_MAIN(TestEncodingCorpus)
#include "tst_encodingcorpus.moc"
