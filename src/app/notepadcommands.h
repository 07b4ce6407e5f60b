#pragma once
// What the main window's commands do: the File commands through the document, the
// two conversions, auto save, About and ending the program. The window routes its
// menu items and toolbar buttons here.

#include "base/commondialog.h"
#include "base/dialogs.h"
#include "document/documentcommands.h"
#include "document/documenthost.h"

#include <QString>

#include <functional>
#include <memory>

namespace wimblet {

class AboutDialog;
class Form;
class MenuItem;
class TextBox;
class Timer;

/// The parts of the window the commands act on.
struct CommandTargets {
    Form &window;
    TextBox &txt;
    Timer &Timer1;
    MenuItem &e15, &e30, &e1m;
};

class NotepadCommands : private DocumentHost
{
public:
    NotepadCommands(CommandTargets targets, CommonDialog &fileDialog, MessageBoxService &boxes,
                    DialogGuard &guard, std::function<void()> endProgram);
    ~NotepadCommands() override;

    DocumentCommands &document() { return m_document; }
    AboutDialog &about() { return *m_about; }
    bool hasEnded() const { return m_ended; }

    void ConvertToCuteStyle();
    void ConvertToNormalStyle();
    /// Saves at once, then every `milliseconds`, with a check mark on `item` alone.
    void chooseAutoSaveInterval(MenuItem &item, int milliseconds);
    void stopAutoSave();
    void autoSaveTick() { m_document.AutoSaveTick(); }
    void showAbout();
    void queryUnload(int &cancel);

private:
    // What the document needs of the window.
    QString text() const override;
    void setText(const QString &text) override;
    void setCaption(const QString &caption) override;
    PieceSource textPieces() const override;
    void markSaved() override;
    bool matchesSaved() const override;
    QString savedText() const override;
    void unloadAbout() override;
    void endProgram() override;

    void convertWith(QString (*convert)(const QString &), quint32 colour);

    CommandTargets m_targets;
    MessageBoxService &m_boxes;
    DialogGuard &m_guard;
    std::function<void()> m_endProgram;
    DocumentCommands m_document;
    std::unique_ptr<AboutDialog> m_about;
    bool m_ended = false;
};

} // namespace wimblet
