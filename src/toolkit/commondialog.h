#pragma once
// The file dialog: a filter, a file name kept between showings that pre-fills
// the name field, and Open/Save As reporting whether a file was confirmed.

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace wimblet {

// Shows the real dialogs; tests replace it with a scripted double.
class FileDialogService
{
public:
    virtual ~FileDialogService() = default;
    // The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> getOpenFileName(const QStringList &filters,
                                                   const QString &initialName) = 0;
    virtual std::optional<QString> getSaveFileName(const QStringList &filters,
                                                   const QString &initialName) = 0;
};

class QtFileDialogService : public FileDialogService
{
public:
    explicit QtFileDialogService(QWidget *parent) : m_parent(parent) {}
    std::optional<QString> getOpenFileName(const QStringList &filters,
                                           const QString &initialName) override;
    std::optional<QString> getSaveFileName(const QStringList &filters,
                                           const QString &initialName) override;

private:
    QWidget *m_parent;
};

// "All Files|*.*" -> {"All Files (*)"}: description|pattern pairs as Qt name filters.
// "*.*" matches every file, with or without an extension, as the user expects.
QStringList toNameFilters(const QString &filter);

class CommonDialog
{
public:
    explicit CommonDialog(FileDialogService *service) : m_service(service) {}

    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    QString FileName() const { return m_fileName; }

    // True when the user confirmed a file; a cancel leaves FileName as it was.
    bool ShowOpen();
    bool ShowSave();
    bool isShowing() const { return m_showing; }

private:
    bool finish(const std::optional<QString> &chosen);

    FileDialogService *m_service;
    QString m_filter;
    QString m_fileName;
    bool m_showing = false;
};

} // namespace wimblet
