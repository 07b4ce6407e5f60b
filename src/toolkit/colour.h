#pragma once
// Colours as the program stores them: 0x00BBGGRR, or a system colour index
// with the high bit set (0x80000008 is the window-text colour).

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace wimblet {

constexpr quint32 kSystemColourFlag = 0x80000000u;
constexpr quint32 kWindowTextColour = 0x80000008u;
constexpr quint32 kButtonTextColour = 0x80000012u;
constexpr quint32 kDarkRed = 192u;

QColor resolveColour(quint32 value, const QPalette &palette);

} // namespace wimblet
