#pragma once
// The document: its state, its file operations and the File commands with the
// unsaved-changes prompt. Written against DocumentHost so that it runs the same
// in the window and in tests.

#include "document/documenthost.h"
#include "encoding/textencoding.h"

#include <QString>

namespace wimblet {

class DocumentCommands
{
public:
    explicit DocumentCommands(DocumentHost &host) : m_host(host) {}

    // Document state.
    QString CurrentFileName;
    QString SavedText;
    // The encoding the document was read in and is written back in.
    TextEncoding encoding() const { return m_encoding; }
    bool isChanged() const { return m_host.text() != SavedText; }

    // File operations. WriteDocumentFile and LoadDocumentFile report a failure
    // in a message box and return false, leaving everything as it was.
    bool WriteDocumentFile(const QString &path);
    bool LoadDocumentFile(const QString &path);
    bool SaveWithDialog();
    void ClearDocument();

    bool SaveDocumentAs();
    bool SaveDocument();
    bool ConfirmSaveChanges();

    // The commands.
    void New();
    void Open();
    void Save() { SaveDocument(); }
    void SaveAs() { SaveDocumentAs(); }
    void Exit();
    // The request to close the main window; always refused, the program ends on its own.
    void QueryUnload(int &cancel);
    // A tick of the auto-save timer.
    void AutoSaveTick();

    // True while one of the document's prompts or file dialogs is open.
    bool isBusy() const { return m_busy > 0; }

    static const QString kTitle;
    static const QString kFilter;
    static const QString kSavePrompt;
    static constexpr int kPromptStyleCommand = 35; // Yes/No/Cancel, question
    static constexpr int kPromptStyleClose = 67;   // Yes/No/Cancel, information
    static constexpr int kErrorStyle = 16;         // OK, critical

private:
    class Busy;
    int prompt(int style);
    bool chooseFile(bool forSaving);
    void reportError(const QString &message);

    DocumentHost &m_host;
    TextEncoding m_encoding = TextEncoding::Utf8;
    int m_busy = 0;
    QString m_lastWritten;            // the text the last successful write put on disk
    bool m_lastSaveFailed = false;    // the last write was attempted and failed
    bool m_quietFailures = false;     // auto save: report a failure only once
    bool m_failureReported = false;
};

} // namespace wimblet
