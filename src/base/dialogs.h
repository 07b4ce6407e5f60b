#pragma once
// The program's modal dialogs as services: the real ones in the window, scripted
// ones in tests. Every dialog opens under the one DialogGuard, so that whatever must
// not happen while a dialog is open (an auto-save tick) can ask it.

#include <QString>
#include <QStringList>

#include <optional>

namespace wimblet {

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    /// Shows a modal box; returns the answer (MsgBox::Answer). Escape and the close box
    /// answer Cancel.
    virtual int show(const QString &prompt, int style, const QString &title) = 0;
};

class FileDialogService
{
public:
    virtual ~FileDialogService() = default;
    /// The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> getOpenFileName(const QStringList &filters,
                                                   const QString &initialName) = 0;
    virtual std::optional<QString> getSaveFileName(const QStringList &filters,
                                                   const QString &initialName) = 0;
};

/// Knows whether a modal dialog of the program is open.
class DialogGuard
{
public:
    bool isOpen() const { return m_open > 0; }

    /// Marks a dialog as open for as long as it lives.
    class Open
    {
    public:
        explicit Open(DialogGuard &guard) : m_guard(guard) { ++m_guard.m_open; }
        ~Open() { --m_guard.m_open; }
        Open(const Open &) = delete;
        Open &operator=(const Open &) = delete;

    private:
        DialogGuard &m_guard;
    };

    /// Shows a message box as an open dialog.
    int msgBox(MessageBoxService &service, const QString &prompt, int style,
               const QString &title)
    {
        const Open open(*this);
        return service.show(prompt, style, title);
    }

private:
    int m_open = 0;
};

} // namespace wimblet
