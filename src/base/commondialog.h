#pragma once
// The common file dialog: a filter, and a file name kept between showings that
// pre-fills the name field. Open and Save As return the chosen path.

#include "base/dialogs.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace wimblet {

/// "All Files|*.*" -> {"All Files (*)"}: description|pattern pairs as Qt name filters.
/// "*.*" matches every file, with or without an extension, as the user expects.
QStringList toNameFilters(const QString &filter);

class CommonDialog
{
public:
    CommonDialog(FileDialogService &service, DialogGuard &guard)
        : m_service(service), m_guard(guard)
    {
    }

    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    /// The last chosen path; empty until a file is chosen. A cancel leaves it as it was.
    QString FileName() const { return m_fileName; }

    /// The chosen path, or nothing when the user cancelled or chose no name.
    std::optional<QString> ShowOpen();
    std::optional<QString> ShowSave();

private:
    std::optional<QString> remember(const std::optional<QString> &chosen);

    FileDialogService &m_service;
    DialogGuard &m_guard;
    QString m_filter;
    QString m_fileName;
};

} // namespace wimblet
