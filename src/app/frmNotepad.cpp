#include "app/frmNotepad.h"

#include "app/caretstatus.h"
#include "app/composition.h"
#include "app/layout.h"
#include "app/notepadhost.h"
#include "about/aboutdialog.h"
#include "about/frmAbout.h"
#include "document/documentcommands.h"
#include "toolkit/colour.h"

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
    createDialogs(services);
    connectEvents();
    setClientSizeTwips(design::kClientWidth, design::kClientHeight);
    // The layout formula stays non-negative at or above this size.
    float panels = 0;
    for (int i = 2; i <= StatusBar1->panelCount(); ++i)
        panels += StatusBar1->Panels(i)->Width();
    setMinimumClientSizeTwips(panels, design::kToolbarHeight + design::kStatusBarHeight);
    centreOnScreen();
}

frmNotepad::~frmNotepad()
{
    m_about->Unload();
}

namespace {

bool isParentMenu(const char *name)
{
    for (const design::MenuEntry &entry : design::kMenuTree)
        if (entry.parent && qstrcmp(entry.parent, name) == 0)
            return true;
    return false;
}

// The menu items that issue commands, and the members that hold them.
const std::pair<const char *, MenuItem *frmNotepad::*> kItemMembers[] = {
    {"mnuNew", &frmNotepad::mnuNew},   {"mnuOpen", &frmNotepad::mnuOpen},
    {"mnuSave", &frmNotepad::mnuSave}, {"mnuSaveAs", &frmNotepad::mnuSaveAs},
    {"mnuExit", &frmNotepad::mnuExit}, {"e15", &frmNotepad::e15},
    {"e30", &frmNotepad::e30},         {"e1m", &frmNotepad::e1m},
    {"cstop", &frmNotepad::cstop},     {"cgirly", &frmNotepad::cgirly},
    {"cnormal", &frmNotepad::cnormal}, {"mnuAbout", &frmNotepad::mnuAbout},
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
        this->*member = new MenuItem(QString::fromLatin1(name),
                                     m_menuActions.value(QString::fromLatin1(name)), this);
}

void frmNotepad::createToolbar()
{
    Toolbar1 = new Toolbar(this, design::kButtonWidth, design::kButtonHeight);
    for (const design::ToolbarEntry &entry : design::kToolbarButtons)
        Toolbar1->addButton(QString::fromLatin1(entry.key), QString::fromLatin1(entry.toolTip),
                            QIcon(QString::fromLatin1(entry.picture)));
    dockTop(Toolbar1, design::kToolbarHeight);
}

void frmNotepad::createStatusBar()
{
    StatusBar1 = new StatusBar(this);
    for (const design::PanelEntry &entry : design::kStatusPanels)
        StatusBar1->addPanel(entry.isDate ? StatusPanel::DatePanel : StatusPanel::TextPanel,
                             QString::fromLatin1(entry.text), entry.width, entry.minWidth);
    dockBottom(StatusBar1, design::kStatusBarHeight);
}

void frmNotepad::createTextBox()
{
    txt = new TextBox(clientArea());
    QFont font(QString::fromLatin1(design::kTextFont));
    font.setFamilies({QString::fromLatin1(design::kTextFont), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(design::kTextFontPoints);
    font.setWeight(QFont::Normal);
    txt->setFont(font);
    txt->setGeometry(toPixels(design::kTextLeft), toPixels(design::kTextTop),
                     toPixels(design::kTextWidth), toPixels(design::kTextHeight));
    txt->lower(); // the docked bars stay on top where the design overlaps them
    setTabOrder(txt, txt);
    txt->setFocus();
}

void frmNotepad::createTimer()
{
    Timer1 = new Timer(this);
    Timer1->setInterval(0);
    Timer1->setEnabled(false);
}

void frmNotepad::createDialogs(NotepadServices services)
{
    if (!services.messageBox) {
        m_ownMessageBox = std::make_unique<QtMessageBoxService>(this);
        services.messageBox = m_ownMessageBox.get();
    }
    if (!services.fileDialog) {
        m_ownFileDialog = std::make_unique<QtFileDialogService>(this);
        services.fileDialog = m_ownFileDialog.get();
    }
    m_messageBox = services.messageBox;
    m_endProgram = services.endProgram;
    CommonDialog1 = std::make_unique<CommonDialog>(services.fileDialog);
    m_host = std::make_unique<NotepadHost>(*this);
    m_document = std::make_unique<DocumentCommands>(*m_host);
    m_about = std::make_unique<AboutDialog>();
}

void frmNotepad::connectEvents()
{
    connect(txt, &TextBox::Change, this, &frmNotepad::txt_Change);
    connect(txt, &TextBox::Click, this, &frmNotepad::txt_Click);
    connect(txt, &TextBox::KeyUp, this, &frmNotepad::txt_KeyUp);
    connect(Toolbar1, &Toolbar::ButtonClick, this, &frmNotepad::Toolbar1_ButtonClick);
    connect(Timer1, &Timer::Tick, this, &frmNotepad::Timer1_Timer);
    const std::pair<MenuItem *, void (frmNotepad::*)()> clicks[] = {
        {mnuNew, &frmNotepad::mnuNew_Click},     {mnuOpen, &frmNotepad::mnuOpen_Click},
        {mnuSave, &frmNotepad::mnuSave_Click},   {mnuSaveAs, &frmNotepad::mnuSaveAs_Click},
        {mnuExit, &frmNotepad::mnuExit_Click},   {e15, &frmNotepad::e15_Click},
        {e30, &frmNotepad::e30_Click},           {e1m, &frmNotepad::e1m_Click},
        {cstop, &frmNotepad::cstop_Click},       {cgirly, &frmNotepad::cgirly_Click},
        {cnormal, &frmNotepad::cnormal_Click},   {mnuAbout, &frmNotepad::mnuAbout_Click},
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
    in.toolbarHeight = Toolbar1->Height();
    in.panelWidth2 = StatusBar1->Panels(2)->Width();
    in.panelWidth3 = StatusBar1->Panels(3)->Width();
    in.panelWidth4 = StatusBar1->Panels(4)->Width();
    in.panelWidth5 = StatusBar1->Panels(5)->Width();
    const LayoutResult out = computeLayout(in);
    if (!out.apply)
        return;
    txt->setGeometry(txt->x(), toPixels(out.txtTop), toPixels(out.txtWidth),
                     toPixels(out.txtHeight));
    StatusBar1->Panels(1)->setWidth(out.panel1Width);
}

void frmNotepad::RefreshCaretStatus()
{
    CaretStatusTarget target;
    target.queries = &txt->lines();
    auto panelWriter = [this](int index) {
        return [this, index](const QString &text) {
            StatusPanel *panel = StatusBar1->Panels(index);
            if (panel)
                panel->setText(text);
            return panel != nullptr;
        };
    };
    target.setPanel3 = panelWriter(3);
    target.setPanel4 = panelWriter(4);
    target.setFocus = [this] { txt->SetFocus(); };
    refreshCaretStatus(target);
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

} // namespace wimblet
