#pragma once
// The box's selection as clipboard, primary-selection and drag data: plain text
// only, with the document's real characters (stand-ins turned back, a break
// between blocks as CR LF), just as Text() gives them.
//
// Qt hands the X11 primary selection new data after every key that leaves a
// selection. Reading the text then would cost time in proportion to the
// selection on each key, so the text is read when it is first asked for or
// when the box is about to change (freeze); until then the selected range
// follows edits.

#include "support/displaytext.h"

#include <QMimeData>
#include <QTextCursor>

namespace wimblet {

// The selected part of the box's document: stand-ins as escapes, block breaks
// as CR LF. Costs time in proportion to the selection, not to its paragraph.
DisplayText selectedDisplayText(const QTextCursor &selection);

class SelectionData : public QMimeData
{
    Q_OBJECT

public:
    explicit SelectionData(const QTextCursor &selection);

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

    // Reads the text now, unless it has been read already.
    void freeze() const;
    bool isFrozen() const { return m_frozen; }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override;

private:
    mutable QTextCursor m_selection;
    mutable QString m_text;
    mutable bool m_frozen = false;
};

} // namespace wimblet
