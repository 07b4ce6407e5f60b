#pragma once
// The About window: the program icon, title, version, a one-line description
// and the maker's credits, with an OK button that unloads it.

#include "about/lineshape.h"
#include "toolkit/form.h"

#include <QRectF>

#include <array>

class QLabel;
class QPushButton;

namespace wimblet {

class frmAbout : public Form
{
    Q_OBJECT

public:
    // Builds the window from its design and places it at its fixed screen position.
    // The window destroys itself once it is unloaded.
    frmAbout();

    // Controls, named as the rest of the program refers to them.
    QLabel *picIcon = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    // Index 0 is the white highlight, index 1 the grey shadow above it.
    std::array<LineShape *, 2> Line1{};

Q_SIGNALS:
    // The window accepted a request to close; it is about to be destroyed.
    void unloaded();

protected:
    void Form_Load() override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    QLabel *createLabel(const QRectF &twips, const QString &text, quint32 colour);
    LineShape *createLine(QPointF fromTwips, QPointF toTwips, int width, const QColor &colour);
    QRect pixelRect(const QRectF &twips) const;
    QPoint pixelPoint(QPointF twips) const;
    void placeOnScreen();
    void cmdOK_Click();
};

} // namespace wimblet
