#include "support/naiveconversion.h"
#include "convert/replaceall.h"
#include "convert/styleconversion.h"
#include "convert/stylereplacements.h"
#include "convert/textcase.h"

#include <QSet>
#include <QTest>

using namespace wimblet;
using namespace Qt::Literals::StringLiterals;

class TestConvertStyles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tablesHaveTheirStepsInOrder();
    void tablesUseOnlyTheirAlphabets();
    void replaceAllScansOnceFromTheLeft_data();
    void replaceAllScansOnceFromTheLeft();
    void cuteStyleGivesTheDocumentedText_data();
    void cuteStyleGivesTheDocumentedText();
    void normalStyleGivesTheDocumentedText_data();
    void normalStyleGivesTheDocumentedText();
    void sentenceCaseCapitalisesSentenceStarts_data();
    void sentenceCaseCapitalisesSentenceStarts();
    void lowerCaseCoversMoreThanAscii();
};

namespace {

bool consistsOf(QLatin1StringView text, bool digitsAllowed)
{
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(digitsAllowed && c >= '0' && c <= '9'))
            return false;
    }
    return !text.isEmpty();
}

template <std::size_t N>
QSet<QLatin1StringView> findStrings(const std::array<Replacement, N> &table)
{
    QSet<QLatin1StringView> finds;
    for (const Replacement &step : table)
        finds.insert(step.find);
    return finds;
}

} // namespace

void TestConvertStyles::tablesHaveTheirStepsInOrder()
{
    QCOMPARE(CuteStyleReplacements.size(), 120u);
    QCOMPARE(NormalStyleReplacements.size(), 23u);
    // No step is listed twice.
    QCOMPARE(findStrings(CuteStyleReplacements).size(), 120);
    QCOMPARE(findStrings(NormalStyleReplacements).size(), 23);

    const auto check = [](const Replacement &step, const char *find, const char *replacement) {
        return step.find == QLatin1StringView(find)
                && step.replacement == QLatin1StringView(replacement);
    };
    QVERIFY(check(CuteStyleReplacements[0], "aa", "Aa"));
    QVERIFY(check(CuteStyleReplacements[14], "da", "D4"));
    QVERIFY(check(CuteStyleReplacements[49], "l", "L"));
    QVERIFY(check(CuteStyleReplacements[74], "r", "R"));
    QVERIFY(check(CuteStyleReplacements[108], "zu", "Zu"));
    QVERIFY(check(CuteStyleReplacements[109], "eh", "Eh"));
    QVERIFY(check(CuteStyleReplacements[113], "bEGitU", "GtuW"));
    QVERIFY(check(CuteStyleReplacements[114], "GitU", "GtuW"));
    QVERIFY(check(CuteStyleReplacements[119], "aq", "aQ"));
    QVERIFY(check(NormalStyleReplacements[0], "aQ", "aku"));
    QVERIFY(check(NormalStyleReplacements[3], "GtuW", "begitu"));
    QVERIFY(check(NormalStyleReplacements[12], "5U", "su"));
    QVERIFY(check(NormalStyleReplacements[22], "b0", "bo"));
}

void TestConvertStyles::tablesUseOnlyTheirAlphabets()
{
    // The conversions rely on these alphabets to convert the text piece by piece.
    for (const Replacement &step : CuteStyleReplacements) {
        QVERIFY2(consistsOf(step.find, false), step.find.data());
        QVERIFY2(consistsOf(step.replacement, true), step.replacement.data());
    }
    for (const Replacement &step : NormalStyleReplacements) {
        QVERIFY2(consistsOf(step.find, true), step.find.data());
        QVERIFY2(consistsOf(step.replacement, false), step.replacement.data());
    }
}

void TestConvertStyles::replaceAllScansOnceFromTheLeft_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("leftmost of overlapping") << u"aaa"_s << u"aa"_s << u"Aa"_s << u"Aaa"_s;
    QTest::newRow("back to back") << u"aaaa"_s << u"aa"_s << u"b"_s << u"bb"_s;
    QTest::newRow("inserted text not searched") << u"abb"_s << u"ab"_s << u"a"_s << u"ab"_s;
    QTest::newRow("every occurrence") << u"lalala"_s << u"l"_s << u"L"_s << u"LaLaLa"_s;
    QTest::newRow("case-sensitive") << u"Aa aA AA"_s << u"aa"_s << u"x"_s << u"Aa aA AA"_s;
    QTest::newRow("longer replacement") << u"oh oh"_s << u"oh"_s << u"owH"_s << u"owH owH"_s;
    QTest::newRow("at both ends") << u"ngxng"_s << u"ng"_s << u"Ng"_s << u"NgxNg"_s;
    QTest::newRow("not found") << u"café"_s << u"aa"_s << u"Aa"_s << u"café"_s;
    QTest::newRow("empty text") << QString() << u"aa"_s << u"Aa"_s << QString();
    QTest::newRow("empty find") << u"abc"_s << QString() << u"x"_s << u"abc"_s;
}

void TestConvertStyles::replaceAllScansOnceFromTheLeft()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    const QByteArray find1 = find.toLatin1();
    const QByteArray replacement1 = replacement.toLatin1();
    QCOMPARE(replaceAll(text, QLatin1StringView(find1), QLatin1StringView(replacement1)),
             expected);
}

void TestConvertStyles::cuteStyleGivesTheDocumentedText_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("sentence") << u"saya mau makan nasi goreng"_s << u"sAY4 MaU MaKAn NaSi g0ReNg"_s;
    QTest::newRow("word forms") << u"Begitu saja, nih!"_s << u"GtuW AjaH, NiH!"_s;
    QTest::newRow("hello") << u"hello world"_s << u"h3LLo W0RLd"_s;
    QTest::newRow("aq") << u"aq sayang kamu"_s << u"aQ sAY4Ng KAMu"_s;
    QTest::newRow("capitals") << u"SAYA"_s << u"sAY4"_s;
    QTest::newRow("lower case") << u"saya"_s << u"sAY4"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("CR LF breaks matches")
            << u"halo semua.\r\nselamat pagi!"_s << u"H4Lo sEMUa.\r\nsELaMat PaGi!"_s;
    QTest::newRow("lone CR and LF") << u"ha\rha\nha"_s << u"H4\rH4\nH4"_s;
    QTest::newRow("tab and NUL") << u"da\tda"_s + QChar(0) + u"da"_s
                                 << u"D4\tD4"_s + QChar(0) + u"D4"_s;
    QTest::newRow("digit breaks a pair") << u"s1a"_s << u"s1a"_s;
    QTest::newRow("overlapping pairs") << u"aaa"_s << u"Aaa"_s;
    QTest::newRow("earlier step wins") << u"buah"_s << u"BUah"_s;
    QTest::newRow("capital not found again") << u"hai"_s << u"hAi"_s;
    QTest::newRow("ngg after ga") << u"ngga"_s << u"NgGa"_s;
    QTest::newRow("saja") << u"saja"_s << u"AjaH"_s;
    QTest::newRow("begitu") << u"begitu"_s << u"GtuW"_s;
    QTest::newRow("gitu") << u"gitu"_s << u"GtuW"_s;
    QTest::newRow("cute again") << u"sAY4"_s << u"sAy4"_s;
    QTest::newRow("cute word again") << u"GtuW"_s << u"gtUw"_s;
    QTest::newRow("zebra") << u"zebra"_s << u"2ebRa"_s;
    QTest::newRow("accented capital") << u"ÀBA"_s << u"àBa"_s;
    QTest::newRow("Kelvin sign lowers to k") << u"\u212Aopi"_s << u"KOPi"_s;
    QTest::newRow("surrogate pair") << u"😀lol"_s << u"😀LoL"_s;
    QTest::newRow("word longer than remembered ones")
            << u"saya"_s.repeated(13) << u"sAY4"_s.repeated(13);
}

void TestConvertStyles::cuteStyleGivesTheDocumentedText()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(toCuteStyle(input), expected);
    QCOMPARE(naive::toCuteStyle(input), expected);
}

void TestConvertStyles::normalStyleGivesTheDocumentedText_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("sentence") << u"sAY4 MaU MaKAn NaSi g0ReNg"_s << u"Saya mau makan nasi goreng"_s;
    QTest::newRow("word forms") << u"GtuW AjaH, NiH!"_s << u"Begitu saja, nih!"_s;
    QTest::newRow("aQ") << u"aQ sAY4Ng KAMu"_s << u"Aku sayang kamu"_s;
    QTest::newRow("hello") << u"h3LLo W0RLd"_s << u"Hello world"_s;
    QTest::newRow("oh uh") << u"owH... uwH?"_s << u"Oh... Uh?"_s;
    QTest::newRow("niYH") << u"niYH"_s << u"Nih"_s;
    QTest::newRow("digit pairs")
            << u"D4 c0 b0 9E g0 m0 p0 n3 T3 x4 u0"_s << u"Da co bo ge go mo po ne te xa uo"_s;
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("normal text loses capitals")
            << u"Hello World. I live in Jakarta"_s << u"Hello world. I live in jakarta"_s;
    QTest::newRow("full stop in a number") << u"harga 3.5 kg"_s << u"Harga 3.5 Kg"_s;
    QTest::newRow("marks without spaces") << u"apa kabar?baik!"_s << u"Apa kabar?Baik!"_s;
    QTest::newRow("5U and 5u") << u"5U5u"_s << u"Susu"_s;
    QTest::newRow("2e has no step") << u"2ebRa"_s << u"2Ebra"_s;
    QTest::newRow("only exact case") << u"sAy4"_s << u"Say4"_s;
    QTest::newRow("CR LF")
            << u"H4Lo sEMUa.\r\nsELaMat PaGi!"_s << u"Halo semua.\r\nSelamat pagi!"_s;
    QTest::newRow("accented letters") << u"ÉCOLE. ÇA"_s << u"éCole. çA"_s;
}

void TestConvertStyles::normalStyleGivesTheDocumentedText()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(toNormalStyle(input), expected);
    QCOMPARE(naive::toNormalStyle(input), expected);
}

void TestConvertStyles::sentenceCaseCapitalisesSentenceStarts_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("digits before") << u"3 apel"_s << u"3 Apel"_s;
    QTest::newRow("blanks before") << u"  \r\nok"_s << u"  \r\nOk"_s;
    QTest::newRow("ellipsis") << u"wah... keren"_s << u"Wah... Keren"_s;
    QTest::newRow("repeated marks") << u"hi!!! yes?? no."_s << u"Hi!!! Yes?? No."_s;
    QTest::newRow("capital clears") << u"a. Bc d"_s << u"A. Bc d"_s;
    QTest::newRow("numbered") << u"1. 2. three"_s << u"1. 2. Three"_s;
    QTest::newRow("number") << u"harga 3.5 kg"_s << u"Harga 3.5 Kg"_s;
    QTest::newRow("abbreviation") << u"e.g. this"_s << u"E.G. This"_s;
    QTest::newRow("no spaces") << u"x?y!z.w"_s << u"X?Y!Z.W"_s;
    QTest::newRow("accented letter skipped") << u"élan"_s << u"éLan"_s;
    QTest::newRow("capitals stay") << u"ABC. def"_s << u"ABC. Def"_s;
    QTest::newRow("greek letters skipped") << u"ω. ωa"_s << u"ω. ωA"_s;
    QTest::newRow("surrogate pair skipped") << u"ok. 😀a"_s << u"Ok. 😀A"_s;
    QTest::newRow("other marks") << u"a; b, c: d"_s << u"A; b, c: d"_s;
}

void TestConvertStyles::sentenceCaseCapitalisesSentenceStarts()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QString original = input;
    QCOMPARE(SentenceCase(input), expected);
    QCOMPARE(input, original);
}

void TestConvertStyles::lowerCaseCoversMoreThanAscii()
{
    QCOMPARE(lowerCase(u"ÀÉÖ XYZ ŠŽ\r\n"_s), u"àéö xyz šž\r\n"_s);
}

QTEST_GUILESS_MAIN(TestConvertStyles)
#include "tst_convertstyles.moc"
