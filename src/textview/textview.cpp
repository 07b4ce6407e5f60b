#include "textview/textview.h"

#include "textview/textviewaccessible.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QInputMethod>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include <cmath>

namespace wimblet {

namespace {

// Whether the store holds `text`, read piece by piece rather than built whole.
bool holdsText(const TextStore &store, const QString &text)
{
    if (store.length() != text.size())
        return false;
    bool same = true;
    qsizetype at = 0;
    store.forEachPiece(0, store.length(), [&](QStringView piece) {
        same = same && piece == QStringView(text).mid(at, piece.size());
        at += piece.size();
    });
    return same;
}

} // namespace

TextView::TextView(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_layout(m_store)
    , m_foreColor(palette().color(QPalette::Text))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    verticalScrollBar()->setSingleStep(1);
    m_recount.setInterval(0);
    connect(&m_recount, &QTimer::timeout, this, &TextView::recountSlice);
    m_layout.setFont(font());
    m_layout.setStandInColor(standInColor());
    relayout();
    installTextViewAccessibility();
}

TextView::~TextView() = default;

void TextView::setText(const QString &text)
{
    const bool same = holdsText(m_store, text);
    const qint64 oldLength = m_store.length();
    // What may run out of memory is made beside the old text first, which stays when it does.
    TextStore next(text);
    m_layout.reset(next);
    m_store = std::move(next);
    ++m_textsSet;
    m_undo.clear();
    m_caret = m_anchor = 0;
    m_goalX = -1;
    m_topOffset = 0;
    scheduleRecount();
    updateScrollBar();
    viewport()->update();
    announceNewText(this, oldLength);
    announceCaret(this, 0, 0, 0, false);
    if (!same)
        Q_EMIT textChanged();
    Q_EMIT caretMoved();
}

void TextView::setForeColor(const QColor &colour)
{
    m_foreColor = colour;
    viewport()->update();
}

QString TextView::selectedText() const
{
    return m_store.text(selectionStart(), selectionEnd() - selectionStart());
}

void TextView::setSelection(qint64 anchor, qint64 caret)
{
    anchor = caretPlace(m_store, anchor);
    caret = caretPlace(m_store, caret);
    if (anchor == m_anchor && caret == m_caret)
        return;
    const bool repaintAll = hasSelection() || anchor != caret;
    const bool selectionChanged
        = repaintAll && std::minmax(anchor, caret) != std::minmax(m_anchor, m_caret);
    const QRect oldCaret = m_caretRect;
    m_anchor = anchor;
    if (caret != m_caret)
        m_goalX = -1; // a caret put anywhere but by Up and Down takes its own x (moveTo keeps it)
    m_caret = caret;
    ensureCaretVisible();
    // Where the caret now stands is worked out when its row is painted.
    if (repaintAll) {
        viewport()->update();
    } else {
        viewport()->update(oldCaret);
        viewport()->update(rowBand(m_caret));
    }
    restartBlink();
    m_tellInputMethod = hasFocus(); // once the caret's place is known, when painted
    announceCaret(this, m_caret, selectionStart(), selectionEnd(), selectionChanged);
    Q_EMIT caretMoved();
}

void TextView::selectAll()
{
    setSelection(0, m_store.length());
    setPrimarySelection();
}

qint64 TextView::rowCount()
{
    m_layout.finishCounting();
    return m_layout.rowCount();
}

qint64 TextView::rowOfOffset(qint64 offset)
{
    m_layout.finishCounting();
    return m_layout.rowOfOffset(offset);
}

qint64 TextView::rowStart(qint64 row)
{
    m_layout.finishCounting();
    if (row >= m_layout.rowCount())
        return m_store.length();
    return m_layout.row(row).start;
}

qint64 TextView::topRow()
{
    return m_layout.rowOfOffset(m_topOffset);
}

std::pair<qint64, qint64> TextView::rowSpanAt(qint64 offset)
{
    const ViewRow row = m_layout.rowAt(std::clamp<qint64>(offset, 0, m_store.length()));
    if (!row.endsParagraph)
        return {row.start, row.end};
    return {row.start, std::min(row.end + 2, m_store.length())};
}

void TextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        if (m_topOffset > 0) // the first row starts at 0 whatever the font
            m_topOffset = m_layout.rowAt(m_topOffset).start;
        scheduleRecount();
        updateScrollBar();
        viewport()->update();
    }
}

void TextView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    m_menuOpen = false;
    restartBlink();
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // A menu popping up over the view leaves its selection showing, as the menu acts on it.
    m_menuOpen = event->reason() == Qt::PopupFocusReason;
    m_blink.stop();
    viewport()->update();
}

} // namespace wimblet
