// The real message boxes: buttons, answers, icons and title.
#include "toolkit/qtdialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
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
    void initTestCase();
    void fileDialogNeitherReadsNorWritesSharedSettings_data();
    void fileDialogNeitherReadsNorWritesSharedSettings();
    void messageBoxAnswersByKeyWithItsIcon_data();
    void messageBoxAnswersByKeyWithItsIcon();

private:
    QString sharedSettings() const { return m_config.filePath(QStringLiteral("QtProject.conf")); }
    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_config;
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

void DialogsTest::initTestCase()
{
    // Every Qt program keeps its file dialog history in $XDG_CONFIG_HOME/QtProject.conf;
    // this test's own folder stands for the user's.
    QVERIFY2(m_config.isValid(), qPrintable(m_config.errorString()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QFile shared(sharedSettings());
    QVERIFY(shared.open(QIODevice::WriteOnly));
    shared.write("[FileDialog]\nlastVisited=file://" + QFile::encodeName(m_config.path())
                 + "/visited\nhistory=file:///somewhere\n");
    shared.close();
    QVERIFY(QDir(m_config.path()).mkdir(QStringLiteral("visited")));
}

void DialogsTest::fileDialogNeitherReadsNorWritesSharedSettings_data()
{
    QTest::addColumn<bool>("saving");
    QTest::addColumn<bool>("accept");
    QTest::newRow("open, cancelled") << false << false;
    QTest::newRow("save as, a file chosen") << true << true;
    QTest::newRow("open, a file chosen") << false << true;
}

void DialogsTest::fileDialogNeitherReadsNorWritesSharedSettings()
{
    QFETCH(bool, saving);
    QFETCH(bool, accept);
    const QByteArray before = readAll(sharedSettings());
    // Open takes a file that exists; Save As one that does not, so that no question of
    // replacing it comes in between.
    const QString chosen = m_config.filePath(saving ? QStringLiteral("new.txt")
                                                    : QStringLiteral("chosen.txt"));
    if (!saving)
        QFile(chosen).open(QIODevice::WriteOnly);
    QString startedIn;
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        startedIn = dialog->directory().absolutePath();
        if (!accept) {
            dialog->reject();
            return;
        }
        dialog->selectFile(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QtFileDialogService service(nullptr);
    const std::optional<QString> result =
        saving ? service.getSaveFileName({QStringLiteral("All Files (*)")}, QString())
               : service.getOpenFileName({QStringLiteral("All Files (*)")}, QString());
    QCOMPARE(result.has_value(), accept);
    QVERIFY2(!startedIn.endsWith(QStringLiteral("/visited")), qPrintable(startedIn));
    QCOMPARE(readAll(sharedSettings()), before);
    QVERIFY(!QFile::exists(m_config.filePath(QStringLiteral("QtProject/QtProject.conf"))));
}

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
