// Shows an editor window in a process of its own, for the figures only a fresh process
// gives: the CPU time from launch to the first painted text, and the peak memory with
// a document open.
//
//   wimblet-windowprobe start KIND          exits right after the text area's first
//                                           paint; the caller reads the CPU time
//   wimblet-windowprobe memory KIND FILE    opens FILE, waits until its text is painted
//                                           and the loop idle, prints VmHWM in KiB
//
// KIND is `program`, the program's own main window; `plain`, the same window rebuilt
// from its design data (menus, toolbar, status bar, sizes, layout, font) around the
// old PlainTextBox; or `view`, that rebuilt window around the text box the program
// uses, which shows what the rebuilding leaves out.
#include "app/composition.h"
#include "app/frmNotepad.h"
#include "app/layout.h"
#include "support/plaintextbox.h"

#include "paintprobe.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace wimblet;

namespace {


bool isParentMenu(const char *name)
{
    for (const design::MenuEntry &entry : design::kMenuTree)
        if (entry.parent && qstrcmp(entry.parent, name) == 0)
            return true;
    return false;
}

// The main window's design around a text area of the caller's choice. It has no
// commands behind its menus and buttons: only what is shown is built.
class RebuiltWindow : public Form
{
public:
    explicit RebuiltWindow(bool plain)
    {
        setWindowIcon(QIcon(QString::fromLatin1(design::kProgramIcon)));
        setCaption(QString::fromLatin1(design::kCaption));
        addMenus();
        addBars();
        if (plain)
            m_area = m_plain = new PlainTextBox(clientArea());
        else
            m_area = m_view = new TextBox(clientArea());
        m_area->setFont(design::textFont());
        m_area->setGeometry(toPixels(design::kTextLeft), toPixels(design::kTextTop),
                            toPixels(design::kTextWidth), toPixels(design::kTextHeight));
        m_area->lower();
        m_area->setFocus();
        setClientSizeTwips(design::kClientWidth, design::kClientHeight);
        float panels = 0;
        for (int i = 2; i <= m_status->panelCount(); ++i)
            panels += m_status->Panels(i)->Width();
        setMinimumClientSizeTwips(panels, design::kToolbarHeight + design::kStatusBarHeight);
        centreOnScreen();
    }

    QAbstractScrollArea *area() const { return m_area; }

    void setText(const QString &text)
    {
        if (m_plain)
            m_plain->setText(text);
        else
            m_view->setText(text);
    }

protected:
    void Form_Resize() override
    {
        LayoutInput in;
        in.windowState = WindowState();
        in.scaleWidth = ScaleWidth();
        in.scaleHeight = ScaleHeight();
        in.toolbarHeight = m_toolbar->Height();
        in.panelWidth2 = m_status->Panels(2)->Width();
        in.panelWidth3 = m_status->Panels(3)->Width();
        in.panelWidth4 = m_status->Panels(4)->Width();
        in.panelWidth5 = m_status->Panels(5)->Width();
        const LayoutResult out = computeLayout(in);
        if (!out.apply)
            return;
        m_area->setGeometry(m_area->x(), toPixels(out.txtTop), toPixels(out.txtWidth),
                            toPixels(out.txtHeight));
        m_status->Panels(1)->setWidth(out.panel1Width);
    }

private:
    void addMenus()
    {
        QHash<QString, QMenu *> menus;
        for (const design::MenuEntry &entry : design::kMenuTree) {
            const QString caption = QString::fromLatin1(entry.caption);
            QMenu *parent = entry.parent ? menus.value(QString::fromLatin1(entry.parent)) : nullptr;
            if (caption == QLatin1String("-")) {
                parent->addSeparator();
            } else if (isParentMenu(entry.name)) {
                QMenu *menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
                menus.insert(QString::fromLatin1(entry.name), menu);
            } else {
                QAction *action = parent->addAction(caption);
                action->setShortcut(QKeySequence(QString::fromLatin1(entry.shortcut)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
        }
    }

    void addBars()
    {
        m_toolbar = new Toolbar(this, design::kButtonWidth, design::kButtonHeight);
        for (const design::ToolbarEntry &entry : design::kToolbarButtons)
            m_toolbar->addButton(QString::fromLatin1(entry.key), QString::fromLatin1(entry.toolTip),
                                 QIcon(QString::fromLatin1(entry.picture)));
        dockTop(m_toolbar, design::kToolbarHeight);
        m_status = new StatusBar(this);
        for (const design::PanelEntry &entry : design::kStatusPanels)
            m_status->addPanel(entry.isDate ? StatusPanel::DatePanel : StatusPanel::TextPanel,
                               QString::fromLatin1(entry.text), entry.width, entry.minWidth);
        dockBottom(m_status, design::kStatusBarHeight);
    }

    Toolbar *m_toolbar = nullptr;
    StatusBar *m_status = nullptr;
    QAbstractScrollArea *m_area = nullptr;
    PlainTextBox *m_plain = nullptr;
    TextBox *m_view = nullptr;
};


// Runs the loop until it has had nothing to do for a while, or 20 s have passed.
void waitUntilIdle()
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    QElapsedTimer spent;
    spent.start();
    for (int quiet = 0; quiet < 50 && !spent.hasExpired(20000);)
        quiet = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : quiet + 1;
}

int printPeak()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            std::printf("%s\n", line.mid(6).trimmed().split(' ').value(0).constData());
            std::fflush(stdout);
            return 0;
        }
    }
    return 1;
}

// The window's first frame, then the end of the process: nothing torn down is counted.
int untilFirstPaint(QWidget &window, QWidget *viewport)
{
    bench::PaintProbe probe;
    viewport->installEventFilter(&probe);
    window.show();
    QElapsedTimer spent;
    spent.start();
    // The loop returns once the paint that set the flag, and its flush, have ended.
    while (!probe.painted && !spent.hasExpired(30000))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::_Exit(probe.painted ? 0 : 1);
}

// The text `open` puts into the shown window painted and the loop left idle; then the peak.
int peakWithText(QWidget &window, QWidget *viewport, const std::function<bool()> &open)
{
    bench::PaintProbe probe;
    viewport->installEventFilter(&probe);
    window.show();
    QCoreApplication::processEvents();
    probe.painted = false;
    if (!open())
        return 1;
    QElapsedTimer spent;
    spent.start();
    while (!probe.painted && !spent.hasExpired(30000))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    waitUntilIdle();
    return probe.painted ? printPeak() : 1;
}

QString readUtf8(const char *path)
{
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    const bool start = argc == 3 && std::strcmp(argv[1], "start") == 0;
    const bool memory = argc == 4 && std::strcmp(argv[1], "memory") == 0;
    const QByteArray kind = argc > 2 ? QByteArray(argv[2]) : QByteArray();
    if ((!start && !memory) || (kind != "program" && kind != "plain" && kind != "view")) {
        std::fprintf(stderr, "usage: wimblet-windowprobe start|memory program|plain|view [FILE]\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wimblet"));
    if (kind == "program") {
        frmNotepad window;
        TextBox *txt = window.components().txt;
        if (start)
            return untilFirstPaint(window, txt->viewport());
        return peakWithText(window, txt->viewport(), [&] {
            return window.document().LoadDocumentFile(QString::fromLocal8Bit(argv[3]));
        });
    }
    RebuiltWindow window(kind == "plain");
    if (start)
        return untilFirstPaint(window, window.area()->viewport());
    return peakWithText(window, window.area()->viewport(), [&] {
        const QString text = readUtf8(argv[3]);
        window.setText(text);
        return !text.isEmpty();
    });
}
