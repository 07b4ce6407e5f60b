// The text shown in the box and back: toDisplayText and fromDisplayText, the pair
// that the clipboard, the primary selection and drag and drop go through.
#include "support/displaytext.h"

#include <QTest>

using namespace wimblet;

Q_DECLARE_METATYPE(wimblet::Escape)

class DisplayTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shownAndBack_data();
    void shownAndBack();
    void unmarkedStandInGlyphsStay_data();
    void unmarkedStandInGlyphsStay();
};

void DisplayTextTest::shownAndBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<int>>("escaped"); // indexes in the shown string
    QTest::addColumn<QList<int>>("positions"); // the same in document positions
    using L = QList<int>;
    QTest::newRow("empty") << QString() << QString() << L{} << L{};
    QTest::newRow("plain") << "satu dua" << "satu dua" << L{} << L{};
    QTest::newRow("lone LF") << "satu\ndua" << QString::fromUtf16(u"satu\u2193dua") << L{4} << L{4};
    QTest::newRow("CR LF kept") << "a\r\nb" << "a\r\nb" << L{} << L{};
    QTest::newRow("lone CR after CR LF") << "a\r\n\rb" << QString::fromUtf16(u"a\r\n\u2190b")
                                         << L{3} << L{2};
    QTest::newRow("CR CR LF") << "a\r\r\nb" << QString::fromUtf16(u"a\u2190\r\nb") << L{1} << L{1};
    QTest::newRow("LF CR is no pair") << "\n\r" << QString::fromUtf16(u"\u2193\u2190") << L{0, 1}
                                      << L{0, 1};
    QTest::newRow("separators") << QString::fromUtf16(u"\u2028\u2029")
                                << QString::fromUtf16(u"\u21B5\u00B6") << L{0, 1} << L{0, 1};
    QTest::newRow("noncharacters") << QString::fromUtf16(u"\uFDD0\uFDD1")
                                   << QString::fromUtf16(u"\uFFFD\uFFFD") << L{0, 1} << L{0, 1};
    QTest::newRow("typed arrows are text")
        << QString::fromUtf16(u"\u2193\u2190\u21B5\u00B6\uFFFD")
        << QString::fromUtf16(u"\u2193\u2190\u21B5\u00B6\uFFFD") << L{} << L{};
    QTest::newRow("surrogate pairs around breaks")
        << QString::fromUtf16(u"\U0001F600\n\U0001D11E\r\n\U0001F600\r")
        << QString::fromUtf16(u"\U0001F600\u2193\U0001D11E\r\n\U0001F600\u2190") << L{2, 9}
        << L{2, 8};
}

void DisplayTextTest::shownAndBack()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, escaped);
    QFETCH(QList<int>, positions);
    const DisplayText shown = toDisplayText(text);
    QTEST(shown.text, "shown");
    QCOMPARE(shown.escapes.size(), escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const Escape &e = shown.escapes.at(i);
        QCOMPARE(e.index, escaped.at(i));
        QCOMPARE(e.position, positions.at(i));
        QCOMPARE(e.original, text.at(e.index).unicode());
        QCOMPARE(shown.text.at(e.index).unicode(), standInFor(e.original));
    }
    QCOMPARE(fromDisplayText(shown), text);
}

void DisplayTextTest::unmarkedStandInGlyphsStay_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QVector<Escape>>("escapes");
    QTest::addColumn<QString>("text");
    using E = QVector<Escape>;
    const QString arrows = QString::fromUtf16(u"\u2193x\u2193");
    QTest::newRow("none marked") << arrows << E{} << arrows;
    QTest::newRow("first marked") << arrows << E{{0, 0, u'\n'}} << QString::fromUtf16(u"\nx\u2193");
    QTest::newRow("second marked") << arrows << E{{2, 2, u'\n'}} << QString::fromUtf16(u"\u2193x\n");
    QTest::newRow("pilcrow beside a marked one")
        << QString::fromUtf16(u"\u00B6\u00B6") << E{{1, 1, 0x2029}}
        << QString::fromUtf16(u"\u00B6\u2029");
    QTest::newRow("CR LF of a line break stays")
        << QString::fromUtf16(u"a\r\n\u2190") << E{{2, 3, u'\r'}} << QStringLiteral("a\r\n\r");
    QTest::newRow("mark past the end ignored") << QStringLiteral("ab") << E{{9, 9, u'\n'}}
                                               << QStringLiteral("ab");
}

void DisplayTextTest::unmarkedStandInGlyphsStay()
{
    QFETCH(QString, shown);
    QFETCH(QVector<Escape>, escapes);
    QTEST(fromDisplayText(DisplayText{shown, escapes}), "text");
}

QTEST_MAIN(DisplayTextTest)
#include "tst_displaytext.moc"
