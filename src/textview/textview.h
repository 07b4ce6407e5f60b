#pragma once
// The editor's own text view: a scroll area that shows a TextStore wrapped into rows,
// with a caret, selection, editing keys, mouse selection, undo and the clipboard. Its
// parts are one file each: the text and selection (textview.cpp), rows and scrolling
// (_scroll), painting (_paint), edits and keys (_edit), the mouse (_mouse), input
// methods and drag and drop (_input); the rows themselves are ViewLayout's.

#include "textstore/textstore.h"
#include "textview/caretmotion.h"
#include "textview/undostack.h"
#include "textview/viewlayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTimer>

class QMenu;
class QMimeData;

namespace wimblet {

// The text is UTF-16 with CR LF line breaks; a lone LF or CR is a character of its
// line, drawn as a grey stand-in. Offsets count UTF-16 units, CR LF as two. Rows are
// the displayed rows: a paragraph wrapped at the viewport's width gives several.
class TextView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit TextView(QWidget *parent = nullptr);
    ~TextView() override;

    // Replaces the whole text, puts the caret at the start and clears the undo history.
    // When memory runs out (std::bad_alloc) the view keeps the text it had.
    void setText(const QString &text);
    QString text() const { return m_store.toString(); }
    const TextStore &store() const { return m_store; }
    qint64 length() const { return m_store.length(); }

    // Replaces [from, from + count) with `text` as one undoable step, caret after it.
    void replaceRange(qint64 from, qint64 count, const QString &text);
    // Replaces the whole text, which the caller has just read as `current`, as one
    // undoable step; the step keeps `current` rather than reading it again. When memory
    // runs out (std::bad_alloc) the text stays as it was.
    void replaceAll(const QString &text, const QString &current);

    QColor foreColor() const { return m_foreColor; }
    void setForeColor(const QColor &colour);
    // The colour stand-ins for lone line breaks and separators are drawn in.
    static QColor standInColor() { return QColor(128, 128, 128); }

    qint64 caret() const { return m_caret; }
    qint64 anchor() const { return m_anchor; }
    bool hasSelection() const { return m_caret != m_anchor; }
    qint64 selectionStart() const { return std::min(m_caret, m_anchor); }
    // Offset just after the selection's last unit, or the caret's offset.
    qint64 selectionEnd() const { return std::max(m_caret, m_anchor); }
    QString selectedText() const;
    // Places the anchor and the caret (clamped, never inside a CR LF or a pair).
    void setSelection(qint64 anchor, qint64 caret);
    void setCaret(qint64 offset) { setSelection(offset, offset); }
    void selectAll();

    // Rows as displayed, exact: the first call after a new text or width counts the rest.
    qint64 rowCount();
    qint64 rowOfOffset(qint64 offset);
    // Offset of a row's first unit, the text's length past the last row.
    qint64 rowStart(qint64 row);
    // The row at the top of the viewport.
    qint64 topRow();
    // Whether every row is counted, after a new text, width or font: figures are exact.
    bool rowsExact() const { return m_layout.exact(); }
    // Counts setText() calls: a text set whole, as an opened file is, rather than edited.
    qint64 textsSet() const { return m_textsSet; }
    // Rows laid out so far, for measuring: a caret blink or move lays out none.
    qint64 layoutsMade() const { return m_layout.layoutsMade(); }
    // Counts stale rows now for about `chars` characters or until the deadline; true
    // once every row is.
    bool countRowsNow(qint64 chars, QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    // While rows are still being counted: the rows there are so far, a guess for the
    // rest, and the row of an offset among them (exact up to the counted rows).
    qint64 rowCountSoFar() const { return m_layout.estimatedRowCount(); }
    qint64 rowOfOffsetSoFar(qint64 offset) { return m_layout.estimatedRowOfOffset(offset); }
    // The displayed row holding `offset`: its first offset and the next row's (past
    // the CR LF when the row ends its paragraph); counts no row but that paragraph's.
    std::pair<qint64, qint64> rowSpanAt(qint64 offset);
    // Where the caret would stand at `offset`, in viewport coordinates.
    QRect offsetRect(qint64 offset);
    // The box of the character at `offset` on its row, in viewport coordinates.
    QRect characterRect(qint64 offset);
    // The offset nearest to a viewport point.
    qint64 offsetAtPoint(QPoint point);
    // Scrolls as little as brings the row of `offset` into view.
    void ensureOffsetVisible(qint64 offset);
    // Room for text on a row, in px: the viewport's width less the margins.
    qreal rowWidth() const { return m_layout.lineWidth(); }
    qreal tabStop() const { return m_layout.tabStop(); }

    bool canUndo() const { return m_undo.canUndo(); }
    bool canRedo() const { return m_undo.canRedo(); }
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void deleteSelection();

    // What an input method may read: a bounded stretch of the caret's paragraph.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

Q_SIGNALS:
    // Once per edit, before the call that made it returns.
    void textChanged();
    // The caret or the selection moved.
    void caretMoved();
    // The left button was released over the view, after any selecting it did.
    void clicked();
    // Every row is counted again, in idle time, after a new text, width or font.
    void rowsCounted();
    // A key was released (auto-repeat aside), after its press was handled.
    void keyReleased(int key, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Room between the viewport's edges and the text, as the text box leaves.
    static constexpr int kMargin = 4;

    // textview_scroll.cpp: the rows at the viewport's width, counting and scrolling
    void relayout();
    void recountSlice();
    void scheduleRecount();
    void updateScrollBar();
    void scrollToRow(qint64 row);
    void scrollByRows(qint64 rows);
    // The start of the row `rows` rows above the one holding `offset`.
    qint64 rowStartAbove(qint64 offset, int rows);
    void ensureCaretVisible();
    // Rows from `from` on, down (step 1) or up (step -1), that fit in the viewport
    // together, each as tall as it is; past either end of the text, rows of the font's
    // own height. At least one. `height` takes the room they fill.
    int rowsFitting(ViewRow from, int step, qreal *height = nullptr);
    // Rows that fit from the top row down: a page, and how far PageDown moves.
    int visibleRows();
    // Rows that fit above the top row: how far PageUp moves.
    int rowsFittingAbove();
    // Rows that fit ending at the text's last row: the scroll bar's last page.
    int lastPageRows();
    // textview_paint.cpp: painting, the caret and where offsets stand on screen
    // The row holding `offset` and its top in viewport coordinates, found by walking the
    // rows from the top row down; a row above the top row or below the viewport stands
    // off screen (`shown` false), reckoned in rows of the font's own height, with no row
    // between laid out.
    struct RowPlace
    {
        ViewRow row;
        qreal top = 0;
        bool shown = true;
    };
    RowPlace placeOf(qint64 offset);
    QRect caretRect();
    // The band of the row holding `offset`, across the viewport.
    QRect rowBand(qint64 offset);
    void restartBlink();
    void repaintCaret();
    // textview_edit.cpp: edits and moves
    // Whether an edit stands alone, or opens or closes a pair undone as one (a move).
    enum class Pairing { Alone, Opens, Closes };
    void applyEdit(qint64 offset, qint64 removed, const QString &inserted, EditStep::Kind kind,
                   Pairing pairing = Pairing::Alone, const QString *removedText = nullptr);
    void insertTyped(const QString &typed, EditStep::Kind kind = EditStep::Kind::Typing);
    void deleteBackward(bool word);
    void deleteForward(bool word);
    void moveTo(qint64 offset, bool select, bool keepGoalX = false);
    void moveVertically(qint64 rows, bool select);
    bool handleMoveKey(QKeyEvent *event);
    bool handleEditKey(QKeyEvent *event);
    bool handleClipboardKey(QKeyEvent *event);
    // Replaces `out` at `offset` by `in` in the store and the rows; a whole text
    // replaced is all or nothing when memory runs out (std::bad_alloc).
    void changeText(qint64 offset, const QString &out, const QString &in);
    // What follows a change: rows to count, the caret, the screen, and who is told.
    void showStep(const EditStep &step, bool forward, bool announce);
    // False when memory ran out before the steps changed anything.
    bool applySteps(const std::vector<EditStep> &steps, bool forward);
    // textview_mouse.cpp: the mouse, the menu and the clipboard
    void extendMouseSelection(qint64 offset);
    void autoScroll();
    void setPrimarySelection() const;
    void insertFromMime(const QMimeData *data);
    QMenu *createContextMenu();
    bool handleMenuKey(QKeyEvent *event);
    // textview_input.cpp: input methods and drag and drop
    void startDrag();
    Span surroundingWindow() const;
    void showDropOffset(qint64 offset);

    TextStore m_store;
    ViewLayout m_layout;
    UndoStack m_undo;
    QColor m_foreColor;
    qint64 m_textsSet = 0;
    qint64 m_caret = 0;
    qint64 m_anchor = 0;
    qreal m_goalX = -1; // x kept by Up and Down across short rows
    qint64 m_topOffset = 0; // the top row's first offset: the scroll position
    bool m_scrolling = false; // the scroll bar is being set from the view
    bool m_caretShown = true;
    QBasicTimer m_blink;
    QTimer m_recount;
    QElapsedTimer m_sinceInput; // since the last key, click, wheel turn or resize
    // Mouse selection: by characters, words (double click) or paragraphs (triple click)
    enum class Unit { Char, Word, Paragraph } m_unit = Unit::Char;
    bool m_dragging = false;
    Span m_unitAnchor;
    QBasicTimer m_autoScroll;
    QPoint m_lastMouse;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
    qreal m_wheelRest = 0; // part of a row the wheel has scrolled
    QString m_preedit; // the input method's text being composed, drawn at the caret
    int m_preeditCursor = -1; // the input method's caret in it, or -1 while hidden
    bool m_mayDrag = false; // pressed inside the selection: a move starts a drag
    QPoint m_pressPoint;
    bool m_droppedHere = false; // the drag ended in this view, which moved the text itself
    qint64 m_dropOffset = -1; // where dragged text would go; the selection stays as it was
    QRect m_caretRect; // where the caret was drawn last
    bool m_tellInputMethod = false; // the caret moved since it was last painted
    bool m_recountAfterPaint = false; // rows went stale: count once the change is shown
    bool m_menuOpen = false; // the focus went to a popup menu
};

} // namespace wimblet
