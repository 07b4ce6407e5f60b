#pragma once
// What the document commands need of the main window and its components.

#include <QString>

namespace wimblet {

class DocumentHost
{
public:
    virtual ~DocumentHost() = default;

    // The text box's whole text (CR LF line breaks).
    virtual QString text() const = 0;
    // Replaces the whole text; the change event runs once.
    virtual void setText(const QString &text) = 0;
    virtual void setCaption(const QString &caption) = 0;

    // A modal message box: the answer (6 Yes, 7 No, 2 Cancel, 1 OK).
    virtual int msgBox(const QString &prompt, int style, const QString &title) = 0;

    // The file dialog: filter, file name kept between showings, modal showings
    // that report whether a file was confirmed.
    virtual void setDialogFilter(const QString &filter) = 0;
    virtual QString dialogFileName() const = 0;
    virtual bool showOpen() = 0;
    virtual bool showSave() = 0;

    virtual void unloadAbout() = 0;
    // Ends the program at once: no further event, prompt or close handling.
    virtual void endProgram() = 0;
};

} // namespace wimblet
