#pragma once
// The document: its state, its file operations and the File commands with the
// unsaved-changes prompt. Written against DocumentHost and the dialog services so
// that it runs the same in the window and in tests.

#include "base/commondialog.h"
#include "base/dialogs.h"
#include "base/msgbox.h"
#include "document/documenthost.h"
#include "encoding/textencoding.h"

#include <QString>

namespace wimblet {

class DocumentCommands
{
public:
    DocumentCommands(DocumentHost &host, CommonDialog &fileDialog, MessageBoxService &boxes,
                     DialogGuard &guard);

    /// Document state: the file the document belongs to (empty while untitled) and
    /// the text as last read from or written to a file.
    const QString &CurrentFileName() const { return m_currentFileName; }
    QString SavedText() const { return m_host.savedText(); }
    /// The encoding the document was read in and is written back in.
    TextEncoding encoding() const { return m_encoding; }
    bool isChanged() const { return !m_host.matchesSaved(); }

    /// Reads `path` into the text box; on failure reports it and changes nothing.
    bool LoadDocumentFile(const QString &path);

    bool SaveDocumentAs();
    bool SaveDocument();
    bool ConfirmSaveChanges();

    // The commands.
    void New();
    void Open();
    void Save() { SaveDocument(); }
    void SaveAs() { SaveDocumentAs(); }
    void Exit();
    /// The request to close the main window; always refused, the program ends on its own.
    void QueryUnload(int &cancel);
    /// A tick of the auto-save timer.
    void AutoSaveTick();

    static const QString kTitle;
    static const QString kFilter;
    static const QString kSavePrompt;
    static constexpr int kPromptStyleCommand = MsgBox::YesNoCancel + MsgBox::Question;
    static constexpr int kPromptStyleClose = MsgBox::YesNoCancel + MsgBox::Information;
    static constexpr int kErrorStyle = MsgBox::OKOnly + MsgBox::Critical;

private:
    enum class Saved { Yes, Cancelled, Failed };
    // Auto save tells of a failure once, until a save succeeds again; every other
    // save reports its own.
    enum class Failures { Report, QuietOnceReported };
    struct DialogSave {
        Saved saved;
        QString path; // the chosen file, when one was chosen
    };

    bool WriteDocumentFile(const QString &path, Failures failures);
    DialogSave SaveWithDialog();
    void ClearDocument();
    Saved saveDocumentAs();
    Saved saveDocument(Failures failures);
    int prompt(int style);
    void reportError(const QString &message, Failures failures);

    DocumentHost &m_host;
    CommonDialog &m_fileDialog;
    MessageBoxService &m_boxes;
    DialogGuard &m_guard;
    QString m_currentFileName;
    TextEncoding m_encoding = TextEncoding::Utf8;
    int m_trailingByte = -1; // the odd last byte of a UTF-16 file, written back after the text
    bool m_failureReported = false; // and no save has succeeded since
};

} // namespace wimblet
