#pragma once
// A toolbar of picture-only push buttons identified by key.

#include <QIcon>
#include <QWidget>

#include <vector>

class QToolButton;

namespace wimblet {

class Form;

class Toolbar : public QWidget
{
    Q_OBJECT

public:
    Toolbar(Form *form, double buttonWidthTwips, double buttonHeightTwips);

    QToolButton *addButton(const QString &key, const QString &toolTip, const QIcon &icon);
    int buttonCount() const { return int(m_buttons.size()); }
    QToolButton *button(int index) const { return m_buttons.at(size_t(index)); }
    static QString keyOf(const QToolButton *button);

    // Height in twips.
    float Height() const;

Q_SIGNALS:
    // The clicked button, of which only the key is read.
    void ButtonClick(const QString &key);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButtons();

    Form *m_form;
    double m_buttonWidth;
    double m_buttonHeight;
    std::vector<QToolButton *> m_buttons;
};

} // namespace wimblet
