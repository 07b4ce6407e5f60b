#pragma once
// The program's title and version numbers, defined once by the build.

#include <QString>

namespace wimblet::App {

inline QString Title()
{
    return QStringLiteral(WIMBLET_TITLE);
}
constexpr int Major = WIMBLET_VERSION_MAJOR;
constexpr int Minor = WIMBLET_VERSION_MINOR;
constexpr int Revision = WIMBLET_VERSION_PATCH;

} // namespace wimblet::App
