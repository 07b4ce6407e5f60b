#pragma once
// A stretch of the view's text as clipboard data, read when asked for: the primary
// selection is handed over on every selecting key, which must not cost the selection's
// length each time. The snapshot keeps the text as it was, whatever is typed later.

#include "textstore/textstore.h"

#include <QMimeData>

namespace wimblet {

class SelectionMime : public QMimeData
{
    Q_OBJECT

public:
    SelectionMime(const TextStore &store, qint64 from, qint64 to);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    QString readText() const;

    TextStore::Snapshot m_snapshot;
    qint64 m_from;
    qint64 m_to;
};

} // namespace wimblet
