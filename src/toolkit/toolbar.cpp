#include "toolkit/toolbar.h"

#include "toolkit/form.h"

#include <QToolButton>

namespace wimblet {

namespace {
const char *const kKeyProperty = "wimbletKey";
}

Toolbar::Toolbar(Form *form, double buttonWidthTwips, double buttonHeightTwips)
    : QWidget(form->clientArea())
    , m_form(form)
    , m_buttonWidth(buttonWidthTwips)
    , m_buttonHeight(buttonHeightTwips)
{
    setAccessibleName(QStringLiteral("Toolbar"));
    setAutoFillBackground(true);
}

QToolButton *Toolbar::addButton(const QString &key, const QString &toolTip, const QIcon &icon)
{
    auto *button = new QToolButton(this);
    button->setProperty(kKeyProperty, key);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setIcon(icon);
    button->setIconSize(QSize(24, 22));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this,
            [this, button] { Q_EMIT ButtonClick(keyOf(button)); });
    m_buttons.push_back(button);
    placeButtons();
    return button;
}

QString Toolbar::keyOf(const QToolButton *button)
{
    return button ? button->property(kKeyProperty).toString() : QString();
}

float Toolbar::Height() const
{
    return float(m_form->toTwips(height()));
}

void Toolbar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void Toolbar::placeButtons()
{
    const int w = m_form->toPixels(m_buttonWidth);
    const int h = m_form->toPixels(m_buttonHeight);
    const int top = std::max(0, (height() - h) / 2);
    int left = 0;
    for (QToolButton *button : m_buttons) {
        button->setGeometry(left, top, w, h);
        left += w;
    }
}

} // namespace wimblet
