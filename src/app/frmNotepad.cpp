#include "app/frmNotepad.h"

#include "app/caretstatus.h"
#include "app/composition.h"
#include "app/layout.h"
#include "toolkit/qtdialogs.h"

#include <QFontDatabase>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

namespace wimblet {

frmNotepad::frmNotepad(NotepadServices services)
{
    setWindowIcon(QIcon(QString::fromLatin1(design::kProgramIcon)));
    setCaption(QString::fromLatin1(design::kCaption));
    createMenus();
    createToolbar();
    createStatusBar();
    createTextBox();
    createTimer();
    createCommands(std::move(services));
    connectEvents();
    setClientSizeTwips(design::kClientWidth, design::kClientHeight);
    // The layout formula stays non-negative at or above this size.
    float panels = 0;
    for (int i = 2; i <= m_c.StatusBar1->panelCount(); ++i)
        panels += m_c.StatusBar1->Panels(i)->Width();
    setMinimumClientSizeTwips(panels, design::kToolbarHeight + design::kStatusBarHeight);
    centreOnScreen();
}

frmNotepad::~frmNotepad() = default;

namespace {

bool isParentMenu(const char *name)
{
    for (const design::MenuEntry &entry : design::kMenuTree)
        if (entry.parent && qstrcmp(entry.parent, name) == 0)
            return true;
    return false;
}

// The menu items that issue commands, and the members that hold them.
const std::pair<const char *, MenuItem *NotepadComponents::*> kItemMembers[] = {
    {"mnuNew", &NotepadComponents::mnuNew},   {"mnuOpen", &NotepadComponents::mnuOpen},
    {"mnuSave", &NotepadComponents::mnuSave}, {"mnuSaveAs", &NotepadComponents::mnuSaveAs},
    {"mnuExit", &NotepadComponents::mnuExit}, {"e15", &NotepadComponents::e15},
    {"e30", &NotepadComponents::e30},         {"e1m", &NotepadComponents::e1m},
    {"cstop", &NotepadComponents::cstop},     {"cgirly", &NotepadComponents::cgirly},
    {"cnormal", &NotepadComponents::cnormal}, {"mnuAbout", &NotepadComponents::mnuAbout},
};

} // namespace

void frmNotepad::createMenus()
{
    QHash<QString, QMenu *> menus;
    for (const design::MenuEntry &entry : design::kMenuTree) {
        const QString name = QString::fromLatin1(entry.name);
        const QString caption = QString::fromLatin1(entry.caption);
        QMenu *parent = entry.parent ? menus.value(QString::fromLatin1(entry.parent)) : nullptr;
        QAction *action = nullptr;
        if (caption == QLatin1String("-")) {
            action = parent->addSeparator();
        } else if (isParentMenu(entry.name)) {
            QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
            menus.insert(name, menu);
            action = menu->menuAction();
        } else {
            action = parent->addAction(caption);
            action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        action->setObjectName(name);
        m_menuActions.insert(name, action);
    }
    for (const auto &[name, member] : kItemMembers)
        m_c.*member = new MenuItem(QString::fromLatin1(name),
                                     m_menuActions.value(QString::fromLatin1(name)), this);
}

void frmNotepad::createToolbar()
{
    m_c.Toolbar1 = new Toolbar(this, design::kButtonWidth, design::kButtonHeight);
    for (const design::ToolbarEntry &entry : design::kToolbarButtons)
        m_c.Toolbar1->addButton(QString::fromLatin1(entry.key), QString::fromLatin1(entry.toolTip),
                            QIcon(QString::fromLatin1(entry.picture)));
    dockTop(m_c.Toolbar1, design::kToolbarHeight);
}

void frmNotepad::createStatusBar()
{
    m_c.StatusBar1 = new StatusBar(this);
    for (const design::PanelEntry &entry : design::kStatusPanels)
        m_c.StatusBar1->addPanel(entry.isDate ? StatusPanel::DatePanel : StatusPanel::TextPanel,
                             QString::fromLatin1(entry.text), entry.width, entry.minWidth);
    dockBottom(m_c.StatusBar1, design::kStatusBarHeight);
}

void frmNotepad::createTextBox()
{
    m_c.txt = new TextBox(clientArea());
    m_c.txt->setFont(design::textFont());
    m_c.txt->setGeometry(toPixels(design::kTextLeft), toPixels(design::kTextTop),
                     toPixels(design::kTextWidth), toPixels(design::kTextHeight));
    m_c.txt->lower(); // the docked bars stay on top where the design overlaps them
    setTabOrder(m_c.txt, m_c.txt);
    m_c.txt->setFocus();
}

void frmNotepad::createTimer()
{
    m_c.Timer1 = new Timer(this);
    m_c.Timer1->setInterval(0);
    m_c.Timer1->setEnabled(false);
}

void frmNotepad::createCommands(NotepadServices services)
{
    if (!services.messageBox) {
        m_ownMessageBox = std::make_unique<QtMessageBoxService>(this);
        services.messageBox = m_ownMessageBox.get();
    }
    if (!services.fileDialog) {
        m_ownFileDialog = std::make_unique<QtFileDialogService>(this);
        services.fileDialog = m_ownFileDialog.get();
    }
    m_commonDialog = std::make_unique<CommonDialog>(*services.fileDialog, m_dialogGuard);
    m_commands = std::make_unique<NotepadCommands>(
        CommandTargets{*this, *m_c.txt, *m_c.Timer1, *m_c.e15, *m_c.e30, *m_c.e1m},
        *m_commonDialog, *services.messageBox, m_dialogGuard, std::move(services.endProgram));
}

void frmNotepad::connectEvents()
{
    connect(m_c.txt, &TextBox::Change, this, &frmNotepad::txt_Change);
    connect(m_c.txt, &TextBox::Click, this, &frmNotepad::txt_Click);
    connect(m_c.txt, &TextBox::KeyUp, this, &frmNotepad::txt_KeyUp);
    connect(m_c.txt, &TextBox::LinesCounted, this, &frmNotepad::txt_LinesCounted);
    connect(m_c.Toolbar1, &Toolbar::ButtonClick, this, &frmNotepad::Toolbar1_ButtonClick);
    connect(m_c.Timer1, &Timer::Tick, this, &frmNotepad::Timer1_Timer);
    const std::pair<MenuItem *, void (frmNotepad::*)()> clicks[] = {
        {m_c.mnuNew, &frmNotepad::mnuNew_Click},     {m_c.mnuOpen, &frmNotepad::mnuOpen_Click},
        {m_c.mnuSave, &frmNotepad::mnuSave_Click},   {m_c.mnuSaveAs, &frmNotepad::mnuSaveAs_Click},
        {m_c.mnuExit, &frmNotepad::mnuExit_Click},   {m_c.e15, &frmNotepad::e15_Click},
        {m_c.e30, &frmNotepad::e30_Click},           {m_c.e1m, &frmNotepad::e1m_Click},
        {m_c.cstop, &frmNotepad::cstop_Click},       {m_c.cgirly, &frmNotepad::cgirly_Click},
        {m_c.cnormal, &frmNotepad::cnormal_Click},   {m_c.mnuAbout, &frmNotepad::mnuAbout_Click},
    };
    for (const auto &[item, handler] : clicks)
        connect(item, &MenuItem::Click, this, handler);
}

void frmNotepad::Form_Load()
{
    RefreshCaretStatus();
}

void frmNotepad::Form_Resize()
{
    LayoutInput in;
    in.windowState = WindowState();
    in.scaleWidth = ScaleWidth();
    in.scaleHeight = ScaleHeight();
    in.toolbarHeight = m_c.Toolbar1->Height();
    in.panelWidth2 = m_c.StatusBar1->Panels(2)->Width();
    in.panelWidth3 = m_c.StatusBar1->Panels(3)->Width();
    in.panelWidth4 = m_c.StatusBar1->Panels(4)->Width();
    in.panelWidth5 = m_c.StatusBar1->Panels(5)->Width();
    const LayoutResult out = computeLayout(in);
    if (!out.apply)
        return;
    m_c.txt->setGeometry(m_c.txt->x(), toPixels(out.txtTop), toPixels(out.txtWidth),
                     toPixels(out.txtHeight));
    m_c.StatusBar1->Panels(1)->setWidth(out.panel1Width);
}

void frmNotepad::RefreshCaretStatus()
{
    m_c.txt->forgetLineGuesses();
    refreshCaretStatus(statusTarget(true));
    markProvisionalFigures();
}

void frmNotepad::RefreshStatusFigures()
{
    m_c.txt->forgetLineGuesses();
    refreshCaretStatus(statusTarget(false));
    markProvisionalFigures();
}

void frmNotepad::markProvisionalFigures()
{
    // The panels' text stays as the refresh wrote it; a figure read while the lines
    // were still being counted looks provisional until an exact one replaces it.
    const ViewLineQueries::Guesses guesses = m_c.txt->lineGuesses();
    if (StatusPanel *panel = m_c.StatusBar1->Panels(3))
        panel->setProvisional(guesses.line);
    if (StatusPanel *panel = m_c.StatusBar1->Panels(4))
        panel->setProvisional(guesses.count);
}

CaretStatusTarget frmNotepad::statusTarget(bool takeFocus)
{
    CaretStatusTarget target;
    target.queries = &m_c.txt->lines();
    auto panelWriter = [this](int index) {
        return [this, index](const QString &text) {
            StatusPanel *panel = m_c.StatusBar1->Panels(index);
            if (panel)
                panel->setText(text);
            return panel != nullptr;
        };
    };
    target.setPanel3 = panelWriter(3);
    target.setPanel4 = panelWriter(4);
    if (takeFocus)
        target.setFocus = [this] { m_c.txt->SetFocus(); };
    return target;
}

void frmNotepad::txt_Change()
{
    RefreshCaretStatus();
}

void frmNotepad::txt_Click()
{
    RefreshCaretStatus();
}

void frmNotepad::txt_KeyUp(int, int)
{
    RefreshCaretStatus();
}

void frmNotepad::txt_LinesCounted()
{
    // Counting ends in idle time, perhaps while a menu or dialog has the focus.
    RefreshStatusFigures();
}

void frmNotepad::mnuNew_Click()
{
    document().New();
}

void frmNotepad::mnuOpen_Click()
{
    document().Open();
}

void frmNotepad::mnuSave_Click()
{
    document().Save();
}

void frmNotepad::mnuSaveAs_Click()
{
    document().SaveAs();
}

void frmNotepad::mnuExit_Click()
{
    document().Exit();
}

void frmNotepad::Form_QueryUnload(int &cancel, int)
{
    m_commands->queryUnload(cancel);
}

void frmNotepad::e15_Click()
{
    m_commands->chooseAutoSaveInterval(*m_c.e15, 15000);
}

void frmNotepad::e30_Click()
{
    m_commands->chooseAutoSaveInterval(*m_c.e30, 30000);
}

void frmNotepad::e1m_Click()
{
    m_commands->chooseAutoSaveInterval(*m_c.e1m, 60000);
}

void frmNotepad::cstop_Click()
{
    m_commands->stopAutoSave();
}

void frmNotepad::Timer1_Timer()
{
    m_commands->autoSaveTick();
}

void frmNotepad::cgirly_Click()
{
    m_commands->ConvertToCuteStyle();
}

void frmNotepad::cnormal_Click()
{
    m_commands->ConvertToNormalStyle();
}

void frmNotepad::mnuAbout_Click()
{
    m_commands->showAbout();
}

void frmNotepad::Toolbar1_ButtonClick(const QString &key)
{
    // Keys are compared whole and case-sensitively, in this order.
    const std::pair<const char *, void (frmNotepad::*)()> routes[] = {
        {"mnew", &frmNotepad::mnuNew_Click},    {"mopen", &frmNotepad::mnuOpen_Click},
        {"msave", &frmNotepad::mnuSave_Click},  {"mnormal", &frmNotepad::cnormal_Click},
        {"mcute", &frmNotepad::cgirly_Click},   {"mabout", &frmNotepad::mnuAbout_Click},
        {"mclose", &frmNotepad::mnuExit_Click},
    };
    for (const auto &[routeKey, operation] : routes) {
        if (key == QLatin1String(routeKey)) {
            (this->*operation)();
            return;
        }
    }
}

} // namespace wimblet
