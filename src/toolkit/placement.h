#pragma once
// Where a new window goes: centred in the screen's available area as the user sees it,
// frame included, and made smaller only where the designed size does not fit.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace wimblet {

struct Placement {
    QPoint frameTopLeft; // what QWidget::move() takes for a window
    QSize size;          // the window without its frame
};

/// `size` (the window without its frame) kept where it fits in `available` with the
/// `frame` around it, else reduced to fit, but never below `minimum`; then centred so
/// that the framed window sits in the middle of `available` (at its top-left corner
/// when even the minimum is too large).
Placement centredPlacement(QSize size, QMargins frame, QRect available, QSize minimum);

} // namespace wimblet
