#pragma once
// Window geometry is kept in twips (1/1440 inch) like the rest of the program;
// the toolkit works in device-independent pixels.

namespace wimblet {

constexpr double kTwipsPerInch = 1440.0;

// 15 at 96 dots per inch.
constexpr double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? kTwipsPerInch / logicalDpi : 15.0;
}

int twipsToPixels(double twips, double logicalDpi);
double pixelsToTwips(int pixels, double logicalDpi);

} // namespace wimblet
