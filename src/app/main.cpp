#include "app/frmNotepad.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral(WIMBLET_TITLE));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(WIMBLET_VERSION_MAJOR)
                                            .arg(WIMBLET_VERSION_MINOR)
                                            .arg(WIMBLET_VERSION_PATCH));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wimblet.Wimblet"));
    // The editor reads no command line and no settings.
    wimblet::frmNotepad window;
    window.show();
    return QApplication::exec();
}
