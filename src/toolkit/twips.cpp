#include "toolkit/twips.h"

#include <cmath>

namespace wimblet {

int twipsToPixels(double twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel(logicalDpi)));
}

double pixelsToTwips(int pixels, double logicalDpi)
{
    return pixels * twipsPerPixel(logicalDpi);
}

} // namespace wimblet
