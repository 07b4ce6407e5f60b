#include "support/selectiondata.h"

#include "support/escapeformat.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace wimblet {

namespace {

const QString kPlainText = QStringLiteral("text/plain");

void appendBlock(DisplayText &out, int &position, const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString piece = fragment.text();
        if (const char16_t original = escapedOriginal(fragment.charFormat())) {
            const QChar standIn(standInFor(original));
            for (qsizetype i = 0; i < piece.size(); ++i) {
                if (piece[i] == standIn)
                    out.escapes.push_back({position + int(i), int(out.text.size() + i), original});
            }
        }
        out.text += piece;
        position += int(piece.size());
    }
}

} // namespace

DisplayText selectedDisplayText(const QTextCursor &selection)
{
    DisplayText out;
    if (!selection.hasSelection())
        return out;
    // Qt copies just the selected part, marks and all, finding its start without
    // walking the rest of a long paragraph.
    QTextDocument part;
    part.setUndoRedoEnabled(false);
    QTextCursor(&part).insertFragment(selection.selection());
    int position = 0;
    for (QTextBlock block = part.begin(); block.isValid(); block = block.next()) {
        if (block.position() > 0) {
            out.text += QLatin1String("\r\n");
            ++position;
        }
        appendBlock(out, position, block);
    }
    return out;
}

SelectionData::SelectionData(const QTextCursor &selection)
    : m_selection(selection)
{
}

QStringList SelectionData::formats() const
{
    // Plain text only: rich text would carry the stand-ins.
    return {kPlainText};
}

bool SelectionData::hasFormat(const QString &mimeType) const
{
    return mimeType == kPlainText;
}

void SelectionData::freeze() const
{
    if (m_frozen)
        return;
    m_text = fromDisplayText(selectedDisplayText(m_selection));
    m_selection = QTextCursor(); // stops following the document's edits
    m_frozen = true;
}

QVariant SelectionData::retrieveData(const QString &mimeType, QMetaType type) const
{
    Q_UNUSED(type);
    if (mimeType != kPlainText)
        return {};
    freeze();
    return m_text;
}

} // namespace wimblet
