#include "encoding/textencoding.h"

#include <QSet>
#include <QTest>

using namespace wimblet;

namespace {

// Byte values at the edges of the UTF-8 ranges; every string of up to four of
// them is checked against Qt's decoder.
constexpr uchar kBoundaryBytes[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                    0xC1, 0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};

// Well-formed UTF-8 is exactly what decodes and encodes back unchanged.
bool qtAcceptsUtf8(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

QByteArray encodedUtf8(QStringView text)
{
    QByteArray out(utf8Length(text), Qt::Uninitialized);
    char *end = encodeUtf8To(text, out.data());
    out.truncate(end - out.constData());
    return out;
}

} // namespace

class TestTextEncoding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isValidUtf8ShouldAcceptOnlyWellFormedSequences_data();
    void isValidUtf8ShouldAcceptOnlyWellFormedSequences();
    void isValidUtf8ShouldFindAFaultAtAnyOffset();
    void isValidUtf8ShouldAgreeWithQtOnBoundaryBytes();
    void isValidUtf8ShouldAcceptEveryScalarValue();
    void decodeWindows1252ShouldMapEachByteToOneCharacter_data();
    void decodeWindows1252ShouldMapEachByteToOneCharacter();
    void everyByteShouldRoundTripThroughWindows1252();
    void encodeWindows1252ShouldRefuseCharactersWithoutAByte_data();
    void encodeWindows1252ShouldRefuseCharactersWithoutAByte();
    void encodeUtf8ShouldMatchQtAndReplaceLoneSurrogates_data();
    void encodeUtf8ShouldMatchQtAndReplaceLoneSurrogates();
};

void TestTextEncoding::isValidUtf8ShouldAcceptOnlyWellFormedSequences_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("ascii past one chunk") << QByteArray("0123456789abcdefXYZ") << true;
    QTest::newRow("nul byte") << QByteArrayLiteral("a\0b") << true;
    QTest::newRow("two bytes") << QByteArray("caf\xC3\xA9") << true;
    QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << true;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80") << true;
    QTest::newRow("last before surrogates") << QByteArray("\xED\x9F\xBF") << true;
    QTest::newRow("first after surrogates") << QByteArray("\xEE\x80\x80") << true;
    QTest::newRow("highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << true;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFtext") << true;
    QTest::newRow("ascii after multibyte") << QByteArray("\xC3\xA9" "0123456789") << true;

    QTest::newRow("lone continuation") << QByteArray("a\x80") << false;
    QTest::newRow("overlong nul") << QByteArray("\xC0\x80") << false;
    QTest::newRow("overlong two bytes") << QByteArray("\xC1\xBF") << false;
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x9F\xBF") << false;
    QTest::newRow("overlong four bytes") << QByteArray("\xF0\x8F\xBF\xBF") << false;
    QTest::newRow("high surrogate") << QByteArray("\xED\xA0\x80") << false;
    QTest::newRow("low surrogate") << QByteArray("\xED\xBF\xBF") << false;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << false;
    QTest::newRow("lead F5") << QByteArray("\xF5\x80\x80\x80") << false;
    QTest::newRow("byte FF") << QByteArray("\xFF") << false;
    QTest::newRow("truncated at end") << QByteArray("ok \xE2\x82") << false;
    QTest::newRow("truncated four bytes") << QByteArray("\xF0\x9F\x98") << false;
    QTest::newRow("ascii inside sequence") << QByteArray("\xE2\x41\xAC") << false;
    QTest::newRow("bad byte after two chunks") << QByteArray("0123456789abcdef\x80") << false;
    QTest::newRow("bad byte ending a chunk") << QByteArray("0123456\xBF") << false;
}

void TestTextEncoding::isValidUtf8ShouldAcceptOnlyWellFormedSequences()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QCOMPARE(isValidUtf8(bytes), valid);
}

void TestTextEncoding::isValidUtf8ShouldFindAFaultAtAnyOffset()
{
    for (int shift = 0; shift < 40; ++shift) {
        const QByteArray ascii(shift, 'x');
        QVERIFY2(isValidUtf8(ascii + "\xC3\xA9" + ascii), qPrintable(QString::number(shift)));
        QVERIFY2(!isValidUtf8(ascii + "\x80" + ascii), qPrintable(QString::number(shift)));
        QVERIFY2(!isValidUtf8(ascii + "\xE2\x82"), qPrintable(QString::number(shift)));
    }
}

void TestTextEncoding::isValidUtf8ShouldAgreeWithQtOnBoundaryBytes()
{
    QList<QByteArray> strings{QByteArray()};
    for (int length = 1; length <= 4; ++length) {
        QList<QByteArray> longer;
        for (const QByteArray &prefix : std::as_const(strings)) {
            if (prefix.size() != length - 1)
                continue;
            for (const uchar b : kBoundaryBytes)
                longer.append(prefix + char(b));
        }
        for (const QByteArray &s : std::as_const(longer)) {
            if (isValidUtf8(s) != qtAcceptsUtf8(s))
                QFAIL(qPrintable(QStringLiteral("disagreement on %1").arg(s.toHex(' '))));
        }
        strings += longer;
    }
}

void TestTextEncoding::isValidUtf8ShouldAcceptEveryScalarValue()
{
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        const QByteArray bytes = QString::fromUcs4(&cp, 1).toUtf8();
        if (!isValidUtf8(bytes))
            QFAIL(qPrintable(QStringLiteral("rejected U+%1").arg(uint(cp), 4, 16, QLatin1Char('0'))));
    }
}

void TestTextEncoding::decodeWindows1252ShouldMapEachByteToOneCharacter_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii and nul") << QByteArrayLiteral("a\0~") << QStringLiteral(u"a\u0000~");
    QTest::newRow("cafe euro") << QByteArray("caf\xE9 \x80") << QStringLiteral(u"caf\u00E9 \u20AC");
    QTest::newRow("quotes and dashes") << QByteArray("\x93\x94\x96\x97")
                                       << QStringLiteral(u"\u201C\u201D\u2013\u2014");
    QTest::newRow("letters in the high block") << QByteArray("\x8A\x9A\x9F\x83")
                                               << QStringLiteral(u"\u0160\u0161\u0178\u0192");
    QTest::newRow("undefined bytes")
            << QByteArray("\x81\x8D\x8F\x90\x9D") << QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D");
    QTest::newRow("latin-1 block") << QByteArray("\xA0\xBF\xC0\xFF")
                                   << QStringLiteral(u"\u00A0\u00BF\u00C0\u00FF");
}

void TestTextEncoding::decodeWindows1252ShouldMapEachByteToOneCharacter()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeWindows1252(bytes), text);
    QByteArray back;
    QVERIFY(encodeWindows1252(text, back));
    QCOMPARE(back, bytes);
}

void TestTextEncoding::everyByteShouldRoundTripThroughWindows1252()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = decodeWindows1252(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);

    // Shifted against the blocks that long ASCII runs are handled in, each
    // byte must still decode as it does alone.
    for (int shift = 0; shift < 32; ++shift) {
        const QByteArray bytes = QByteArray(shift, 'x') + all + all + QByteArray(shift, 'y');
        const QString decoded = decodeWindows1252(bytes);
        QCOMPARE(decoded.size(), bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            QCOMPARE(decoded[i], decodeWindows1252(bytes.mid(i, 1)).at(0));
        QByteArray back;
        QVERIFY(encodeWindows1252(decoded, back));
        QCOMPARE(back, bytes);
    }
}

void TestTextEncoding::encodeWindows1252ShouldRefuseCharactersWithoutAByte_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("cjk") << QStringLiteral(u"caf\u00E9 \u4E2D");
    QTest::newRow("U+0080, whose byte is the euro") << QStringLiteral(u"\u0080");
    QTest::newRow("U+009F, whose byte is Y diaeresis") << QStringLiteral(u"a\u009F");
    QTest::newRow("latin extended") << QStringLiteral(u"\u0100");
    QTest::newRow("byte-order mark") << QStringLiteral(u"\uFEFFa");
    QTest::newRow("emoji at the end") << QStringLiteral(u"abc\U0001F600");
}

void TestTextEncoding::encodeWindows1252ShouldRefuseCharactersWithoutAByte()
{
    QFETCH(QString, text);
    QByteArray out;
    QVERIFY(!encodeWindows1252(text, out));
}

void TestTextEncoding::encodeUtf8ShouldMatchQtAndReplaceLoneSurrogates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    const QString mixed = QStringLiteral(u"Halo d\u00F6nya \u20AC \u4E2D \U0001F600 \U0010FFFF end");
    QTest::newRow("mixed") << mixed << mixed.toUtf8();
    QString shifted;
    for (int run = 0; run < 40; ++run)
        shifted += QString(run, QLatin1Char('x')) + QStringLiteral(u"\u00E9\U0001F600\u4E2D");
    QTest::newRow("non-ascii after ascii runs of every length") << shifted << shifted.toUtf8();
    QTest::newRow("nul and ascii") << QStringLiteral(u"a\u0000b") << QByteArrayLiteral("a\0b");
    QTest::newRow("lone high surrogate at end")
            << QStringLiteral("ab") + QChar(0xD83D) << QByteArray("ab\xEF\xBF\xBD");
    QTest::newRow("lone low surrogate") << QChar(0xDE00) + QStringLiteral("x")
                                        << QByteArray("\xEF\xBF\xBDx");
    QTest::newRow("high surrogate before a letter")
            << QChar(0xD83D) + QStringLiteral("x") << QByteArray("\xEF\xBF\xBDx");
    QTest::newRow("stray-byte stand-ins") << QStringLiteral(u"\xDC80\xDCFFx\xDCC3\xDCA9")
                                          << QByteArray("\x80\xFFx\xC3\xA9");
    QTest::newRow("below the stand-ins") << QStringLiteral(u"\xDC7F") << QByteArray("\xEF\xBF\xBD");
    QTest::newRow("stand-in unit after a high surrogate is its pair")
            << QStringLiteral(u"\xD83D\xDC97") << QByteArray("\xF0\x9F\x92\x97");
}

void TestTextEncoding::encodeUtf8ShouldMatchQtAndReplaceLoneSurrogates()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(utf8Length(text), bytes.size());
    QCOMPARE(encodedUtf8(text), bytes);
}

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
