#include "textview/selectionmime.h"

#include "textview/shownchars.h"

namespace wimblet {

SelectionMime::SelectionMime(const TextStore &store, qint64 from, qint64 to)
    : m_snapshot(store.snapshot())
    , m_from(from)
    , m_to(to)
{ }

QStringList SelectionMime::formats() const
{
    return {QStringLiteral("text/plain")};
}

bool SelectionMime::hasFormat(const QString &mimeType) const
{
    return mimeType == QLatin1String("text/plain");
}

QString SelectionMime::readText() const
{
    QString out;
    out.reserve(m_to - m_from);
    qint64 at = 0;
    m_snapshot.forEachPiece([&](QStringView piece) {
        const qint64 end = at + piece.size();
        if (end > m_from && at < m_to) {
            const qint64 from = std::max(at, m_from) - at;
            out += piece.mid(from, std::min(end, m_to) - at - from);
        }
        at = end;
    });
    replaceLoneSurrogates(out); // a stray byte's stand-in is no character elsewhere
    return out;
}

QVariant SelectionMime::retrieveData(const QString &mimeType, QMetaType type) const
{
    if (!hasFormat(mimeType))
        return QVariant();
    Q_UNUSED(type);
    return readText();
}

} // namespace wimblet
