// The status panels: a narrow face in which line, column and line-count figures fit
// the 1005-twip panels, and a visible cut with the whole text as tooltip otherwise;
// the accessible name is always the whole text.
#include "toolkit/form.h"
#include "toolkit/statusbar.h"
#include "toolkit/twips.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

using namespace wimblet;

class StatusBarTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void panelFontIsTheNarrowFaceAndLegible();
    void figuresFitTheirPanels_data();
    void figuresFitTheirPanels();
    void textTooLongIsCutVisiblyWithTooltip();
};

void StatusBarTest::panelFontIsTheNarrowFaceAndLegible()
{
    // A missing face must fail here rather than fall back to a wide one unnoticed.
    const QFontInfo info(panelFont());
    QVERIFY2(info.family().startsWith(QString::fromLatin1(kPanelFontFamily)),
             qPrintable(QStringLiteral("got %1; is fonts-urw-base35 installed?")
                            .arg(info.family())));
    QVERIFY(panelFont().pointSizeF() >= 7.0);
}

void StatusBarTest::figuresFitTheirPanels_data()
{
    QTest::addColumn<QString>("text"); // as the caret status writes it, trailing blank aside
    QTest::addColumn<int>("dpi");
    for (int dpi : {96, 120}) {
        for (const char *text : {"Ln 9999, Col 999", "999999 Lines", "Ln 999, Col 99",
                                 "99999 Lines", "Ln 1, Col 1", "1 Lines"})
            QTest::addRow("%s at %d dpi", text, dpi) << QString::fromLatin1(text) << dpi;
    }
}

void StatusBarTest::figuresFitTheirPanels()
{
    QFETCH(QString, text);
    QFETCH(int, dpi);
    QImage surface(1, 1, QImage::Format_ARGB32);
    surface.setDotsPerMeterX(qRound(dpi / 0.0254));
    surface.setDotsPerMeterY(qRound(dpi / 0.0254));
    const QFontMetricsF metrics(panelFont(), &surface);
    const int room = panelTextRoom(twipsToPixels(1005, dpi));
    QVERIFY2(metrics.horizontalAdvance(text) <= room,
             qPrintable(QStringLiteral("%1 px in %2 px").arg(metrics.horizontalAdvance(text)).arg(room)));
}

void StatusBarTest::textTooLongIsCutVisiblyWithTooltip()
{
    Form form;
    auto *bar = new StatusBar(&form);
    StatusPanel *panel = bar->addPanel(StatusPanel::TextPanel, QStringLiteral("3"), 1005, 1000);
    bar->resize(form.toPixels(1005), form.toPixels(330));
    const QString longText = QStringLiteral("Ln 123456789, Col 123456789 ");
    panel->setText(longText);
    QCOMPARE(panel->Text(), longText);
    QVERIFY2(panel->text().endsWith(QChar(0x2026)), qPrintable(panel->text()));
    QVERIFY(panel->text().size() > 1);
    QCOMPARE(panel->toolTip(), longText);
    QCOMPARE(panel->accessibleName(), longText);
    panel->setText(QStringLiteral("Ln 4, Col 29 "));
    QCOMPARE(panel->text(), QStringLiteral("Ln 4, Col 29 "));
    QVERIFY(panel->toolTip().isEmpty());
    QCOMPARE(panel->accessibleName(), QStringLiteral("Ln 4, Col 29 "));
}

QTEST_MAIN(StatusBarTest)
#include "tst_statusbar.moc"
