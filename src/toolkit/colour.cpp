#include "toolkit/colour.h"

namespace wimblet {

namespace {

QColor systemColour(quint32 index, const QPalette &palette)
{
    switch (index) {
    case 5: return palette.color(QPalette::Base);        // window background
    case 8: return palette.color(QPalette::Text);        // window text
    case 15: return palette.color(QPalette::Button);     // button face
    case 16: return palette.color(QPalette::Dark);       // button shadow
    case 18: return palette.color(QPalette::ButtonText); // button text
    case 20: return palette.color(QPalette::Light);      // button highlight
    default: return palette.color(QPalette::WindowText);
    }
}

} // namespace

QColor resolveColour(quint32 value, const QPalette &palette)
{
    if (value & kSystemColourFlag)
        return systemColour(value & 0xFFu, palette);
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

} // namespace wimblet
