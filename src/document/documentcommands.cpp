#include "document/documentcommands.h"

#include "document/documentencoder.h"
#include "document/documentreader.h"

#include <new>
#include <optional>

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

DocumentCommands::DocumentCommands(DocumentHost &host, CommonDialog &fileDialog,
                                   MessageBoxService &boxes, DialogGuard &guard)
    : m_host(host)
    , m_fileDialog(fileDialog)
    , m_boxes(boxes)
    , m_guard(guard)
{
}

int DocumentCommands::prompt(int style)
{
    return m_guard.msgBox(m_boxes, kSavePrompt, style, kTitle);
}

void DocumentCommands::reportError(const QString &message, Failures failures)
{
    const bool quiet = failures == Failures::QuietOnceReported && m_failureReported;
    m_failureReported = true;
    if (!quiet)
        m_guard.msgBox(m_boxes, message, kErrorStyle, kTitle);
}

bool DocumentCommands::WriteDocumentFile(const QString &path, Failures failures)
{
    TextEncoding used = m_encoding;
    // Written from the box's pieces: the text is never built whole for a save.
    const FileResult result = writeDocumentPieces(path, m_host.textPieces(), m_encoding, &used,
                                                  kDocumentChunkBytes, m_trailingByte);
    if (!result.ok) {
        reportError(result.error, failures);
        return false;
    }
    m_encoding = used;
    m_failureReported = false;
    return true;
}

bool DocumentCommands::LoadDocumentFile(const QString &path)
{
    // Should memory run out while the file is read, nothing has reached the
    // text box yet: the document stays as it was and the program goes on.
    DecodedDocument decoded{QString(), TextEncoding::Utf8};
    const FileResult result = readDocumentFile(path, decoded);
    if (!result.ok) {
        reportError(result.error, Failures::Report);
        return false;
    }
    // The whole text is written once, not line by line; a box that finds no memory for
    // it keeps the document it had.
    try {
        m_host.setText(decoded.text);
    } catch (const std::bad_alloc &) {
        reportError(notEnoughMemoryToOpen(path), Failures::Report);
        return false;
    }
    m_host.setCaption(titledCaption(path));
    m_encoding = decoded.encoding;
    m_trailingByte = decoded.trailingByte;
    m_host.markSaved(); // shares the buffer with what the box was given
    return true;
}

DocumentCommands::DialogSave DocumentCommands::SaveWithDialog()
{
    m_fileDialog.setFilter(kFilter);
    const std::optional<QString> chosen = m_fileDialog.ShowSave();
    if (!chosen)
        return {Saved::Cancelled, {}};
    const bool written = WriteDocumentFile(*chosen, Failures::Report);
    return {written ? Saved::Yes : Saved::Failed, *chosen};
}

void DocumentCommands::ClearDocument()
{
    m_currentFileName.clear();
    m_host.setText(QString());
    m_host.markSaved();
    m_encoding = TextEncoding::Utf8;
    m_trailingByte = -1;
}

DocumentCommands::Saved DocumentCommands::saveDocumentAs()
{
    const DialogSave result = SaveWithDialog();
    if (result.saved == Saved::Yes) {
        m_currentFileName = result.path;
        m_host.markSaved();
    }
    // A failed write leaves the caption as it was; after a cancel the caption shows
    // the name the dialog still holds from the last file chosen.
    if (result.saved != Saved::Failed)
        m_host.setCaption(titledCaption(m_fileDialog.FileName()));
    return result.saved;
}

DocumentCommands::Saved DocumentCommands::saveDocument(Failures failures)
{
    if (m_currentFileName.isEmpty())
        return saveDocumentAs();
    if (!WriteDocumentFile(m_currentFileName, failures))
        return Saved::Failed;
    m_host.markSaved();
    m_host.setCaption(titledCaption(m_currentFileName));
    return Saved::Yes;
}

bool DocumentCommands::SaveDocumentAs()
{
    return saveDocumentAs() == Saved::Yes;
}

bool DocumentCommands::SaveDocument()
{
    return saveDocument(Failures::Report) == Saved::Yes;
}

bool DocumentCommands::ConfirmSaveChanges()
{
    if (m_host.matchesSaved())
        return true;
    switch (prompt(kPromptStyleCommand)) {
    case MsgBox::Yes: return saveDocument(Failures::Report) == Saved::Yes;
    case MsgBox::No: return true;
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
    m_fileDialog.setFilter(kFilter);
    const std::optional<QString> chosen = m_fileDialog.ShowOpen();
    if (chosen && LoadDocumentFile(*chosen))
        m_currentFileName = *chosen;
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
    if (m_host.matchesSaved()) {
        m_host.endProgram();
        return;
    }
    switch (prompt(kPromptStyleClose)) {
    case MsgBox::Yes:
        // Unsaved text is never thrown away: stay open when the save did not happen.
        if (saveDocument(Failures::Report) == Saved::Yes)
            m_host.endProgram();
        return;
    case MsgBox::No: m_host.endProgram(); return;
    default: return;
    }
}

void DocumentCommands::AutoSaveTick()
{
    // Never a second dialog on top of an open one, never a write during a save.
    if (m_guard.isOpen())
        return;
    saveDocument(Failures::QuietOnceReported);
}

} // namespace wimblet
