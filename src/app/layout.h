#pragma once
// The main window's layout rule as a pure function of the current sizes.

namespace wimblet {

enum WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

struct LayoutInput {
    int windowState = Normal;
    float scaleWidth = 0;    // client area, twips
    float scaleHeight = 0;
    float toolbarHeight = 0;
    float panelWidth2 = 0, panelWidth3 = 0, panelWidth4 = 0, panelWidth5 = 0;
};

struct LayoutResult {
    bool apply = false;      // false while minimized: nothing is to change
    float txtTop = 0;
    float txtWidth = 0;
    float txtHeight = 0;
    float panel1Width = 0;
};

// The text area sits under the toolbar, spans the client width and ends 800 twips
// short of the client height; panel 1 takes what the other four panels leave.
// Below the sizes where these go negative they are held at 0.
LayoutResult computeLayout(const LayoutInput &in);

constexpr float kTextAreaHeightShortfall = 800.0f;

} // namespace wimblet
