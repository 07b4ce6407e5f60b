#pragma once
// The main window's handle on the About window: at most one instance, created
// when it is shown and discarded when it is unloaded.

#include <QPointer>

#include <vector>

namespace wimblet {

class frmAbout;

class AboutDialog
{
public:
    AboutDialog() = default;
    // Unloads the window if it is open.
    ~AboutDialog();
    AboutDialog(const AboutDialog &) = delete;
    AboutDialog &operator=(const AboutDialog &) = delete;

    // Creates the window if it does not exist (its Form_Load runs), then shows it
    // modeless, without an owner window, in front of the others.
    void Show();
    // Closes and discards the window if it exists; does nothing otherwise.
    void Unload();
    // The open window, or nullptr while it is not loaded.
    frmAbout *instance() const { return m_instance.data(); }

private:
    void forget(frmAbout *form);

    QPointer<frmAbout> m_instance;
    // Unloaded windows whose deferred deletion has not run yet.
    std::vector<QPointer<frmAbout>> m_unloaded;
};

} // namespace wimblet
