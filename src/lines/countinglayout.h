#pragma once
// Every QTextLayout that rows are counted with is made here, set up as the view's own
// row layouts draw (the view's font, with font merging), so that counting and drawing
// shape alike.

#include <QFont>
#include <QString>
#include <QTextOption>

#include <memory>

class QTextLayout;

namespace wimblet {

// `text` to be laid out in `font`, wrapped as `mode` says, with tabs every `tabStop`
// (1/64 px; 0 leaves the layout's own).
std::unique_ptr<QTextLayout> countingLayout(const QString &text, const QFont &font,
                                            QTextOption::WrapMode mode, qint64 tabStop);

} // namespace wimblet
