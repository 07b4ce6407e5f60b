#include "document/documentcommands.h"

#include "document/documentfile.h"
#include "document/fileio.h"

namespace wimblet {

const QString DocumentCommands::kTitle = QStringLiteral("Wimblet");
const QString DocumentCommands::kFilter = QStringLiteral("All Files|*.*");
const QString DocumentCommands::kSavePrompt = QStringLiteral("Do you want to save the changes?");

namespace {
QString titledCaption(const QString &path)
{
    return QStringLiteral("Wimblet - ") + path;
}
} // namespace

// Marks a prompt or file dialog of the document as open, for auto save to wait.
class DocumentCommands::Busy
{
public:
    explicit Busy(DocumentCommands &d) : m_d(d) { ++m_d.m_busy; }
    ~Busy() { --m_d.m_busy; }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    DocumentCommands &m_d;
};

int DocumentCommands::prompt(int style)
{
    const Busy busy(*this);
    return m_host.msgBox(kSavePrompt, style, kTitle);
}

void DocumentCommands::reportError(const QString &message)
{
    if (m_quietFailures && m_failureReported)
        return;
    m_failureReported = m_quietFailures;
    const Busy busy(*this);
    m_host.msgBox(message, kErrorStyle, kTitle);
}

bool DocumentCommands::WriteDocumentFile(const QString &path)
{
    const QString text = m_host.text();
    TextEncoding used = m_encoding;
    const FileResult result = writeWholeFileAtomically(path, encodeDocumentFile(text, m_encoding, &used));
    if (!result.ok) {
        m_lastSaveFailed = true;
        reportError(result.error);
        return false;
    }
    m_encoding = used;
    m_lastWritten = text;
    return true;
}

bool DocumentCommands::LoadDocumentFile(const QString &path)
{
    DecodedDocument decoded;
    {
        QByteArray bytes;
        const FileResult result = readWholeFile(path, bytes);
        if (!result.ok) {
            reportError(result.error);
            return false;
        }
        decoded = decodeDocumentFile(bytes);
    } // the raw bytes are not kept beside the text
    // The whole text is written once, not line by line.
    m_host.setText(decoded.text);
    m_host.setCaption(titledCaption(m_host.dialogFileName()));
    m_encoding = decoded.encoding;
    SavedText = decoded.text; // shares the buffer with what the box was given
    return true;
}

bool DocumentCommands::chooseFile(bool forSaving)
{
    m_host.setDialogFilter(kFilter);
    const Busy busy(*this);
    const bool confirmed = forSaving ? m_host.showSave() : m_host.showOpen();
    // A name the dialog still holds from earlier is no choice.
    return confirmed && !m_host.dialogFileName().isEmpty();
}

bool DocumentCommands::SaveWithDialog()
{
    if (!chooseFile(true))
        return false;
    return WriteDocumentFile(m_host.dialogFileName());
}

void DocumentCommands::ClearDocument()
{
    CurrentFileName.clear();
    SavedText.clear();
    m_host.setText(QString());
    m_encoding = TextEncoding::Utf8;
}

bool DocumentCommands::SaveDocumentAs()
{
    m_lastSaveFailed = false;
    const bool written = SaveWithDialog();
    if (written) {
        CurrentFileName = m_host.dialogFileName();
        SavedText = m_lastWritten;
    }
    // A failed write leaves the caption as it was; a cancel shows the dialog's last name.
    if (!m_lastSaveFailed)
        m_host.setCaption(titledCaption(m_host.dialogFileName()));
    return written;
}

bool DocumentCommands::SaveDocument()
{
    m_lastSaveFailed = false;
    bool result = true;
    if (!CurrentFileName.isEmpty()) {
        if (!WriteDocumentFile(CurrentFileName))
            return false;
        SavedText = m_lastWritten;
        m_host.setCaption(titledCaption(CurrentFileName));
    } else {
        result = SaveDocumentAs();
        if (m_lastSaveFailed)
            return false;
        m_host.setCaption(titledCaption(m_host.dialogFileName()));
    }
    return result;
}

bool DocumentCommands::ConfirmSaveChanges()
{
    if (!isChanged())
        return true;
    switch (prompt(kPromptStyleCommand)) {
    case 6: return SaveDocument();
    case 7: return true;
    default: return false;
    }
}

void DocumentCommands::New()
{
    if (ConfirmSaveChanges())
        ClearDocument();
    m_host.setCaption(kTitle);
}

void DocumentCommands::Open()
{
    // Opening discards unsaved changes without asking.
    if (!chooseFile(false))
        return;
    const QString chosen = m_host.dialogFileName();
    if (LoadDocumentFile(chosen))
        CurrentFileName = chosen;
}

void DocumentCommands::Exit()
{
    if (ConfirmSaveChanges())
        m_host.endProgram();
    else
        m_host.unloadAbout();
}

void DocumentCommands::QueryUnload(int &cancel)
{
    cancel = 1;
    m_host.unloadAbout();
    if (!isChanged()) {
        m_host.endProgram();
        return;
    }
    switch (prompt(kPromptStyleClose)) {
    case 6:
        // Unsaved text is never thrown away: stay open when the save did not happen.
        if (SaveDocument())
            m_host.endProgram();
        return;
    case 7:
        m_host.endProgram();
        return;
    default:
        return;
    }
}

void DocumentCommands::AutoSaveTick()
{
    // Never a second dialog on top of an open one, never a write during a save.
    if (isBusy())
        return;
    m_quietFailures = true;
    const bool saved = SaveDocument();
    m_quietFailures = false;
    if (saved)
        m_failureReported = false;
}

} // namespace wimblet
