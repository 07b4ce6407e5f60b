// What the view paints, read back from its pixels: rows laid out once, every mark drawn
// whole in rows as tall as their lines, a selected line break beside right-to-left text,
// and text being composed.
#include "viewtest.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

using namespace wimblet;
using namespace wimblet::viewtest;

namespace {

constexpr int kMargin = 4;

int rowHeight(TextView *view)
{
    return int(std::ceil(QFontMetricsF(view->font()).height()));
}

// Pixels of about a colour within a band of rows.
int countIn(const QImage &image, int top, int height, QRgb colour)
{
    int count = 0;
    for (int y = std::max(0, top); y < std::min(image.height(), top + height); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour))
                         + std::abs(qBlue(p) - qBlue(colour))
                     < 90;
        }
    return count;
}

// The lowest dark pixel of the first `width` pixels of a band, from the band's top.
int lowestInk(const QImage &image, int top, int height, int width)
{
    int lowest = -1;
    for (int y = top; y < top + height; ++y)
        for (int x = kMargin; x < kMargin + width; ++x)
            if (qGray(image.pixel(x, y)) < 128)
                lowest = y - top;
    return lowest;
}

// Pixels darker than mid grey, but those in `skipped`.
int inkIn(const QImage &image, const QRect &skipped = QRect())
{
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qGray(image.pixel(x, y)) < 128 && !skipped.contains(x, y);
    return ink;
}

bool within1Percent(int a, int b)
{
    return std::abs(a - b) * 100 <= std::max(a, b);
}

// The ink of a paragraph laid out on one line `width` wide in `font`, drawn whole on white.
int unclippedInk(const QString &text, const QFont &font, qreal width)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine().setLineWidth(width);
    layout.endLayout();
    QImage image(1200, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    layout.draw(&painter, QPointF(4, 100));
    return inkIn(image);
}

// The bottom row of a band holding ink, or -1.
int inkBottom(const QImage &image)
{
    for (int y = image.height() - 1; y >= 0; --y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                return y;
    return -1;
}

// Tibetan stacks, deep below the baseline.
const QString kTibetan = QStringLiteral("\u0F67\u0F71\u0F74\u0F82 \u0F42\u0FB7\u0FB2\u0F71\u0F80 "
                                        "\u0F40\u0FB5\u0FA8\u0FB1\u0F71\u0F74");

} // namespace

class TextViewPaintTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        delete m_view;
        m_view = nullptr;
    }

    void blinksAndCaretMovesLayOutNothing();
    void noInkIsClipped_data();
    void noInkIsClipped();
    void rowsAreAsTallAsTheirLines();
    void selectedBreakLeavesRightToLeftLettersShowing();
    void composingTextWrapsItsRow();

private:
    TextView *m_view = nullptr;
};

void TextViewPaintTest::blinksAndCaretMovesLayOutNothing()
{
    QApplication::setCursorFlashTime(40);
    m_view = shownView(300, 200);
    m_view->setText(QStringLiteral("satu dua tiga empat lima enam tujuh\r\ndelapan sembilan\r\n").repeated(6));
    m_view->viewport()->grab();
    const qint64 made = m_view->layoutsMade();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_Up, Qt::Key_Home}) {
        QTest::keyClick(m_view, key);
        m_view->viewport()->grab();
    }
    QTest::qWait(200); // several blinks
    m_view->viewport()->grab();
    QCOMPARE(m_view->layoutsMade(), made);
    // A key typed lays out its own row again, not the screen.
    QTest::keyClicks(m_view, QStringLiteral("x"));
    m_view->viewport()->grab();
    QVERIFY(m_view->layoutsMade() - made <= 2);
    QApplication::setCursorFlashTime(1000);
}

void TextViewPaintTest::noInkIsClipped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("script");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<bool>("staysInItsRow"); // the font's descent holds the deepest stack
    const std::pair<const char *, std::pair<QString, QFontDatabase::WritingSystem>> scripts[] = {
        {"Thai", {QStringLiteral("\u0E19\u0E49\u0E33 \u0E17\u0E35\u0E48\u0E19\u0E35\u0E48"), QFontDatabase::Thai}},
        {"Vietnamese", {QStringLiteral("\u1EAA \u1ED4 \u1EA4 \u1EDE \u1EB3"), QFontDatabase::Vietnamese}},
        {"Tibetan", {kTibetan, QFontDatabase::Tibetan}},
        {"Myanmar", {QStringLiteral("\u1000\u103C\u102C\u1038 \u1015\u103C\u1031"), QFontDatabase::Myanmar}},
        {"Khmer", {QStringLiteral("\u1780\u17D2\u179F\u17D2\u1798 \u179F\u17D2\u178F\u17D2\u179A\u17B8"),
                   QFontDatabase::Khmer}},
        {"Arabic", {QStringLiteral("\u0642\u064F\u0644\u0652 \u0643\u064F\u062A\u0650\u0628\u064E"),
                    QFontDatabase::Arabic}},
    };
    // The view's font of 10 pt at 96 and at 120 dpi, as pixel sizes: the offscreen
    // platform's dpi is fixed.
    for (int pixels : {13, 17})
        for (const auto &[name, script] : scripts)
            QTest::addRow("%s %d px", name, pixels)
                << script.first << int(script.second) << pixels << (script.second == QFontDatabase::Tibetan);
}

void TextViewPaintTest::noInkIsClipped()
{
    QFETCH(QString, text);
    QFETCH(int, script);
    QFETCH(int, pixels);
    QFETCH(bool, staysInItsRow);
    if (QFontDatabase::families(QFontDatabase::WritingSystem(script)).isEmpty())
        QSKIP("no font of the script installed");
    m_view = shownView(700, 200);
    QVERIFY(QTest::qWaitForWindowActive(m_view)); // the selection shows with the focus
    QFont font = monospace();
    font.setPixelSize(pixels);
    m_view->setFont(font);
    m_view->setForeColor(Qt::black);
    QPalette palette = m_view->palette();
    // A white highlight: ink it covers is lost, and ink on it counts as on the page.
    palette.setColor(QPalette::Highlight, Qt::white);
    palette.setColor(QPalette::HighlightedText, Qt::black);
    m_view->setPalette(palette);
    // Two rows apart, so that no ink of one lies on the other's.
    m_view->setText(text + QStringLiteral("\r\n\r\n") + text);
    m_view->clearFocus();
    const QImage plain = m_view->viewport()->grab().toImage();
    const int whole = 2 * unclippedInk(text, m_view->font(), m_view->rowWidth());
    QVERIFY2(within1Percent(inkIn(plain), whole),
             qPrintable(QStringLiteral("%1 ink pixels drawn, %2 unclipped").arg(inkIn(plain)).arg(whole)));
    // Selected, every row's background under every row's ink, and the ink whole.
    m_view->setFocus();
    m_view->selectAll();
    const QImage selected = m_view->viewport()->grab().toImage();
    const QRect caret = m_view->offsetRect(m_view->caret());
    QVERIFY2(within1Percent(inkIn(selected, caret), inkIn(plain, caret)),
             qPrintable(QStringLiteral("%1 ink pixels selected, %2 not").arg(inkIn(selected, caret)).arg(inkIn(plain, caret))));
    if (!staysInItsRow)
        return;
    // A row's ink stays above the next row's top.
    m_view->setText(text + QStringLiteral("\r\n"));
    const int next = m_view->offsetRect(m_view->length()).top();
    QVERIFY(inkBottom(m_view->viewport()->grab().toImage()) < next);
}

void TextViewPaintTest::rowsAreAsTallAsTheirLines()
{
    if (QFontDatabase::families(QFontDatabase::Tibetan).isEmpty())
        QSKIP("no Tibetan font installed");
    m_view = shownView(400, 200);
    m_view->setForeColor(Qt::black);
    m_view->setText(QStringLiteral("xx\r\n") + kTibetan + QStringLiteral("\r\nxx\r\nyy"));
    m_view->clearFocus();
    const int plain = rowHeight(m_view);
    const qint64 tall = 4;
    const qint64 below = tall + kTibetan.size() + 2;
    const QRect tallCaret = m_view->offsetRect(tall);
    const QRect belowCaret = m_view->offsetRect(below);
    QCOMPARE(tallCaret.top(), kMargin + plain);
    QCOMPARE(belowCaret.top(), tallCaret.bottom() + 1);
    QVERIFY(tallCaret.height() > plain);
    QCOMPARE(m_view->offsetRect(below + 4).top(), belowCaret.top() + plain);
    // A plain row below keeps the baseline a plain row has.
    const QImage image = m_view->viewport()->grab().toImage();
    const int cell = QFontMetrics(m_view->font()).horizontalAdvance(QStringLiteral("xx"));
    QCOMPARE(lowestInk(image, belowCaret.top(), plain, cell), lowestInk(image, kMargin, plain, cell));
    // A click on the tall row's lower part lands on it, one below on the row below.
    const int x = kMargin + 1;
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(x, tallCaret.bottom() - 1));
    QCOMPARE(m_view->caret(), tall);
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(x, belowCaret.top() + 1));
    QCOMPARE(m_view->caret(), below);
    // The input method is told the caret's row as tall as it is.
    m_view->setFocus();
    m_view->setCaret(tall);
    m_view->viewport()->grab();
    QCOMPARE(m_view->inputMethodQuery(Qt::ImCursorRectangle).toRect().height(), tallCaret.height());
    // A page of tall rows holds the rows that fit; PageDown moves by them, and the scroll
    // bar ends where the last page does.
    m_view->setText((kTibetan + QStringLiteral("\r\n")).repeated(30) + QStringLiteral("x\r\nx\r\nx"));
    const int room = m_view->viewport()->height() - kMargin;
    const int page = room / tallCaret.height();
    QTest::keyClick(m_view, Qt::Key_PageDown);
    QCOMPARE(m_view->topRow(), qint64(page));
    const int lastPage = 3 + (room - 3 * plain) / tallCaret.height();
    QTRY_COMPARE(m_view->verticalScrollBar()->maximum(), 33 - lastPage); // once the rows are counted
}

void TextViewPaintTest::selectedBreakLeavesRightToLeftLettersShowing()
{
    m_view = shownView(400, 200);
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
    palette.setColor(QPalette::HighlightedText, QColor(255, 0, 0));
    m_view->setPalette(palette);
    QVERIFY(QTest::qWaitForWindowActive(m_view)); // the selection shows with the focus
    m_view->setText(QStringLiteral("ab \u05E9\u05DC\u05D5\u05DD\r\nx"));
    const int height = rowHeight(m_view);
    m_view->setSelection(0, 7); // the letters alone
    const int letters = countIn(m_view->viewport()->grab().toImage(), kMargin, height, qRgb(255, 0, 0));
    QVERIFY(letters > 0);
    m_view->setSelection(0, 10); // and the line break after them
    const QImage image = m_view->viewport()->grab().toImage();
    QVERIFY(countIn(image, kMargin, height, qRgb(255, 0, 0)) >= letters);
    QVERIFY(countIn(image, kMargin, height, qRgb(0, 0, 255)) > 0);
}

void TextViewPaintTest::composingTextWrapsItsRow()
{
    m_view = shownView(220, 200);
    m_view->setText(QStringLiteral("kata ").repeated(40));
    const qint64 secondRow = m_view->rowStart(1);
    m_view->setCaret(secondRow - 1); // before the blank ending the first row
    m_view->viewport()->grab();
    const int height = rowHeight(m_view);
    const QRect before = m_view->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QString composing = QStringLiteral("menyusun");
    QList<QInputMethodEvent::Attribute> attributes{
        {QInputMethodEvent::Cursor, int(composing.size()), 1, QVariant()}};
    QInputMethodEvent event(composing, attributes);
    QApplication::sendEvent(m_view, &event);
    m_view->viewport()->grab();
    // The caret at the end of the composed text stands on the row below, at its start.
    const QRect after = m_view->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QCOMPARE(after.top(), before.top() + height);
    QVERIFY(after.left() < before.left());
    QInputMethodEvent commit;
    commit.setCommitString(composing);
    QApplication::sendEvent(m_view, &commit);
    QCOMPARE(m_view->text().mid(secondRow - 1, composing.size()), composing);
}

QTEST_MAIN(TextViewPaintTest)
#include "tst_textview_paint.moc"
