// The main window as it is built: menus, toolbar, status bar, text box, timer.
#include "app/frmNotepad.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

using namespace wimblet;

class CompositionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_window = std::make_unique<frmNotepad>(); }
    void cleanup() { m_window.reset(); }

    void menuItemsHaveTheirCaptionsAndKeys_data();
    void menuItemsHaveTheirCaptionsAndKeys();
    void menuOrderAndSeparators();
    void toolbarButtonsHaveKeysTooltipsAndPictures_data();
    void toolbarButtonsHaveKeysTooltipsAndPictures();
    void statusPanelsStartWithTheirTextsAndWidths_data();
    void statusPanelsStartWithTheirTextsAndWidths();
    void everythingStartsEnabledUncheckedAndEmpty();
    void textBoxHasItsFontScrollBarAndFocus();
    void firstWindowHasTheDesignedSizeCentred();

private:
    std::unique_ptr<frmNotepad> m_window;
};

void CompositionTest::menuItemsHaveTheirCaptionsAndKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QKeySequence>("shortcut");
    const QKeySequence none;
    QTest::newRow("mnuFile") << "mnuFile" << "File" << "" << none;
    QTest::newRow("mnuNew") << "mnuNew" << "New" << "mnuFile" << QKeySequence(Qt::CTRL | Qt::Key_N);
    QTest::newRow("mnuOpen") << "mnuOpen" << "Open" << "mnuFile" << QKeySequence(Qt::CTRL | Qt::Key_O);
    QTest::newRow("mnuSave") << "mnuSave" << "Save" << "mnuFile" << QKeySequence(Qt::CTRL | Qt::Key_S);
    QTest::newRow("mnuSaveAs") << "mnuSaveAs" << "Save As" << "mnuFile" << QKeySequence(Qt::Key_F8);
    QTest::newRow("mnuExit") << "mnuExit" << "Exit" << "mnuFile" << QKeySequence(Qt::Key_F9);
    QTest::newRow("ctools") << "ctools" << "Tools" << "" << none;
    QTest::newRow("casave") << "casave" << "Auto Save" << "ctools" << none;
    QTest::newRow("e15") << "e15" << "Every 15 seconds" << "casave" << none;
    QTest::newRow("e30") << "e30" << "Every 30 seconds" << "casave" << none;
    QTest::newRow("e1m") << "e1m" << "Every 60 seconds" << "casave" << none;
    QTest::newRow("cstop") << "cstop" << "Stop" << "casave" << none;
    QTest::newRow("cconvert") << "cconvert" << "Convert Text" << "ctools" << none;
    QTest::newRow("cgirly") << "cgirly" << "Normal --> Cute StyLe " << "cconvert" << none;
    QTest::newRow("cnormal") << "cnormal" << "Cute StyLe --> Normal" << "cconvert" << none;
    QTest::newRow("mnuHelp") << "mnuHelp" << "Help" << "" << none;
    QTest::newRow("mnuAbout") << "mnuAbout" << "About" << "mnuHelp" << QKeySequence(Qt::Key_F1);
}

// The menu whose action list holds `action`, found by walking from the menu bar.
static QString parentName(QMenuBar *bar, QAction *action)
{
    if (bar->actions().contains(action))
        return QString();
    for (QMenu *menu : bar->findChildren<QMenu *>())
        if (menu->actions().contains(action))
            return menu->menuAction()->objectName();
    return QStringLiteral("?");
}

void CompositionTest::menuItemsHaveTheirCaptionsAndKeys()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, parent);
    QFETCH(QKeySequence, shortcut);
    QAction *action = m_window->menuActions().value(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    QCOMPARE(parentName(m_window->menuBar(), action), parent);
    QCOMPARE(action->shortcut(), shortcut);
    QVERIFY(action->isEnabled());
    QVERIFY(action->isVisible());
    QVERIFY(!action->isChecked());
}

void CompositionTest::menuOrderAndSeparators()
{
    auto texts = [](QMenu *menu) {
        QStringList out;
        for (QAction *a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    QMenuBar *bar = m_window->menuBar();
    QStringList top;
    for (QAction *a : bar->actions())
        top << a->text();
    QCOMPARE(top, QStringList({"File", "Tools", "Help"}));
    const auto &actions = m_window->menuActions();
    QCOMPARE(texts(actions["mnuFile"]->menu()),
             QStringList({"New", "Open", "-", "Save", "Save As", "-", "Exit"}));
    QCOMPARE(texts(actions["ctools"]->menu()), QStringList({"Auto Save", "Convert Text"}));
    QCOMPARE(texts(actions["casave"]->menu()),
             QStringList({"Every 15 seconds", "Every 30 seconds", "Every 60 seconds", "Stop"}));
    QCOMPARE(texts(actions["cconvert"]->menu()),
             QStringList({"Normal --> Cute StyLe ", "Cute StyLe --> Normal"}));
    QCOMPARE(texts(actions["mnuHelp"]->menu()), QStringList({"About"}));
    QVERIFY(actions.contains("ss") && actions["ss"]->isSeparator());
    QVERIFY(actions.contains("sss") && actions["sss"]->isSeparator());
}

void CompositionTest::toolbarButtonsHaveKeysTooltipsAndPictures_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("1") << 0 << "mnew" << "Create New File";
    QTest::newRow("2") << 1 << "mopen" << "Open File";
    QTest::newRow("3") << 2 << "msave" << "Save File";
    QTest::newRow("4") << 3 << "mnormal" << "Convert Text to Normal Style";
    QTest::newRow("5") << 4 << "mcute" << "Convert Text to Cute Style";
    QTest::newRow("6") << 5 << "mabout" << "About Wimblet";
    QTest::newRow("7") << 6 << "mclose" << "Exit";
}

void CompositionTest::toolbarButtonsHaveKeysTooltipsAndPictures()
{
    QFETCH(int, position);
    QFETCH(QString, key);
    QFETCH(QString, toolTip);
    QCOMPARE(m_window->components().Toolbar1->buttonCount(), 7);
    QToolButton *button = m_window->components().Toolbar1->button(position);
    QCOMPARE(Toolbar::keyOf(button), key);
    QCOMPARE(button->toolTip(), toolTip);
    QCOMPARE(button->accessibleName(), toolTip);
    QVERIFY(button->text().isEmpty() || button->toolButtonStyle() == Qt::ToolButtonIconOnly);
    QVERIFY(!button->icon().isNull());
    QVERIFY(!button->isCheckable());
    QVERIFY(button->isEnabled());
    // 465 x 420 twips, side by side with no gaps.
    const int w = m_window->toPixels(465);
    QCOMPARE(button->size(), QSize(w, m_window->toPixels(420)));
    QCOMPARE(button->x(), position * w);
}

void CompositionTest::statusPanelsStartWithTheirTextsAndWidths_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("minWidth");
    QTest::addColumn<QString>("text"); // empty: not fixed at creation
    QTest::newRow("1 maker") << 1 << 1440.0f << 1440.0f << "";
    QTest::newRow("2 version") << 2 << 1440.0f << 1440.0f << "v1.0";
    QTest::newRow("3 caret") << 3 << 1005.0f << 1000.0f << "";
    QTest::newRow("4 lines") << 4 << 1005.0f << 1000.0f << "";
    QTest::newRow("5 date") << 5 << 1440.0f << 1440.0f << "";
}

void CompositionTest::statusPanelsStartWithTheirTextsAndWidths()
{
    QFETCH(int, index);
    QFETCH(float, width);
    QFETCH(float, minWidth);
    QFETCH(QString, text);
    QCOMPARE(m_window->components().StatusBar1->panelCount(), 5);
    StatusPanel *panel = m_window->components().StatusBar1->Panels(index);
    QVERIFY(panel);
    QCOMPARE(panel->Width(), width);
    QCOMPARE(panel->MinWidth(), minWidth);
    if (!text.isEmpty())
        QCOMPARE(panel->Text(), text);
    QVERIFY(!m_window->components().StatusBar1->Panels(0));
    QVERIFY(!m_window->components().StatusBar1->Panels(6));
}

void CompositionTest::everythingStartsEnabledUncheckedAndEmpty()
{
    QCOMPARE(m_window->Caption(), QStringLiteral("Wimblet"));
    QCOMPARE(m_window->components().Timer1->Enabled(), false);
    QCOMPARE(m_window->components().Timer1->Interval(), 0);
    QVERIFY(m_window->components().txt->Text().isEmpty());
    for (MenuItem *item : {m_window->components().e15, m_window->components().e30, m_window->components().e1m, m_window->components().cstop})
        QVERIFY(!item->Checked() && !item->action()->isChecked());
    QVERIFY(m_window->commonDialog().FileName().isEmpty());
    // The date panel shows today's date and refuses other texts.
    StatusPanel *date = m_window->components().StatusBar1->Panels(5);
    QCOMPARE(date->Text(), StatusBar::shortDateText(QDate::currentDate(), QLocale::system()));
    date->setText(QStringLiteral("x"));
    QVERIFY(date->Text() != QLatin1String("x"));
}

void CompositionTest::textBoxHasItsFontScrollBarAndFocus()
{
    TextBox *txt = m_window->components().txt;
    QCOMPARE(txt->font().pointSizeF(), 9.75);
    QCOMPARE(txt->font().families().value(0), QStringLiteral("Lucida Console"));
    QVERIFY(QFontInfo(txt->font()).fixedPitch());
    QCOMPARE(txt->font().weight(), QFont::Normal);
    QVERIFY(!txt->font().italic() && !txt->font().underline() && !txt->font().strikeOut());
    QCOMPARE(txt->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // A line longer than the box wraps at its width, and keys edit the text.
    txt->setText(QString(1000, u'w'));
    QVERIFY(txt->rowCount() > 1);
    txt->setText(QString());
    QTest::keyClick(txt, Qt::Key_A);
    QCOMPARE(txt->Text(), QStringLiteral("a"));
    QCOMPARE(txt->x(), 0);
}

void CompositionTest::firstWindowHasTheDesignedSizeCentred()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->clientArea()->size(),
             QSize(m_window->toPixels(10215), m_window->toPixels(6855)));
    if (m_window->logicalDpiY() == 96)
        QCOMPARE(m_window->clientArea()->size(), QSize(681, 457));
    const QPoint centre = m_window->screen()->availableGeometry().center();
    // Placed before the window manager adds its frame: allow for the frame's width.
    const int slack = 1 + qMax(m_window->frameGeometry().width() - m_window->width(),
                               m_window->frameGeometry().height() - m_window->height());
    QVERIFY(qAbs(m_window->frameGeometry().center().x() - centre.x()) <= slack);
    QVERIFY(qAbs(m_window->frameGeometry().center().y() - centre.y()) <= slack);
}

QTEST_MAIN(CompositionTest)
#include "tst_composition.moc"
