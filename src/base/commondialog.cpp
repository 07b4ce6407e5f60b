#include "base/commondialog.h"

namespace wimblet {

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

std::optional<QString> CommonDialog::ShowOpen()
{
    const DialogGuard::Open open(m_guard);
    return remember(m_service.getOpenFileName(toNameFilters(m_filter), m_fileName));
}

std::optional<QString> CommonDialog::ShowSave()
{
    const DialogGuard::Open open(m_guard);
    return remember(m_service.getSaveFileName(toNameFilters(m_filter), m_fileName));
}

std::optional<QString> CommonDialog::remember(const std::optional<QString> &chosen)
{
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    m_fileName = *chosen;
    return chosen;
}

} // namespace wimblet
