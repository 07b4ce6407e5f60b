#pragma once
// A top-level window in the program's terms: a menu bar over a client area in
// which a toolbar docks at the top and a status bar at the bottom, sizes in
// twips, and the load, resize and close-request events.

#include <QWidget>

#include <vector>

class QMenuBar;

namespace wimblet {

class Form : public QWidget
{
    Q_OBJECT

public:
    explicit Form(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }
    // 0 normal, 1 minimized, 2 maximized.
    int WindowState() const;
    // The client area below the menu bar, toolbar and status bar included, in twips.
    float ScaleWidth() const;
    float ScaleHeight() const;

    double twipsPerPixel() const;
    int toPixels(double twips) const;
    double toTwips(int pixels) const;

    QWidget *clientArea() const { return m_client; }
    QMenuBar *menuBar();

    // Keeps a control along the top or bottom edge of the client area, full width.
    void dockTop(QWidget *control, double heightTwips);
    void dockBottom(QWidget *control, double heightTwips);

    // Sizes the window so that its client area is this large, in twips.
    void setClientSizeTwips(double width, double height);
    void setMinimumClientSizeTwips(double width, double height);
    void centreOnScreen();

    void setVisible(bool visible) override;

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    // Every request to close; a non-zero cancel refuses it.
    virtual void Form_QueryUnload(int &cancel, int unloadMode);

    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Docked {
        QWidget *control;
        double heightTwips;
        bool top;
    };
    void dockAll();
    void placeAgainIfFramed();
    int menuBarHeight() const;

    QWidget *m_client;
    QMenuBar *m_menuBar = nullptr;
    std::vector<Docked> m_docked;
    bool m_loaded = false;
    bool m_shownOnce = false;
    bool m_placeWhenFramed = false;
    QSize m_placedSize;
    // How long after the first showing a window manager's frame may still arrive.
    static constexpr int kFramingWait = 2000;
};

} // namespace wimblet
