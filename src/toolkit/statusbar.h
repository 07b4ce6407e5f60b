#pragma once
// A status bar of fixed panels addressed by index from 1; widths in twips.

#include <QDate>
#include <QLabel>
#include <QTimer>

#include <vector>

namespace wimblet {

class Form;

class StatusPanel : public QLabel
{
    Q_OBJECT

public:
    enum Kind { TextPanel, DatePanel };
    StatusPanel(Kind kind, float widthTwips, float minWidthTwips, QWidget *parent);

    Kind kind() const { return m_kind; }
    QString Text() const { return text(); }
    // A date panel shows today's date; its text cannot be set.
    void setText(const QString &text);
    float Width() const { return m_width; }
    void setWidth(float twips);
    float MinWidth() const { return m_minWidth; }

Q_SIGNALS:
    void widthChanged();

private:
    Kind m_kind;
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
