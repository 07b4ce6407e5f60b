// The common file dialog: name filters, and the name kept between showings.
#include "base/commondialog.h"
#include "support/scripteddialogs.h"

#include <QTest>

using namespace wimblet;
using namespace wimblet::testsupport;

class CommonDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterBecomesQtNameFilters_data();
    void filterBecomesQtNameFilters();
    void fileNameKeptBetweenShowings();
    void emptyChoiceIsNoChoice();
};

void CommonDialogTest::filterBecomesQtNameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all files") << "All Files|*.*" << QStringList{"All Files (*)"};
    QTest::newRow("two pairs") << "Text|*.txt|All Files|*.*"
                               << QStringList{"Text (*.txt)", "All Files (*)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void CommonDialogTest::filterBecomesQtNameFilters()
{
    QFETCH(QString, filter);
    QTEST(toNameFilters(filter), "expected");
}

void CommonDialogTest::fileNameKeptBetweenShowings()
{
    ScriptedFileDialog files;
    files.answers = {QStringLiteral("/tmp/a.txt"), std::nullopt, QStringLiteral("/tmp/b.txt")};
    DialogGuard guard;
    CommonDialog dialog(files, guard);
    dialog.setFilter(QStringLiteral("All Files|*.*"));
    bool openWhileShown = false;
    files.whileOpen = [&] { openWhileShown = guard.isOpen(); };
    QCOMPARE(dialog.ShowSave(), std::optional<QString>(QStringLiteral("/tmp/a.txt")));
    QVERIFY(openWhileShown);
    QVERIFY(!guard.isOpen());
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.txt"));
    QVERIFY(!dialog.ShowOpen()); // a cancel keeps the name and raises nothing
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.txt"));
    QCOMPARE(dialog.ShowOpen(), std::optional<QString>(QStringLiteral("/tmp/b.txt")));
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/b.txt"));
    QCOMPARE(files.initialNames, QStringList({"", "/tmp/a.txt", "/tmp/a.txt"}));
    QCOMPARE(files.filters.value(0), QStringList{"All Files (*)"});
}

void CommonDialogTest::emptyChoiceIsNoChoice()
{
    ScriptedFileDialog files;
    files.answers = {QStringLiteral("/tmp/a.txt"), QString()};
    DialogGuard guard;
    CommonDialog dialog(files, guard);
    QVERIFY(dialog.ShowSave());
    QVERIFY(!dialog.ShowSave()); // an empty name is a cancel, and keeps the last name
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.txt"));
}

QTEST_GUILESS_MAIN(CommonDialogTest)
#include "tst_commondialog.moc"
