// The layout rule, as a formula and in a real (offscreen) window.
#include "app/frmNotepad.h"
#include "app/layout.h"

#include <QMenuBar>
#include <QTest>

using namespace wimblet;

class LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutFollowsTheFormula_data();
    void layoutFollowsTheFormula();
    void realWindowFollowsResize();
    void minimizeChangesNothing();
    void minimumSizeKeepsLayoutNonNegative();
};

void LayoutTest::layoutFollowsTheFormula_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("toolbar");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("txtWidth");
    QTest::addColumn<float>("txtHeight");
    QTest::addColumn<float>("panel1");
    // Panels 2 to 5 are 2500, 1800, 1800 and 2500 in every row.
    QTest::newRow("example") << 0 << 10000.f << 7000.f << 420.f << true << 420.f << 10000.f
                             << 6200.f << 1400.f;
    QTest::newRow("maximized") << 2 << 28800.f << 15000.f << 510.f << true << 510.f << 28800.f
                               << 14200.f << 20200.f;
    QTest::newRow("toolbar grew") << 0 << 10000.f << 7000.f << 900.f << true << 900.f << 10000.f
                                  << 6200.f << 1400.f;
    QTest::newRow("minimized") << 1 << 10000.f << 7000.f << 420.f << false << 0.f << 0.f << 0.f
                               << 0.f;
    QTest::newRow("too small") << 0 << 3000.f << 500.f << 510.f << true << 510.f << 3000.f
                               << 0.f << 0.f;
}

void LayoutTest::layoutFollowsTheFormula()
{
    QFETCH(int, state);
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, toolbar);
    LayoutInput in;
    in.windowState = state;
    in.scaleWidth = width;
    in.scaleHeight = height;
    in.toolbarHeight = toolbar;
    in.panelWidth2 = 2500;
    in.panelWidth3 = 1800;
    in.panelWidth4 = 1800;
    in.panelWidth5 = 2500;
    const LayoutResult out = computeLayout(in);
    QTEST(out.apply, "apply");
    if (!out.apply)
        return;
    QTEST(out.txtTop, "top");
    QTEST(out.txtWidth, "txtWidth");
    QTEST(out.txtHeight, "txtHeight");
    QTEST(out.panel1Width, "panel1");
}

void LayoutTest::realWindowFollowsResize()
{
    frmNotepad window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize sizes[] = {QSize(800, 600), QSize(500, 300), QSize(1200, 500)};
    for (const QSize &size : sizes) {
        window.resize(size.width(), size.height() + window.menuBar()->height());
        QTRY_COMPARE(window.clientArea()->width(), size.width());
        const int clientH = window.clientArea()->height();
        QCOMPARE(window.components().txt->x(), 0);
        QCOMPARE(window.components().txt->y(), window.components().Toolbar1->height());
        QCOMPARE(window.components().txt->width(), size.width());
        QCOMPARE(window.components().txt->height(), window.toPixels(window.toTwips(clientH) - 800));
        const float others = 1440 + 1005 + 1005 + 1440;
        QCOMPARE(window.components().StatusBar1->Panels(1)->Width(), window.ScaleWidth() - others);
        // The five panels fill the client width exactly.
        QCOMPARE(window.components().StatusBar1->Panels(5)->geometry().right() + 1, size.width());
        QCOMPARE(window.components().StatusBar1->y() + window.components().StatusBar1->height(), clientH);
        QCOMPARE(window.components().Toolbar1->geometry(), QRect(0, 0, size.width(), window.toPixels(510)));
    }
}

void LayoutTest::minimizeChangesNothing()
{
    frmNotepad window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.components().txt->geometry();
    const float panel1 = window.components().StatusBar1->Panels(1)->Width();
    window.showMinimized();
    QCoreApplication::processEvents();
    QCOMPARE(window.components().txt->geometry(), before);
    QCOMPARE(window.components().StatusBar1->Panels(1)->Width(), panel1);
}

void LayoutTest::minimumSizeKeepsLayoutNonNegative()
{
    frmNotepad window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(50, 50);
    QCoreApplication::processEvents();
    QVERIFY(window.ScaleWidth() >= 1440 + 1005 + 1005 + 1440 - window.twipsPerPixel());
    QVERIFY(window.ScaleHeight() >= 800);
    QVERIFY(window.components().StatusBar1->Panels(1)->Width() >= 0);
    QVERIFY(window.components().txt->height() >= 0);
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
