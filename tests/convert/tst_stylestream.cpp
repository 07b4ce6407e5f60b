// A text converted a piece at a time must give what the whole-text conversions give,
// wherever the pieces end and however each piece is cut into parts.

#include "convert/styleconversion.h"
#include "support/sampletext.h"

#include <QRandomGenerator>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(wimblet::StyleStream::Style)

namespace {

// Characters that matter to the conversions and to where a piece may end: both cases,
// sentence marks, every kind of separator, letters whose lower case depends on the
// locale or on their neighbours, and characters outside the Basic Multilingual Plane.
const QStringList Pieces = {
    u"saya"_s, u"SAYA"_s, u"GtuW"_s, u"AjaH"_s, u"NiH"_s, u"begitu"_s, u"4"_s, u"q"_s,
    u"a"_s, u"I"_s, u"."_s, u"!"_s, u"?"_s, u","_s, u" "_s, u"  "_s, u"\r\n"_s, u"\r"_s,
    u"\n"_s, u"\t"_s, QString(QChar(0)), u"é"_s, u"É"_s, u"İ"_s, u"Σ"_s, u"\u0307"_s,
    u"😀"_s, u"\uFEFF"_s,
};

QString randomText(quint32 seed, int count, bool withSeparators = true)
{
    QRandomGenerator random(seed);
    QString text;
    while (text.size() < count) {
        const QString &piece = Pieces[random.bounded(int(Pieces.size()))];
        if (withSeparators || piece.front().unicode() > 0x20)
            text += piece;
    }
    return text;
}

// One token of every kind of ASCII punctuation between words and letters whose lower
// case depends on what comes before or after them.
QString longPunctuatedToken()
{
    QString text;
    const QString punctuation = u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~"_s;
    for (int i = 0; i < 400; ++i)
        text += u"SAYA"_s + punctuation[i % punctuation.size()] + u"ΑΣ"_s
                + punctuation[(i * 7) % punctuation.size()] + u"I\u0307Ì"_s;
    return text;
}

// Feeds `text` in pieces of `pieceSize` characters, as the filter feeds its chunks.
QString convertInPieces(StyleStream &stream, const QString &text, qsizetype pieceSize)
{
    QString out;
    QString pending;
    bool capitalize = true;
    for (qsizetype at = 0; at < text.size(); at += pieceSize) {
        pending += QStringView(text).sliced(at, qMin(pieceSize, text.size() - at));
        const StyleStream::Step step = stream.convert(pending, false, capitalize);
        out += step.converted;
        capitalize = step.capitalizeNext;
        pending.remove(0, step.consumed);
        // Only a token that reaches the end of the piece is held back.
        for (const QChar ch : std::as_const(pending)) {
            if (ch.unicode() <= 0x20)
                qFatal("a separator was held back");
        }
        if (pending.size() > 50 + pieceSize && pending.indexOf(u',', 1) >= 0)
            qFatal("a long token was held back whole");
    }
    out += stream.convert(pending, true, capitalize).converted;
    return out;
}

} // namespace

class TestStyleStream : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void piecesShouldJoinToTheWholeConversion_data();
    void piecesShouldJoinToTheWholeConversion();
};

void TestStyleStream::piecesShouldJoinToTheWholeConversion_data()
{
    QTest::addColumn<StyleStream::Style>("style");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("parts");

    const QString prose = testsupport::sampleText(40000);
    const std::pair<const char *, QString> texts[] = {
        {"empty", QString()},
        {"prose", prose},
        {"prose in Cute Style", toCuteStyle(prose)},
        {"random characters", randomText(7, 4000)},
        {"one long token", QString(3000, u'A') + u". saya"_s},
        {"sentences across pieces", u"saya. mau! makan? NASI. goreng"_s.repeated(40)},
        {"long token of punctuation", longPunctuatedToken()},
        {"random characters, no separators", randomText(11, 6000, false)},
    };
    for (const auto &[name, text] : texts) {
        for (const int pieceSize : {1, 2, 7, 4096, 1 << 20}) {
            for (const int parts : {1, 3}) {
                for (const auto style : {StyleStream::Style::Cute, StyleStream::Style::Normal}) {
                    QTest::addRow("%s, %s, pieces of %d, %d parts", name,
                                  style == StyleStream::Style::Cute ? "cute" : "normal",
                                  pieceSize, parts)
                            << style << text << pieceSize << parts;
                }
            }
        }
    }
}

void TestStyleStream::piecesShouldJoinToTheWholeConversion()
{
    QFETCH(StyleStream::Style, style);
    QFETCH(QString, text);
    QFETCH(int, pieceSize);
    QFETCH(int, parts);
    const bool cute = style == StyleStream::Style::Cute;
    const QString whole = cute ? toCuteStyle(text) : toNormalStyle(text);
    // Parts of a few characters reach every join inside a piece, and tokens of more than
    // a few are cut inside.
    StyleStream stream(style, parts, parts > 1 ? 5 : qsizetype(1) << 30, parts > 1 ? 3 : 50);
    QCOMPARE(convertInPieces(stream, text, pieceSize), whole);
}

QTEST_GUILESS_MAIN(TestStyleStream)
#include "tst_stylestream.moc"
