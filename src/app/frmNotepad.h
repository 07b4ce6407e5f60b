#pragma once
// The main window: composition, layout and the routing of its events.

#include "toolkit/commondialog.h"
#include "toolkit/form.h"
#include "toolkit/menuitem.h"
#include "toolkit/messagebox.h"
#include "toolkit/statusbar.h"
#include "toolkit/textbox.h"
#include "toolkit/timer.h"
#include "toolkit/toolbar.h"

#include <QHash>
#include <memory>

class QMenu;

namespace wimblet {

// Dialog services; tests pass scripted doubles, the program the real dialogs.
struct NotepadServices {
    MessageBoxService *messageBox = nullptr;
    FileDialogService *fileDialog = nullptr;
};

class frmNotepad : public Form
{
    Q_OBJECT

public:
    explicit frmNotepad(NotepadServices services = {});
    ~frmNotepad() override;

    // Components, named as the rest of the program refers to them.
    TextBox *txt = nullptr;
    StatusBar *StatusBar1 = nullptr;
    Toolbar *Toolbar1 = nullptr;
    Timer *Timer1 = nullptr;
    std::unique_ptr<CommonDialog> CommonDialog1;

    MenuItem *mnuNew = nullptr, *mnuOpen = nullptr, *mnuSave = nullptr, *mnuSaveAs = nullptr,
             *mnuExit = nullptr;
    MenuItem *e15 = nullptr, *e30 = nullptr, *e1m = nullptr, *cstop = nullptr;
    MenuItem *cgirly = nullptr, *cnormal = nullptr, *mnuAbout = nullptr;

    // The menu entries by name (parents and separators included), in creation order.
    const QHash<QString, QAction *> &menuActions() const { return m_menuActions; }

    void RefreshCaretStatus();

protected:
    void Form_Load() override;
    void Form_Resize() override;

private:
    void createMenus();
    void createToolbar();
    void createStatusBar();
    void createTextBox();
    void createTimer();
    void createDialogs(NotepadServices services);
    void connectEvents();

    void txt_Change();
    void txt_Click();
    void txt_KeyUp(int keyCode, int shift);
    void Toolbar1_ButtonClick(const QString &key);

    QHash<QString, QAction *> m_menuActions;
    std::unique_ptr<MessageBoxService> m_ownMessageBox;
    std::unique_ptr<FileDialogService> m_ownFileDialog;
    MessageBoxService *m_messageBox = nullptr;
};

} // namespace wimblet
