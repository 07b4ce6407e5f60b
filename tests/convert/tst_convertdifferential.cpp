// The fast conversions against the step-by-step reference on many generated texts.

#include "support/naiveconversion.h"
#include "convert/styleconversion.h"
#include "support/sampletext.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

class TestConvertDifferential : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fastEqualsReference_data();
    void fastEqualsReference();
    void fastEqualsReferenceOnTheSample();
    void fastEqualsReferenceWhenTheMemoOverflows();
    void partsJoinToTheReference_data();
    void partsJoinToTheReference();
    void randomPartsJoinToTheReference();

private:
    QString sample;
    QStringList sampleWords;
};

namespace {

enum class Kind { Characters, Words, CuteWords, LongTokens };
enum class Direction { Cute, Normal };

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Direction)

namespace {

// Characters that matter to the conversions: both cases, look-alike digits, sentence
// marks, every kind of separator, letters with locale-dependent or context-dependent
// lower case (dotted and dotless i, final sigma, the Kelvin sign, a combining dot) and
// characters outside the Basic Multilingual Plane.
const QStringList Alphabet = {
    u"a"_s, u"e"_s, u"i"_s, u"o"_s, u"u"_s, u"s"_s, u"h"_s, u"g"_s, u"n"_s, u"y"_s,
    u"k"_s, u"t"_s, u"b"_s, u"j"_s, u"q"_s, u"w"_s, u"z"_s, u"l"_s, u"r"_s, u"d"_s,
    u"A"_s, u"E"_s, u"I"_s, u"O"_s, u"U"_s, u"S"_s, u"H"_s, u"G"_s, u"N"_s, u"Y"_s,
    u"Q"_s, u"W"_s, u"T"_s, u"D"_s, u"0"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"9"_s,
    u"."_s, u"!"_s, u"?"_s, u","_s, u"'"_s, u":"_s, u" "_s, u"  "_s, u"\r\n"_s, u"\r"_s,
    u"\n"_s, u"\t"_s, QString(QChar(0)), u"é"_s, u"É"_s, u"ß"_s, u"İ"_s, u"ı"_s, u"Σ"_s,
    u"σ"_s, u"\u212A"_s, u"\u0307"_s, u"Ì"_s, u"😀"_s, u"\U0001041F"_s,
};

const QStringList Separators = {u" "_s, u" "_s, u"\r\n"_s, u", "_s, u". "_s, u"!"_s, u"\t"_s,
                                u"?\n"_s, u"\r"_s, u" - "_s};

QString randomCharacters(QRandomGenerator &random, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += Alphabet.at(random.bounded(int(Alphabet.size())));
    return text;
}

QString randomWords(QRandomGenerator &random, const QStringList &words, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        QString word = words.at(random.bounded(int(words.size())));
        if (random.bounded(5) == 0)
            word = word.toUpper();
        text += word + Separators.at(random.bounded(int(Separators.size())));
    }
    return text;
}

} // namespace

void TestConvertDifferential::initTestCase()
{
    sample = testsupport::sampleText();
    sampleWords = sample.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts);
    QVERIFY(sampleWords.size() > 1000);
}

void TestConvertDifferential::fastEqualsReference_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Direction>("direction");

    QTest::newRow("characters to cute") << Kind::Characters << Direction::Cute;
    QTest::newRow("characters to normal") << Kind::Characters << Direction::Normal;
    QTest::newRow("sample words to cute") << Kind::Words << Direction::Cute;
    QTest::newRow("sample words to normal") << Kind::Words << Direction::Normal;
    QTest::newRow("cute words to normal") << Kind::CuteWords << Direction::Normal;
    QTest::newRow("long tokens to cute") << Kind::LongTokens << Direction::Cute;
    QTest::newRow("long tokens to normal") << Kind::LongTokens << Direction::Normal;
}

void TestConvertDifferential::fastEqualsReference()
{
    QFETCH(Kind, kind);
    QFETCH(Direction, direction);
    QRandomGenerator random(20240611u + quint32(kind) * 7 + quint32(direction));
    for (int round = 0; round < 1500; ++round) {
        QString input;
        switch (kind) {
        case Kind::Characters:
            input = randomCharacters(random, random.bounded(300));
            break;
        case Kind::Words:
            input = randomWords(random, sampleWords, random.bounded(40));
            break;
        case Kind::CuteWords:
            input = naive::toCuteStyle(randomWords(random, sampleWords, random.bounded(40)));
            break;
        case Kind::LongTokens:
            input = randomCharacters(random, 10).remove(u' ')
                    + randomWords(random, sampleWords, 30).remove(u' ').remove(u'\r');
            break;
        }
        const QString fast =
                direction == Direction::Cute ? toCuteStyle(input) : toNormalStyle(input);
        const QString reference = direction == Direction::Cute ? naive::toCuteStyle(input)
                                                               : naive::toNormalStyle(input);
        if (fast != reference)
            QCOMPARE(fast, reference); // shows both, for this input only
    }
}

void TestConvertDifferential::fastEqualsReferenceOnTheSample()
{
    const QString cute = naive::toCuteStyle(sample);
    QCOMPARE(toCuteStyle(sample), cute);
    QCOMPARE(toNormalStyle(cute), naive::toNormalStyle(cute));
    QCOMPARE(toNormalStyle(sample), naive::toNormalStyle(sample));
}

void TestConvertDifferential::fastEqualsReferenceWhenTheMemoOverflows()
{
    // More distinct words, and more characters in them, than the conversions remember.
    QRandomGenerator random(7u);
    QString input;
    for (int i = 0; i < 40000; ++i) {
        QString word;
        const int length = 30 + random.bounded(19);
        for (int k = 0; k < length; ++k)
            word += QChar(u"aeiousnghkAEIOUSY4"[random.bounded(18)]);
        input += word + u' ';
    }
    QCOMPARE(toCuteStyle(input), naive::toCuteStyle(input));
    QCOMPARE(toNormalStyle(input), naive::toNormalStyle(input));
}

void TestConvertDifferential::partsJoinToTheReference_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("parts");
    QTest::addColumn<qsizetype>("minPartSize");

    // Cuts fall at the first separator at or after every minPartSize-th character.
    QTest::newRow("cut after a full stop")
            << u"saya pergi. kamu tinggal. dia"_s << 3 << qsizetype(10);
    QTest::newRow("cut inside a sentence")
            << u"saya pergi ke pasar hari ini"_s << 4 << qsizetype(5);
    QTest::newRow("a part without letters passes the flag on")
            << u"Selesai. 123 456 -- 789 42 (7) lalu pulang"_s << 6 << qsizetype(4);
    QTest::newRow("a part of separators only")
            << u"akhir.          \r\n\r\n   awal"_s << 4 << qsizetype(3);
    QTest::newRow("capital after the cut stays") << u"satu. Dua. tiga"_s << 3 << qsizetype(5);
    QTest::newRow("question and exclamation") << u"apa? ya! tidak"_s << 3 << qsizetype(4);
    QTest::newRow("no separator: one part") << u"sayaPergiKePasar"_s << 4 << qsizetype(2);
    QTest::newRow("cute text") << u"sA Y4 pERgi. kA m0 Di RuM4H. GtuW aQ"_s << 5 << qsizetype(4);
    QTest::newRow("empty") << QString() << 4 << qsizetype(1);
    QTest::newRow("separators at both ends") << u"  \r\nkata. lain  \r\n"_s << 5 << qsizetype(2);
    QTest::newRow("more parts than tokens") << u"a b"_s << 8 << qsizetype(1);
}

void TestConvertDifferential::partsJoinToTheReference()
{
    QFETCH(QString, input);
    QFETCH(int, parts);
    QFETCH(qsizetype, minPartSize);
    QCOMPARE(detail::toCuteStyleInParts(input, parts, minPartSize), naive::toCuteStyle(input));
    QCOMPARE(detail::toNormalStyleInParts(input, parts, minPartSize),
             naive::toNormalStyle(input));
    const QString cute = naive::toCuteStyle(input);
    QCOMPARE(detail::toNormalStyleInParts(cute, parts, minPartSize),
             naive::toNormalStyle(cute));
}

void TestConvertDifferential::randomPartsJoinToTheReference()
{
    QRandomGenerator random(99u);
    for (int round = 0; round < 800; ++round) {
        const QString input = round % 2 == 0
                ? randomCharacters(random, random.bounded(200))
                : randomWords(random, sampleWords, random.bounded(30));
        const int parts = 2 + random.bounded(6);
        const qsizetype minPartSize = 1 + random.bounded(20);
        const QString cute = detail::toCuteStyleInParts(input, parts, minPartSize);
        const QString normal = detail::toNormalStyleInParts(input, parts, minPartSize);
        if (cute != naive::toCuteStyle(input) || normal != naive::toNormalStyle(input)) {
            qInfo() << "parts" << parts << "of at least" << minPartSize;
            QCOMPARE(cute, naive::toCuteStyle(input));
            QCOMPARE(normal, naive::toNormalStyle(input));
        }
    }
}

QTEST_GUILESS_MAIN(TestConvertDifferential)
#include "tst_convertdifferential.moc"
