// The real message boxes: buttons, answers, icons and title.
#include "toolkit/qtdialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace wimblet;

namespace {

// Presses a key in the message box once it is the active modal widget.
void pressInModalSoon(Qt::Key key)
{
    QTimer::singleShot(0, [key] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QTest::keyClick(QApplication::activeModalWidget(), key);
    });
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageBoxAnswersByKeyWithItsIcon_data();
    void messageBoxAnswersByKeyWithItsIcon();
};

void DialogsTest::messageBoxAnswersByKeyWithItsIcon_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("icon");
    QTest::newRow("35 enter is yes") << 35 << int(Qt::Key_Return) << 6 << int(QMessageBox::Question);
    QTest::newRow("35 escape is cancel") << 35 << int(Qt::Key_Escape) << 2
                                         << int(QMessageBox::Question);
    QTest::newRow("67 escape is cancel") << 67 << int(Qt::Key_Escape) << 2
                                         << int(QMessageBox::Information);
    QTest::newRow("0 ok") << 0 << int(Qt::Key_Return) << 1 << int(QMessageBox::NoIcon);
}

void DialogsTest::messageBoxAnswersByKeyWithItsIcon()
{
    QFETCH(int, style);
    QFETCH(int, key);
    QFETCH(int, icon);
    QtMessageBoxService service(nullptr);
    QString title;
    int shownIcon = -1;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        shownIcon = box->icon();
    });
    pressInModalSoon(Qt::Key(key));
    QTEST(service.show(QStringLiteral("Do you want to save the changes?"), style,
                       QStringLiteral("Wimblet")),
          "answer");
    QCOMPARE(title, QStringLiteral("Wimblet"));
    QCOMPARE(shownIcon, icon);
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
