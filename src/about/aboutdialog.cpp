#include "about/aboutdialog.h"

#include "about/frmAbout.h"

#include <algorithm>

namespace wimblet {

AboutDialog::~AboutDialog()
{
    Unload();
    // The event loop may already be gone, so their deferred deletion might never run.
    for (const QPointer<frmAbout> &form : m_unloaded)
        delete form.data();
}

void AboutDialog::Show()
{
    if (!m_instance) {
        auto *form = new frmAbout;
        m_instance = form;
        QObject::connect(form, &frmAbout::unloaded, form, [this, form] { forget(form); });
    }
    // A minimised About comes back restored: whatever the window manager offers, choosing
    // About always brings the one instance to the front.
    m_instance->setWindowState(m_instance->windowState() & ~Qt::WindowMinimized);
    m_instance->show();
    m_instance->raise();
    m_instance->activateWindow();
}

void AboutDialog::Unload()
{
    if (m_instance)
        m_instance->close();
}

// The window deletes itself later; from now on the next Show creates a new one.
void AboutDialog::forget(frmAbout *form)
{
    if (m_instance == form)
        m_instance = nullptr;
    m_unloaded.erase(std::remove_if(m_unloaded.begin(), m_unloaded.end(),
                                    [](const QPointer<frmAbout> &f) { return f.isNull(); }),
                     m_unloaded.end());
    m_unloaded.emplace_back(form);
}

} // namespace wimblet
