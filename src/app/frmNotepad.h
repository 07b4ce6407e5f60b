#pragma once
// The main window: its components, layout and caret status, and the routing of its
// events to the commands.

#include "app/caretstatus.h"
#include "app/notepadcommands.h"
#include "base/commondialog.h"
#include "base/dialogs.h"
#include "textbox/textbox.h"
#include "toolkit/form.h"
#include "toolkit/menuitem.h"
#include "toolkit/statusbar.h"
#include "toolkit/timer.h"
#include "toolkit/toolbar.h"

#include <QHash>
#include <functional>
#include <memory>

namespace wimblet {

/// Dialog services; tests pass scripted doubles, the program the real dialogs.
struct NotepadServices {
    MessageBoxService *messageBox = nullptr;
    FileDialogService *fileDialog = nullptr;
    /// Ends the program; the default leaves the event loop at once.
    std::function<void()> endProgram;
};

/// The window's components, named as the rest of the program refers to them.
struct NotepadComponents {
    TextBox *txt = nullptr;
    StatusBar *StatusBar1 = nullptr;
    Toolbar *Toolbar1 = nullptr;
    Timer *Timer1 = nullptr;
    MenuItem *mnuNew = nullptr, *mnuOpen = nullptr, *mnuSave = nullptr, *mnuSaveAs = nullptr,
             *mnuExit = nullptr;
    MenuItem *e15 = nullptr, *e30 = nullptr, *e1m = nullptr, *cstop = nullptr;
    MenuItem *cgirly = nullptr, *cnormal = nullptr, *mnuAbout = nullptr;
};

class frmNotepad : public Form
{
    Q_OBJECT

public:
    explicit frmNotepad(NotepadServices services = {});
    ~frmNotepad() override;

    const NotepadComponents &components() const { return m_c; }
    const CommonDialog &commonDialog() const { return *m_commonDialog; }
    /// The menu entries by name (parents and separators included), in creation order.
    const QHash<QString, QAction *> &menuActions() const { return m_menuActions; }
    NotepadCommands &commands() { return *m_commands; }
    DocumentCommands &document() { return m_commands->document(); }
    AboutDialog &about() { return m_commands->about(); }
    bool hasEnded() const { return m_commands->hasEnded(); }

    void RefreshCaretStatus();
    // The status figures only, leaving the focus where it is.
    void RefreshStatusFigures();

    // Event procedures.
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuExit_Click();
    void e15_Click();
    void e30_Click();
    void e1m_Click();
    void cstop_Click();
    void cgirly_Click();
    void cnormal_Click();
    void mnuAbout_Click();
    void Toolbar1_ButtonClick(const QString &key);
    void Timer1_Timer();

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;

private:
    void createMenus();
    void createToolbar();
    void createStatusBar();
    void createTextBox();
    void createTimer();
    void createCommands(NotepadServices services);
    void connectEvents();

    void txt_Change();
    void txt_Click();
    void txt_KeyUp(int keyCode, int shift);
    void txt_LinesCounted();
    CaretStatusTarget statusTarget(bool takeFocus);
    void markProvisionalFigures();

    NotepadComponents m_c;
    QHash<QString, QAction *> m_menuActions;
    std::unique_ptr<MessageBoxService> m_ownMessageBox;
    std::unique_ptr<FileDialogService> m_ownFileDialog;
    DialogGuard m_dialogGuard;
    std::unique_ptr<CommonDialog> m_commonDialog;
    std::unique_ptr<NotepadCommands> m_commands;
};

} // namespace wimblet
