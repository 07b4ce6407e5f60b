// The About window's life: one instance at most, shown without an owner, unloaded
// by OK, Enter, Esc and the close box, created afresh by the next Show.
#include "about/aboutdialog.h"
#include "about/frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace wimblet;

namespace {

QList<frmAbout *> aboutWindows(bool visibleOnly = false)
{
    QList<frmAbout *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *f = qobject_cast<frmAbout *>(w); f && (f->isVisible() || !visibleOnly))
            found << f;
    return found;
}

} // namespace

class AboutDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void closesWhenUnloadedBy_data();
    void closesWhenUnloadedBy();
    void showTwiceLeavesOne();
    void showAfterUnloadLoadsAfresh();
    void showRestoresAMinimisedWindow();
    void ownerEndingDiscardsWindow_data();
    void ownerEndingDiscardsWindow();
};

// No test may leave a window behind, shown or hidden.
void AboutDialogTest::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(aboutWindows().size(), 0);
}

void AboutDialogTest::closesWhenUnloadedBy_data()
{
    QTest::addColumn<int>("key"); // 0: click OK, -1: the close box, -2: Unload
    QTest::addColumn<bool>("onIcon"); // the focus on the icon instead of the button
    QTest::addColumn<bool>("unloads");
    QTest::newRow("OK clicked") << 0 << false << true;
    QTest::newRow("close box") << -1 << false << true;
    QTest::newRow("owner's Unload") << -2 << false << true;
    QTest::newRow("Return on OK") << int(Qt::Key_Return) << false << true;
    QTest::newRow("keypad Enter on OK") << int(Qt::Key_Enter) << false << true;
    QTest::newRow("Esc on OK") << int(Qt::Key_Escape) << false << true;
    QTest::newRow("Space on OK") << int(Qt::Key_Space) << false << true;
    QTest::newRow("Return on icon") << int(Qt::Key_Return) << true << true;
    QTest::newRow("Esc on icon") << int(Qt::Key_Escape) << true << true;
    QTest::newRow("letter on OK") << int(Qt::Key_A) << false << false;
    QTest::newRow("Space on icon") << int(Qt::Key_Space) << true << false;
}

void AboutDialogTest::closesWhenUnloadedBy()
{
    QFETCH(int, key);
    QFETCH(bool, onIcon);
    QFETCH(bool, unloads);
    AboutDialog about;
    about.Unload(); // nothing to unload yet
    about.Show();
    QPointer<frmAbout> form = about.instance();
    QVERIFY(form && form->isVisible());
    QWidget *target = onIcon ? static_cast<QWidget *>(form->picIcon) : form->cmdOK;
    target->setFocus();
    if (key == 0)
        QTest::mouseClick(form->cmdOK, Qt::LeftButton);
    else if (key == -1)
        form->windowHandle()->close();
    else if (key == -2)
        about.Unload();
    else
        QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(about.instance(), unloads ? nullptr : form.data());
    QCOMPARE(aboutWindows(true).size(), unloads ? 0 : 1);
    if (unloads)
        QTRY_VERIFY(form.isNull());
}

void AboutDialogTest::showTwiceLeavesOne()
{
    AboutDialog about;
    about.Show();
    frmAbout *first = about.instance();
    about.Show();
    QCOMPARE(about.instance(), first);
    QCOMPARE(aboutWindows().size(), 1);
    QVERIFY(first->isVisible());
    // Modeless and owned by nobody: Show returned with the window open.
    QVERIFY(!first->parentWidget());
    QCOMPARE(first->windowModality(), Qt::NonModal);
}

void AboutDialogTest::showAfterUnloadLoadsAfresh()
{
    AboutDialog about;
    about.Show();
    QPointer<frmAbout> first = about.instance();
    first->lblTitle->clear();
    first->cmdOK->click();
    // Shown again before the old window's deferred deletion has run.
    about.Show();
    frmAbout *second = about.instance();
    QVERIFY(second && second != first && second->isVisible());
    QCOMPARE(second->lblTitle->text(), QStringLiteral("Wimblet"));
    QCOMPARE(second->lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(second->Caption(), QStringLiteral("About Wimblet"));
    QTRY_VERIFY(first.isNull());
    QCOMPARE(aboutWindows().size(), 1);
}

void AboutDialogTest::ownerEndingDiscardsWindow_data()
{
    QTest::addColumn<bool>("unloadFirst");
    QTest::newRow("window open") << false;
    QTest::newRow("unloaded, deletion pending") << true;
}

// The main window may end with the About window open, or just after unloading it,
// without the event loop running again.
void AboutDialogTest::ownerEndingDiscardsWindow()
{
    QFETCH(bool, unloadFirst);
    QPointer<frmAbout> form;
    {
        AboutDialog about;
        about.Show();
        form = about.instance();
        if (unloadFirst)
            about.Unload();
    }
    QVERIFY(form.isNull());
}

void AboutDialogTest::showRestoresAMinimisedWindow()
{
    AboutDialog about;
    about.Show();
    frmAbout *form = about.instance();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    about.Show(); // from the menu or the toolbar: the one instance comes back
    QCOMPARE(about.instance(), form);
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(form->isVisible());
    QCOMPARE(aboutWindows(true).size(), 1);
    about.Unload();
}

QTEST_MAIN(AboutDialogTest)
#include "tst_aboutdialog.moc"
