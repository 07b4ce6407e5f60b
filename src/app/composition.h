#pragma once
// What the main window is made of, as data: the menu tree, the toolbar buttons,
// the status bar panels and the design sizes (twips).

#include <QFont>

#include <array>

namespace wimblet::design {

struct MenuEntry {
    const char *name;
    const char *caption;  // "-" is a separator line
    const char *parent;   // nullptr: the menu bar
    const char *shortcut; // portable key text, "" for none
};

struct ToolbarEntry {
    const char *key;
    const char *toolTip;
    const char *picture; // resource path
};

struct PanelEntry {
    bool isDate;
    const char *text;
    float width;
    float minWidth;
};

extern const std::array<MenuEntry, 19> kMenuTree;
extern const std::array<ToolbarEntry, 7> kToolbarButtons;
extern const std::array<PanelEntry, 5> kStatusPanels;

constexpr const char *kCaption = "Wimblet";
constexpr const char *kProgramIcon = ":/icons/wimblet.svg";
constexpr double kClientWidth = 10215;
constexpr double kClientHeight = 6855;
constexpr double kToolbarHeight = 510;
constexpr double kStatusBarHeight = 330;
constexpr double kButtonWidth = 465;
constexpr double kButtonHeight = 420;
constexpr double kTextLeft = 0, kTextTop = 0, kTextWidth = 10935, kTextHeight = 6855;
constexpr const char *kTextFont = "Lucida Console";
constexpr double kTextFontPoints = 9.75;

// The text box's font: the design's, with the monospace fonts Linux has after it.
QFont textFont();

} // namespace wimblet::design
