#include "about/frmAbout.h"

#include "toolkit/appinfo.h"
#include "toolkit/colour.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

namespace wimblet {

namespace {

const char *const kProgramIcon = ":/icons/wimblet.svg";
constexpr int kIconPixels = 48;
constexpr quint32 kBlack = 0x000000u;

// Where the window opens and how big its client area is, in twips.
constexpr double kLeft = 2340, kTop = 1935, kClientWidth = 5730, kClientHeight = 3210;

// Where the classic dialog face is missing, DejaVu Sans keeps its line height, so
// the one-line credits and the two-line description still fit their boxes.
QFont dialogFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The program icon drawn at the given size, sharp on high-density screens too.
QPixmap renderIcon(int size, qreal devicePixelRatio)
{
    const int device = qRound(size * devicePixelRatio);
    QPixmap pixmap(device, device);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QString::fromLatin1(kProgramIcon));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace

frmAbout::frmAbout()
    : Form(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                        | Qt::MSWindowsFixedSizeDialogHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    setCaption(QStringLiteral("About Wimblet"));
    setWindowIcon(QIcon(QString::fromLatin1(kProgramIcon)));
    setFont(dialogFont(8, false));
    createControls();
    setClientSizeTwips(kClientWidth, kClientHeight);
    setFixedSize(size());
    placeOnScreen();
}

void frmAbout::createControls()
{
    picIcon = new QLabel(clientArea());
    picIcon->setPixmap(renderIcon(kIconPixels, devicePixelRatioF()));
    picIcon->setGeometry(QRect(pixelPoint({240, 240}), QSize(kIconPixels, kIconPixels)));
    picIcon->setFocusPolicy(Qt::TabFocus);

    cmdOK = new QPushButton(QStringLiteral("OK"), clientArea());
    cmdOK->setGeometry(pixelRect({4245, 2625, 1260, 345}));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Label3 = createLabel({1200, 2040, 1815, 225}, QStringLiteral("Bandung, Indonesia"), kBlack);
    Label2 = createLabel({1200, 1800, 3855, 345},
                         QStringLiteral("Written by Rina Kartika, www.rina.example"), kBlack);
    Label1 = createLabel({360, 2760, 3495, 345},
                         QStringLiteral("\u00A9 2012 Pink Heart, pinkheart.example"), kBlack);
    Line1[1] = createLine({90, 2445}, {5654, 2445}, 1, QColor(128, 128, 128));
    lblDescription = createLabel({1200, 1125, 3885, 450},
                                 QStringLiteral("Wimblet is a simple and fun text-editor that "
                                                "allow you to convert text into Cute Style. "),
                                 kBlack);
    lblTitle = createLabel({1200, 240, 3885, 360}, QString(), kBlack);
    lblTitle->setFont(dialogFont(12, true));
    Line1[0] = createLine({105, 2460}, {5654, 2460}, 2, Qt::white);
    lblVersion = createLabel({1200, 720, 3885, 225}, QString(), kButtonTextColour);

    // The button comes first in the tab order, then the icon; labels never take the focus.
    QWidget::setTabOrder(cmdOK, picIcon);
    cmdOK->setFocus();
}

QLabel *frmAbout::createLabel(const QRectF &twips, const QString &text, quint32 colour)
{
    auto *label = new QLabel(text, clientArea());
    label->setGeometry(pixelRect(twips));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    label->setFocusPolicy(Qt::NoFocus);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, resolveColour(colour, palette));
    label->setPalette(palette);
    return label;
}

LineShape *frmAbout::createLine(QPointF fromTwips, QPointF toTwips, int width,
                                const QColor &colour)
{
    return new LineShape(pixelPoint(fromTwips), pixelPoint(toTwips), width, colour, clientArea());
}

QRect frmAbout::pixelRect(const QRectF &twips) const
{
    return QRect(toPixels(twips.left()), toPixels(twips.top()), toPixels(twips.width()),
                 toPixels(twips.height()));
}

QPoint frmAbout::pixelPoint(QPointF twips) const
{
    return QPoint(toPixels(twips.x()), toPixels(twips.y()));
}

// The window always opens at the same place on the primary screen, whatever the
// main window's position. The geometry set here is that of the client area; on X11
// Qt asks the window manager to keep it there and to put the frame around it.
// Wayland compositors place windows themselves and ignore it.
void frmAbout::placeOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
    setGeometry(QRect(origin + pixelPoint({kLeft, kTop}), size()));
}

void frmAbout::Form_Load()
{
    setCaption(QStringLiteral("About ") + App::Title());
    lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                            .arg(App::Major)
                            .arg(App::Minor)
                            .arg(App::Revision));
    lblTitle->setText(App::Title());
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    Form::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT unloaded();
}

// The OK button is both the default and the cancel button: Enter and Esc press it
// wherever the focus is in the window.
void frmAbout::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
        cmdOK->click();
        return;
    }
    Form::keyPressEvent(event);
}

} // namespace wimblet
