// The message box and file dialog layer.
#include "toolkit/commondialog.h"
#include "toolkit/messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace wimblet;

namespace {

class ScriptedFiles : public FileDialogService
{
public:
    std::vector<std::optional<QString>> answers;
    QStringList initialNames;
    QList<QStringList> filters;
    std::optional<QString> getOpenFileName(const QStringList &f, const QString &initial) override
    {
        return answer(f, initial);
    }
    std::optional<QString> getSaveFileName(const QStringList &f, const QString &initial) override
    {
        return answer(f, initial);
    }

private:
    std::optional<QString> answer(const QStringList &f, const QString &initial)
    {
        filters << f;
        initialNames << initial;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

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
    void nameFilters_data();
    void nameFilters();
    void fileNameKeptBetweenShowings();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
};

void DialogsTest::nameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all files") << "All Files|*.*" << QStringList{"All Files (*)"};
    QTest::newRow("two pairs") << "Text|*.txt|All Files|*.*"
                               << QStringList{"Text (*.txt)", "All Files (*)"};
    QTest::newRow("empty") << "" << QStringList{};
}

void DialogsTest::nameFilters()
{
    QFETCH(QString, filter);
    QTEST(toNameFilters(filter), "expected");
}

void DialogsTest::fileNameKeptBetweenShowings()
{
    ScriptedFiles files;
    files.answers = {QStringLiteral("/tmp/a.txt"), std::nullopt, QStringLiteral("/tmp/b.txt")};
    CommonDialog dialog(&files);
    dialog.setFilter(QStringLiteral("All Files|*.*"));
    QVERIFY(dialog.ShowSave());
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.txt"));
    QVERIFY(!dialog.ShowOpen()); // a cancel keeps the name and raises nothing
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a.txt"));
    QVERIFY(dialog.ShowOpen());
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/b.txt"));
    QCOMPARE(files.initialNames, QStringList({"", "/tmp/a.txt", "/tmp/a.txt"}));
    QCOMPARE(files.filters.value(0), QStringList{"All Files (*)"});
}

void DialogsTest::messageBoxAnswers_data()
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

void DialogsTest::messageBoxAnswers()
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
