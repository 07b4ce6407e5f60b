#pragma once
// What the document commands need of the main window besides its dialogs.

#include <QString>

namespace wimblet {

class DocumentHost
{
public:
    virtual ~DocumentHost() = default;

    /// The text box's whole text (CR LF line breaks).
    virtual QString text() const = 0;
    /// Replaces the whole text; the change event runs once.
    virtual void setText(const QString &text) = 0;
    virtual void setCaption(const QString &caption) = 0;

    virtual void unloadAbout() = 0;
    /// Ends the program at once: no further event, prompt or close handling.
    virtual void endProgram() = 0;
};

} // namespace wimblet
