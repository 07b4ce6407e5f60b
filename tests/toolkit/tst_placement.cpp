// Where the first window goes: centred with its frame, reduced only where it does
// not fit the screen's available area.
#include "toolkit/placement.h"

#include <QTest>

using namespace wimblet;

class PlacementTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void framedWindowIsCentredAndFitted_data();
    void framedWindowIsCentredAndFitted();
};

void PlacementTest::framedWindowIsCentredAndFitted_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QPoint>("frameTopLeft");
    QTest::addColumn<QSize>("placed");
    const QSize design(681, 482); // client 681 x 457 and a menu bar
    const QSize least(326, 80);
    QTest::newRow("fits, no frame yet")
        << design << QMargins() << QRect(0, 0, 1280, 1024) << least << QPoint(299, 271)
        << design;
    QTest::newRow("fits, framed: centred as seen, not low")
        << design << QMargins(1, 23, 1, 1) << QRect(0, 0, 1280, 1024) << least
        << QPoint(298, 259) << design;
    QTest::newRow("a panel at the top")
        << design << QMargins(1, 23, 1, 1) << QRect(0, 30, 1280, 994) << least
        << QPoint(298, 274) << design;
    QTest::newRow("scale 2 on 1280 x 1024: narrower, inside the screen")
        << design << QMargins(1, 23, 1, 1) << QRect(0, 0, 640, 512) << least << QPoint(0, 3)
        << QSize(638, 482);
    QTest::newRow("too low as well")
        << design << QMargins(1, 23, 1, 1) << QRect(0, 0, 800, 400) << least << QPoint(58, 0)
        << QSize(681, 376);
    QTest::newRow("smaller than the least size: top-left corner")
        << design << QMargins(1, 23, 1, 1) << QRect(10, 10, 300, 60) << least
        << QPoint(10, 10) << least;
}

void PlacementTest::framedWindowIsCentredAndFitted()
{
    QFETCH(QSize, size);
    QFETCH(QMargins, frame);
    QFETCH(QRect, available);
    QFETCH(QSize, minimum);
    const Placement p = centredPlacement(size, frame, available, minimum);
    QTEST(p.frameTopLeft, "frameTopLeft");
    QTEST(p.size, "placed");
}

QTEST_GUILESS_MAIN(PlacementTest)
#include "tst_placement.moc"
