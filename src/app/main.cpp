#include "app/frmNotepad.h"

#include <QApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char *argv[])
{
#ifdef __GLIBC__
    // Every thread that allocates would get a malloc arena of its own, each holding
    // 64 MiB of address space: under an address-space limit (ulimit -v) that is room a
    // large text and its conversion need. The few threads here share two.
    mallopt(M_ARENA_MAX, 2);
#endif
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
