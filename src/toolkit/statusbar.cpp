#include "toolkit/statusbar.h"

#include "toolkit/form.h"

#include <QAccessibleWidget>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace wimblet {

QFont panelFont()
{
    QFont font(QString::fromLatin1(kPanelFontFamily));
    // Where the narrow face is missing, the closest a Debian desktop has.
    font.setFamilies({QString::fromLatin1(kPanelFontFamily),
                      QStringLiteral("Liberation Sans Narrow"),
                      QStringLiteral("DejaVu Sans Condensed")});
    font.setPointSizeF(kPanelFontPoints);
    return font;
}

int panelTextRoom(int panelPixels)
{
    return panelPixels - 2 * kPanelFrameWidth - kPanelIndent;
}

StatusPanel::StatusPanel(Kind kind, float widthTwips, float minWidthTwips, QWidget *parent)
    : QLabel(parent)
    , m_kind(kind)
    , m_width(widthTwips)
    , m_minWidth(minWidthTwips)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kPanelFrameWidth);
    setIndent(kPanelIndent);
    setFont(panelFont());
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void StatusPanel::setText(const QString &text)
{
    if (m_kind != TextPanel || text == m_text)
        return;
    m_text = text;
    fitText();
}

void StatusPanel::showDate(const QString &date)
{
    if (m_kind != DatePanel)
        return;
    m_text = date;
    fitText();
}

void StatusPanel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fitText();
}

namespace {

QString provisionalNote()
{
    return QStringLiteral("The lines are still being counted: this figure may change.");
}

} // namespace

// A text that does not fit is cut with a visible ellipsis, never silently, and the
// whole text is a tooltip away; screen readers read the whole text.
void StatusPanel::fitText()
{
    const int room = panelTextRoom(width());
    const QFontMetrics metrics(font());
    const QString shown = metrics.horizontalAdvance(m_text.trimmed()) <= room
                              ? m_text
                              : metrics.elidedText(m_text.trimmed(), Qt::ElideRight, room);
    QLabel::setText(shown);
    QString tip = shown == m_text ? QString() : m_text;
    if (m_provisional)
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + provisionalNote();
    setToolTip(tip);
    if (accessibleName() != m_text)
        setAccessibleName(m_text);
}

void StatusPanel::setProvisional(bool provisional)
{
    if (provisional == m_provisional)
        return;
    m_provisional = provisional;
    QFont face = font();
    face.setItalic(provisional);
    setFont(face);
    QPalette look = palette();
    look.setColor(QPalette::WindowText, provisional ? look.color(QPalette::Disabled, QPalette::WindowText)
                                                    : parentWidget()->palette().color(QPalette::WindowText));
    setPalette(look);
    setAccessibleDescription(provisional ? provisionalNote() : QString());
    fitText();
}

void StatusPanel::setWidth(float twips)
{
    m_width = twips;
    Q_EMIT widthChanged();
}

namespace {

// A plain widget is a "filler" to assistive technology, where a screen reader's command
// to read the status bar finds nothing. The panels are its children, in their order.
QAccessibleInterface *statusBarAccessible(const QString &className, QObject *object)
{
    if (className != QLatin1String("wimblet::StatusBar") || !object || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
}

} // namespace

StatusBar::StatusBar(Form *form)
    : QWidget(form->clientArea())
    , m_form(form)
{
    static const bool accessible = (QAccessible::installFactory(statusBarAccessible), true);
    Q_UNUSED(accessible);
    setAccessibleName(QStringLiteral("Status bar"));
    m_midnight.setSingleShot(true);
    connect(&m_midnight, &QTimer::timeout, this, [this] {
        refreshDates();
        scheduleMidnight();
    });
    scheduleMidnight();
}

StatusPanel *StatusBar::addPanel(StatusPanel::Kind kind, const QString &text, float widthTwips,
                                 float minWidthTwips)
{
    auto *panel = new StatusPanel(kind, widthTwips, minWidthTwips, this);
    if (kind == StatusPanel::DatePanel)
        panel->showDate(shortDateText(QDate::currentDate(), QLocale::system()));
    else
        panel->setText(text);
    connect(panel, &StatusPanel::widthChanged, this, &StatusBar::placePanels);
    m_panels.push_back(panel);
    placePanels();
    return panel;
}

StatusPanel *StatusBar::Panels(int index) const
{
    if (index < 1 || index > panelCount())
        return nullptr;
    return m_panels[size_t(index - 1)];
}

QString StatusBar::shortDateText(const QDate &date, const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // A two-digit year is ambiguous in a status line; write it in full.
    static const QRegularExpression shortYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(shortYear, QStringLiteral("yyyy"));
    return locale.toString(date, format);
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placePanels();
}

void StatusBar::placePanels()
{
    // Edges are rounded from the running sum so that widths do not drift.
    double left = 0;
    for (StatusPanel *panel : m_panels) {
        const double right = left + std::max(0.0f, panel->Width());
        const int x0 = m_form->toPixels(left);
        const int x1 = m_form->toPixels(right);
        panel->setGeometry(x0, 0, x1 - x0, height());
        left = right;
    }
}

void StatusBar::refreshDates()
{
    const QString today = shortDateText(QDate::currentDate(), QLocale::system());
    for (StatusPanel *panel : m_panels)
        if (panel->kind() == StatusPanel::DatePanel)
            panel->showDate(today);
}

void StatusBar::scheduleMidnight()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next(now.date().addDays(1), QTime(0, 0, 1));
    // Re-check at least hourly, in case the clock or time zone jumps.
    const qint64 ms = std::clamp<qint64>(now.msecsTo(next), 1000, 3600 * 1000);
    m_midnight.start(int(ms));
}

} // namespace wimblet
