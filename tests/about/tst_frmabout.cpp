// The About window as built: texts, geometry at the screen's dpi, fonts, the
// engraved rule, the icon and the window's frame and place.
#include "about/frmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace wimblet;

namespace {

QLabel *label(frmAbout &f, const QString &name)
{
    const std::pair<const char *, QLabel *> all[] = {
        {"Label1", f.Label1},     {"Label2", f.Label2},     {"Label3", f.Label3},
        {"lblTitle", f.lblTitle}, {"lblVersion", f.lblVersion}, {"lblDescription", f.lblDescription}};
    for (const auto &[n, w] : all)
        if (name == QLatin1String(n))
            return w;
    return nullptr;
}

int px(const frmAbout &f, double twips)
{
    return qRound(twips * f.logicalDpiY() / 1440.0);
}

// The window deletes itself when closed, so it lives on the heap.
struct Shown {
    frmAbout *form = new frmAbout;
    Shown() { form->show(); }
    ~Shown() { delete form; }
};

} // namespace

class FrmAboutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadFillsTextsBeforeShowing();
    void labelsHaveTheirTextsAndPlaces_data();
    void labelsHaveTheirTextsAndPlaces();
    void ruleIsDrawnEngraved();
    void lineShapesCoverTheirPixels_data();
    void lineShapesCoverTheirPixels();
    void iconAndOkButtonAreInPlace();
    void windowIsFixedAtItsPlace();
};

void FrmAboutTest::loadFillsTextsBeforeShowing()
{
    struct Spy : QObject {
        frmAbout *f = nullptr;
        QString seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Show)
                seen = f->Caption() + '|' + f->lblVersion->text() + '|' + f->lblTitle->text();
            return false;
        }
    } spy;
    spy.f = new frmAbout;
    QCOMPARE(spy.f->Caption(), QStringLiteral("About Wimblet"));
    QVERIFY(spy.f->lblTitle->text().isEmpty() && spy.f->lblVersion->text().isEmpty());
    spy.f->installEventFilter(&spy);
    spy.f->show();
    delete spy.f;
    QCOMPARE(spy.seen, QStringLiteral("About Wimblet|Version 1.0.0|Wimblet"));
}

void FrmAboutTest::labelsHaveTheirTextsAndPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("twips");
    QTest::addColumn<QString>("text"); // the whole text, or a part of a credit line
    QTest::addColumn<qreal>("points");
    QTest::addColumn<bool>("buttonText");
    QTest::newRow("Label3") << "Label3" << QRectF(1200, 2040, 1815, 225) << "" << 8.0 << false;
    QTest::newRow("Label2") << "Label2" << QRectF(1200, 1800, 3855, 345) << "." << 8.0 << false;
    QTest::newRow("Label1") << "Label1" << QRectF(360, 2760, 3495, 345) << "2012" << 8.0
                            << false;
    QTest::newRow("lblDescription")
        << "lblDescription" << QRectF(1200, 1125, 3885, 450)
        << "Wimblet is a simple and fun text-editor that allow you to convert text into Cute "
           "Style. "
        << 8.0 << false;
    QTest::newRow("lblTitle") << "lblTitle" << QRectF(1200, 240, 3885, 360) << "Wimblet" << 12.0
                              << false;
    QTest::newRow("lblVersion") << "lblVersion" << QRectF(1200, 720, 3885, 225)
                                << "Version 1.0.0" << 8.0 << true;
}

void FrmAboutTest::labelsHaveTheirTextsAndPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRectF, twips);
    QFETCH(QString, text);
    QFETCH(qreal, points);
    QFETCH(bool, buttonText);
    Shown s;
    const frmAbout &f = *s.form;
    QLabel *l = label(*s.form, name);
    QCOMPARE(l->geometry(), QRect(px(f, twips.x()), px(f, twips.y()), px(f, twips.width()),
                                  px(f, twips.height())));
    QVERIFY(!l->text().isEmpty());
    if (name.startsWith(QLatin1String("Label")))
        QVERIFY(l->text().contains(text));
    else
        QCOMPARE(l->text(), text);
    QCOMPARE(l->font().pointSizeF(), points);
    QCOMPARE(l->font().bold(), name == QLatin1String("lblTitle"));
    QCOMPARE(l->palette().color(QPalette::WindowText),
             buttonText ? f.palette().color(QPalette::ButtonText) : QColor(Qt::black));
    QCOMPARE(l->focusPolicy(), Qt::NoFocus);
    // Nothing may be cut off at the right or the bottom.
    const QRect needed = l->fontMetrics().boundingRect(
        QRect(0, 0, l->width(), 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, l->text());
    QVERIFY2(needed.width() <= l->width() && needed.height() <= l->height(),
             qPrintable(QStringLiteral("needs %1x%2").arg(needed.width()).arg(needed.height())));
}

void FrmAboutTest::ruleIsDrawnEngraved()
{
    Shown s;
    const frmAbout &f = *s.form;
    const QImage image = s.form->clientArea()->grab().toImage();
    const QColor back = f.palette().color(QPalette::Window), grey(128, 128, 128), white(Qt::white);
    const int y = px(f, 2445), left = px(f, 90), right = px(f, 5654), mid = (left + right) / 2;
    const int whiteY = px(f, 2460), whiteLeft = px(f, 105);
    // One grey row, then two white rows starting one pixel further right.
    const std::tuple<int, int, QColor> expected[] = {
        {left, y, grey},   {right - 1, y, grey},       {right, y, back},
        {mid, y - 1, back}, {mid, whiteY, white},      {mid, whiteY + 1, white},
        {mid, whiteY + 2, back}, {whiteLeft - 1, whiteY, back}, {whiteLeft, whiteY, white}};
    for (const auto &[x, py, colour] : expected)
        QCOMPARE(image.pixelColor(x, py), colour);
}

void FrmAboutTest::lineShapesCoverTheirPixels_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("width");
    QTest::addColumn<QRect>("covered");
    QTest::newRow("reversed, wide") << QPoint(377, 164) << QPoint(7, 164) << 2
                                    << QRect(7, 164, 370, 2);
    QTest::newRow("vertical") << QPoint(5, 40) << QPoint(5, 10) << 3 << QRect(5, 10, 3, 30);
    QTest::newRow("diagonal") << QPoint(0, 0) << QPoint(10, 20) << 2 << QRect(0, 0, 12, 22);
    QTest::newRow("no width") << QPoint(0, 4) << QPoint(8, 4) << 0 << QRect(0, 4, 8, 1);
}

void FrmAboutTest::lineShapesCoverTheirPixels()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, width);
    QTEST(wimblet::lineCoverage(from, to, width), "covered");
}

void FrmAboutTest::iconAndOkButtonAreInPlace()
{
    Shown s;
    frmAbout &f = *s.form;
    const QImage icon = f.picIcon->pixmap().toImage();
    QCOMPARE(f.picIcon->pixmap().deviceIndependentSize(), QSizeF(48, 48));
    QCOMPARE(f.picIcon->geometry(), QRect(px(f, 240), px(f, 240), 48, 48));
    QCOMPARE(icon.pixelColor(icon.width() / 2, icon.height() / 2).alpha(), 255);
    QCOMPARE(icon.pixelColor(0, 0).alpha(), 0);
    QVERIFY(!f.windowIcon().isNull());

    QCOMPARE(f.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(f.cmdOK->geometry(), QRect(px(f, 4245), px(f, 2625), px(f, 1260), px(f, 345)));
    QVERIFY(f.cmdOK->isDefault());
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    QCOMPARE(QApplication::focusWidget(), f.cmdOK);
    // Tab goes to the icon and back; the labels are skipped.
    QTest::keyClick(f.cmdOK, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.picIcon);
    QTest::keyClick(f.picIcon, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.cmdOK);
}

void FrmAboutTest::windowIsFixedAtItsPlace()
{
    Shown s;
    frmAbout &f = *s.form;
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QSize client(px(f, 5730), px(f, 3210));
    QCOMPARE(f.clientArea()->size(), client);
    QCOMPARE(f.minimumSize(), client);
    QCOMPARE(f.maximumSize(), client);
    QCOMPARE(f.windowType(), Qt::Dialog);
    QVERIFY(f.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(f.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Closing it must never keep the program alive or end it.
    QVERIFY(!f.testAttribute(Qt::WA_QuitOnClose));
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    QCOMPARE(f.clientArea()->mapToGlobal(QPoint(0, 0)),
             origin + QPoint(px(f, 2340), px(f, 1935)));
}

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
