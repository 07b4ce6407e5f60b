#pragma once
// Gives the document commands the main window's text box, caption, dialogs
// and ending.

#include "document/documenthost.h"

namespace wimblet {

class frmNotepad;

class NotepadHost : public DocumentHost
{
public:
    explicit NotepadHost(frmNotepad &window) : m_window(window) {}

    QString text() const override;
    void setText(const QString &text) override;
    void setCaption(const QString &caption) override;
    int msgBox(const QString &prompt, int style, const QString &title) override;
    void setDialogFilter(const QString &filter) override;
    QString dialogFileName() const override;
    bool showOpen() override;
    bool showSave() override;
    void unloadAbout() override;
    void endProgram() override;

private:
    frmNotepad &m_window;
};

} // namespace wimblet
