#include "app/composition.h"

#include <QStringList>

namespace wimblet::design {

const std::array<MenuEntry, 19> kMenuTree{{
    {"mnuFile", "File", nullptr, ""},
    {"mnuNew", "New", "mnuFile", "Ctrl+N"},
    {"mnuOpen", "Open", "mnuFile", "Ctrl+O"},
    {"ss", "-", "mnuFile", ""},
    {"mnuSave", "Save", "mnuFile", "Ctrl+S"},
    {"mnuSaveAs", "Save As", "mnuFile", "F8"},
    {"sss", "-", "mnuFile", ""},
    {"mnuExit", "Exit", "mnuFile", "F9"},
    {"ctools", "Tools", nullptr, ""},
    {"casave", "Auto Save", "ctools", ""},
    {"e15", "Every 15 seconds", "casave", ""},
    {"e30", "Every 30 seconds", "casave", ""},
    {"e1m", "Every 60 seconds", "casave", ""},
    {"cstop", "Stop", "casave", ""},
    {"cconvert", "Convert Text", "ctools", ""},
    {"cgirly", "Normal --> Cute StyLe ", "cconvert", ""},
    {"cnormal", "Cute StyLe --> Normal", "cconvert", ""},
    {"mnuHelp", "Help", nullptr, ""},
    {"mnuAbout", "About", "mnuHelp", "F1"},
}};

const std::array<ToolbarEntry, 7> kToolbarButtons{{
    {"mnew", "Create New File", ":/icons/new.svg"},
    {"mopen", "Open File", ":/icons/open.svg"},
    {"msave", "Save File", ":/icons/save.svg"},
    {"mnormal", "Convert Text to Normal Style", ":/icons/normal.svg"},
    {"mcute", "Convert Text to Cute Style", ":/icons/cute.svg"},
    {"mabout", "About Wimblet", ":/icons/about.svg"},
    {"mclose", "Exit", ":/icons/close.svg"},
}};

const std::array<PanelEntry, 5> kStatusPanels{{
    {false, "Wimblet by Pink Heart Software", 1440, 1440},
    {false, "v1.0", 1440, 1440},
    {false, "3", 1005, 1000},
    {false, "4", 1005, 1000},
    {true, "", 1440, 1440},
}};

QFont textFont()
{
    QFont font(QString::fromLatin1(kTextFont));
    font.setFamilies({QString::fromLatin1(kTextFont), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(kTextFontPoints);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace wimblet::design
