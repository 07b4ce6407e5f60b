#include "app/layout.h"

#include <algorithm>

namespace wimblet {

LayoutResult computeLayout(const LayoutInput &in)
{
    LayoutResult out;
    if (in.windowState == Minimized)
        return out;
    out.apply = true;
    out.txtTop = in.toolbarHeight;
    out.txtWidth = std::max(0.0f, in.scaleWidth);
    out.txtHeight = std::max(0.0f, in.scaleHeight - kTextAreaHeightShortfall);
    // The sum is formed in this order and kept in single precision.
    const float others = in.panelWidth3 + in.panelWidth2 + in.panelWidth4 + in.panelWidth5;
    out.panel1Width = std::max(0.0f, in.scaleWidth - others);
    return out;
}

} // namespace wimblet
