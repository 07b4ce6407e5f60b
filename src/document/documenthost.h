#pragma once
// What the document commands need of the main window besides its dialogs.

#include "document/documentencoder.h"

#include <QString>

namespace wimblet {

class DocumentHost
{
public:
    virtual ~DocumentHost() = default;

    /// The text box's whole text (CR LF line breaks).
    virtual QString text() const = 0;
    /// Replaces the whole text; the change event runs once. When memory runs out it
    /// throws std::bad_alloc and keeps the text it had.
    virtual void setText(const QString &text) = 0;
    virtual void setCaption(const QString &caption) = 0;

    /// The text piece by piece, for a save that need not build it whole.
    virtual PieceSource textPieces() const
    {
        return [this](const PieceSink &sink) { sink(text()); };
    }
    /// Remembers the text as it is now as the saved one; a box keeping its text in
    /// pieces remembers them, sharing their memory, rather than a copy.
    virtual void markSaved() { m_saved = text(); }
    /// Whether the text is the one last marked saved.
    virtual bool matchesSaved() const { return text() == m_saved; }
    /// The text last marked saved, built whole.
    virtual QString savedText() const { return m_saved; }

    virtual void unloadAbout() = 0;
    /// Ends the program at once: no further event, prompt or close handling.
    virtual void endProgram() = 0;

private:
    QString m_saved;
};

} // namespace wimblet
