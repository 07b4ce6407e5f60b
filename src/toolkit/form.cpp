#include "toolkit/form.h"

#include "toolkit/placement.h"
#include "toolkit/twips.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace wimblet {

namespace {

// A plain widget would be a "filler" to a screen reader, which then never hears that
// the window became active again (after a dialog, say) and stops following the focus.
QAccessibleInterface *formAccessible(const QString &className, QObject *object)
{
    if (className != QLatin1String("wimblet::Form") || !object || !object->isWidgetType())
        return nullptr;
    auto *form = static_cast<QWidget *>(object);
    const bool dialog = form->windowType() == Qt::Dialog;
    return new QAccessibleWidget(form, dialog ? QAccessible::Dialog : QAccessible::Window);
}

} // namespace

Form::Form(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , m_client(new QWidget(this))
{
    static const bool accessible = (QAccessible::installFactory(formAccessible), true);
    Q_UNUSED(accessible);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_client);
    m_client->installEventFilter(this);
}

QMenuBar *Form::menuBar()
{
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        static_cast<QVBoxLayout *>(layout())->setMenuBar(m_menuBar);
    }
    return m_menuBar;
}

int Form::WindowState() const
{
    if (isMinimized())
        return 1;
    if (isMaximized())
        return 2;
    return 0;
}

double Form::twipsPerPixel() const
{
    return wimblet::twipsPerPixel(logicalDpiY());
}

int Form::toPixels(double twips) const
{
    return twipsToPixels(twips, logicalDpiY());
}

double Form::toTwips(int pixels) const
{
    return pixelsToTwips(pixels, logicalDpiY());
}

float Form::ScaleWidth() const
{
    return float(toTwips(m_client->width()));
}

float Form::ScaleHeight() const
{
    return float(toTwips(m_client->height()));
}

void Form::dockTop(QWidget *control, double heightTwips)
{
    m_docked.push_back({control, heightTwips, true});
    dockAll();
}

void Form::dockBottom(QWidget *control, double heightTwips)
{
    m_docked.push_back({control, heightTwips, false});
    dockAll();
}

void Form::dockAll()
{
    const int width = m_client->width();
    int top = 0;
    int bottom = m_client->height();
    for (const Docked &d : m_docked) {
        const int h = toPixels(d.heightTwips);
        if (d.top) {
            d.control->setGeometry(0, top, width, h);
            top += h;
        } else {
            bottom -= h;
            d.control->setGeometry(0, bottom, width, h);
        }
        d.control->raise(); // docked bars stay above the text area
    }
}

int Form::menuBarHeight() const
{
    return m_menuBar ? m_menuBar->heightForWidth(width() > 0 ? width() : 640) : 0;
}

void Form::setClientSizeTwips(double width, double height)
{
    const int w = toPixels(width);
    int menu = m_menuBar ? m_menuBar->heightForWidth(w) : 0;
    if (menu < 0)
        menu = m_menuBar->sizeHint().height();
    resize(w, toPixels(height) + menu);
}

void Form::setMinimumClientSizeTwips(double width, double height)
{
    m_client->setMinimumSize(toPixels(width), toPixels(height));
}

void Form::centreOnScreen()
{
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    // The frame is not known before the window manager has framed the window; until
    // then the window is placed as if it had none, and placed again once it is known.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    QRect available = screen->availableGeometry();
    // At a fractional scale (120 dpi is 1.25) Qt rounds the screen's and the frame's
    // sizes to whole pixels, which may claim part of a pixel the screen lacks.
    const qreal scale = screen->devicePixelRatio();
    if (scale != std::floor(scale))
        available.adjust(1, 1, -1, -1);
    const Placement p = centredPlacement(size(), frame, available,
                                         minimumSizeHint().expandedTo(minimumSize()));
    if (p.size != size())
        resize(p.size);
    move(p.frameTopLeft);
    m_placedSize = p.size;
    m_placeWhenFramed = frame.isNull();
}

// Places the window again once, when its frame first becomes known, unless something
// else has resized it since.
void Form::placeAgainIfFramed()
{
    if (!m_placeWhenFramed || !isVisible())
        return;
    if (size() != m_placedSize) {
        m_placeWhenFramed = false;
        return;
    }
    if (!windowHandle()->frameMargins().isNull())
        centreOnScreen();
}

bool Form::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        placeAgainIfFramed();
    return handled;
}

void Form::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QWidget::setVisible(visible);
    if (visible && !m_shownOnce) {
        m_shownOnce = true;
        placeAgainIfFramed();
        // A move by the user after the window is up is never undone.
        QTimer::singleShot(kFramingWait, this, [this] { m_placeWhenFramed = false; });
        dockAll();
        Form_Resize();
    }
}

void Form::Form_QueryUnload(int &, int)
{
}

void Form::closeEvent(QCloseEvent *event)
{
    int cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

void Form::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && m_shownOnce)
        Form_Resize();
}

bool Form::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        dockAll();
        if (m_shownOnce)
            Form_Resize();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace wimblet
