#include "toolkit/commondialog.h"

#include <QFileDialog>

namespace wimblet {

namespace {

std::optional<QString> runDialog(QWidget *parent, QFileDialog::AcceptMode mode,
                                 const QStringList &filters, const QString &initialName)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

std::optional<QString> QtFileDialogService::getOpenFileName(const QStringList &filters,
                                                            const QString &initialName)
{
    return runDialog(m_parent, QFileDialog::AcceptOpen, filters, initialName);
}

std::optional<QString> QtFileDialogService::getSaveFileName(const QStringList &filters,
                                                            const QString &initialName)
{
    return runDialog(m_parent, QFileDialog::AcceptSave, filters, initialName);
}

QStringList toNameFilters(const QString &filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns)
            if (p.trimmed() == QLatin1String("*.*"))
                p = QStringLiteral("*");
        out << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns.join(QLatin1Char(' ')));
    }
    return out;
}

bool CommonDialog::ShowOpen()
{
    m_showing = true;
    const std::optional<QString> chosen =
        m_service->getOpenFileName(toNameFilters(m_filter), m_fileName);
    return finish(chosen);
}

bool CommonDialog::ShowSave()
{
    m_showing = true;
    const std::optional<QString> chosen =
        m_service->getSaveFileName(toNameFilters(m_filter), m_fileName);
    return finish(chosen);
}

bool CommonDialog::finish(const std::optional<QString> &chosen)
{
    m_showing = false;
    if (!chosen || chosen->isEmpty())
        return false;
    m_fileName = *chosen;
    return true;
}

} // namespace wimblet
