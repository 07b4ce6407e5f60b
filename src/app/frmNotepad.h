#pragma once
// The main window: composition, layout and the routing of its events.

#include "toolkit/commondialog.h"
#include "toolkit/form.h"
#include "toolkit/menuitem.h"
#include "toolkit/messagebox.h"
#include "toolkit/statusbar.h"
#include "textbox/textbox.h"
#include "toolkit/timer.h"
#include "toolkit/toolbar.h"

#include <QHash>
#include <functional>
#include <memory>

class QMenu;

namespace wimblet {

class AboutDialog;
class DocumentCommands;
class NotepadHost;

// Dialog services; tests pass scripted doubles, the program the real dialogs.
struct NotepadServices {
    MessageBoxService *messageBox = nullptr;
    FileDialogService *fileDialog = nullptr;
    // Ends the program; the default leaves the event loop at once.
    std::function<void()> endProgram;
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
    void ConvertToCuteStyle();
    void ConvertToNormalStyle();

    DocumentCommands &document() { return *m_document; }
    AboutDialog &about() { return *m_about; }
    bool hasEnded() const { return m_ended; }

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
    void createDialogs(NotepadServices services);
    void connectEvents();

    void txt_Change();
    void txt_Click();
    void txt_KeyUp(int keyCode, int shift);
    void chooseAutoSaveInterval(MenuItem *item, int milliseconds);
    void convertWith(QString (*convert)(const QString &), quint32 colour);
    int showMessage(const QString &prompt, int style);
    void endProgram();

    friend class NotepadHost;

    QHash<QString, QAction *> m_menuActions;
    std::unique_ptr<MessageBoxService> m_ownMessageBox;
    std::unique_ptr<FileDialogService> m_ownFileDialog;
    MessageBoxService *m_messageBox = nullptr;
    std::function<void()> m_endProgram;
    std::unique_ptr<NotepadHost> m_host;
    std::unique_ptr<DocumentCommands> m_document;
    std::unique_ptr<AboutDialog> m_about;
    int m_ownPrompts = 0; // message boxes of the window itself that are open
    bool m_ended = false;
};

} // namespace wimblet
