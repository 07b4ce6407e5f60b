// What the view paints, read back from its pixels: rows laid out once, one baseline for
// every row, a selected line break beside right-to-left text, and text being composed.
#include "viewtest.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QInputMethodEvent>
#include <QPainter>

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
    void rowsShareOneBaseline();
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

void TextViewPaintTest::rowsShareOneBaseline()
{
    if (QFontDatabase::families(QFontDatabase::Devanagari).isEmpty())
        QSKIP("no Devanagari font installed");
    m_view = shownView(400, 200);
    m_view->setForeColor(Qt::black);
    // The first row holds glyphs of a taller fallback font, the second none.
    m_view->setText(QStringLiteral("xx \u0928\u092E\u0938\u094D\u0924\u0947 \u4E2D\u6587\r\nxx"));
    m_view->clearFocus();
    const QImage image = m_view->viewport()->grab().toImage();
    const int height = rowHeight(m_view);
    const int cell = QFontMetrics(m_view->font()).horizontalAdvance(QStringLiteral("xx"));
    const int first = lowestInk(image, kMargin, height, cell);
    QVERIFY(first > 0);
    QCOMPARE(first, lowestInk(image, kMargin + height, height, cell));
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
