#pragma once
// A status bar of fixed panels addressed by index from 1; widths in twips.

#include <QDate>
#include <QLabel>
#include <QTimer>

#include <vector>

namespace wimblet {

class Form;

/// The panels' face: a true narrow one, so that line and column figures of several digits
/// fit panels 1005 twips wide, at a size that stays legible.
inline constexpr const char *kPanelFontFamily = "Nimbus Sans Narrow";
inline constexpr double kPanelFontPoints = 7.0;
/// What a panel's frame and indent take from its width, in pixels.
inline constexpr int kPanelFrameWidth = 1;
inline constexpr int kPanelIndent = 1;
QFont panelFont();
/// Room for text in a panel of this width.
int panelTextRoom(int panelPixels);

class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    enum Kind { TextPanel, DatePanel };
    StatusPanel(Kind kind, float widthTwips, float minWidthTwips, QWidget *parent);

    Kind kind() const { return m_kind; }
    /// The whole text, also while the panel shows it cut short.
    QString Text() const { return m_text; }
    // A date panel shows today's date; its text cannot be set.
    void setText(const QString &text);
    // Today's date, for a date panel; ignored by a text panel.
    void showDate(const QString &date);
    float Width() const { return m_width; }
    void setWidth(float twips);
    float MinWidth() const { return m_minWidth; }
    // A figure that may still change: shown in italics and grey, its tooltip says so.
    void setProvisional(bool provisional);
    bool isProvisional() const { return m_provisional; }

Q_SIGNALS:
    void widthChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitText();

    Kind m_kind;
    bool m_provisional = false;
    QString m_text;
    float m_width;
    float m_minWidth;
};

class StatusBar : public QWidget
{
    Q_OBJECT

public:
    explicit StatusBar(Form *form);

    StatusPanel *addPanel(StatusPanel::Kind kind, const QString &text, float widthTwips,
                          float minWidthTwips);
    int panelCount() const { return int(m_panels.size()); }
    // Panels counted from 1; nullptr outside the range.
    StatusPanel *Panels(int index) const;

    // Today's date in the user's short date format, the year written in full.
    static QString shortDateText(const QDate &date, const QLocale &locale);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placePanels();
    void refreshDates();
    void scheduleMidnight();

    Form *m_form;
    std::vector<StatusPanel *> m_panels;
    QTimer m_midnight;
};

} // namespace wimblet
