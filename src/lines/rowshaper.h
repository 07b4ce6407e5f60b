#pragma once
// Rows the arithmetic cannot be trusted with, broken as the layout breaks them: the
// text from a row's start is laid out by QTextLayout a bounded window at a time, and
// the first line it makes is the row. Rows are drawn the same way, one layout each,
// so the row holds what its own layout draws within the width.

#include <QFont>
#include <QStringView>

namespace wimblet {

class RowShaper
{
public:
    // `charWidth`, an ordinary character's width in 1/64 px, sizes the first window.
    RowShaper(const QFont &font, qint64 charWidth);

    const QFont &font() const { return m_font; }
    // Length of the row that starts `text` in rows `lineWidth` wide (1/64 px) with tabs
    // every `tabStop`; hanging blanks included. When `continues` says more of the
    // paragraph follows `text`, 0 means the row cannot be told from `text` alone.
    // `firstWindow`, when not 0, is how much of `text` to lay out first.
    int rowLength(QStringView text, qint64 lineWidth, qint64 tabStop, bool continues,
                  qsizetype firstWindow = 0) const;

private:
    QFont m_font;
    qint64 m_charWidth;
};

} // namespace wimblet
