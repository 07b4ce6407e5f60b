#include "diffpair.h"

#include "support/plaintextbox.h"
#include "textview/caretmotion.h"
#include "textview/textview.h"
#include "viewtest.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>

namespace wimblet::difftest {

namespace {

// Where the box's caret or anchor stands in CR LF offsets: each block break before it
// counts two.
qint64 boxOffset(const PlainTextBox &box, int position)
{
    return position + box.document()->findBlock(position).blockNumber();
}

// Rows are compared where the writing's rows are the same in both: a tab after a letter
// with marks may end one row in the box and start the next in the view.
bool rowsComparable(Writing writing)
{
    return writing != Writing::Marks;
}

// Whether the grapheme before `offset` holds what makes the view's Backspace take it
// whole: a regional indicator, U+20E3, a ZWJ, an emoji modifier or U+FE0F.
bool emojiBefore(const QString &text, qint64 offset)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(offset);
    const qsizetype start = std::max<qsizetype>(0, finder.toPreviousBoundary());
    for (uint c : QStringView(text).mid(start, offset - start).toUcs4()) {
        if ((c >= 0x1F1E6 && c <= 0x1F1FF) || (c >= 0x1F3FB && c <= 0x1F3FF) || c == 0x20E3
            || c == 0x200D || c == 0xFE0F)
            return true;
    }
    return false;
}

} // namespace

DiffPair::DiffPair(int height)
    : m_height(height)
    , m_box(new PlainTextBox)
    , m_view(new TextView)
{
    // The box's rows are its viewport less twice its 4 px document margin, and so are
    // the view's: the two wrap at the same width at every size, as the window needs.
    for (QWidget *w : {static_cast<QWidget *>(m_box), static_cast<QWidget *>(m_view)}) {
        w->setFont(viewtest::monospace());
        w->setFocusPolicy(Qt::StrongFocus);
        w->resize(320, height);
        w->show();
    }
}

DiffPair::~DiffPair()
{
    delete m_box;
    delete m_view;
}

void DiffPair::resize(int width)
{
    m_box->resize(width, m_height);
    m_view->resize(width, m_height);
}

QString DiffPair::run(const QString &start, const Script &script, Writing writing)
{
    const bool rows = rowsComparable(writing);
    m_box->setText(start);
    m_view->setText(start);
    m_writing = writing;
    m_xMayDiffer = false;
    QString failure = disagreement(rows);
    for (m_step = 0; failure.isEmpty() && m_step < int(script.size()); ++m_step) {
        failure = play(script[size_t(m_step)]);
        if (failure.isEmpty())
            failure = disagreement(rows);
        // WIMBLET_DIFF_TRACE=1 prints both sides after every step, to study a failure by.
        if (qEnvironmentVariableIsSet("WIMBLET_DIFF_TRACE"))
            qDebug() << m_step + 1 << script[size_t(m_step)].describe() << "box" << boxAnchor()
                     << boxCaret() << "view" << m_view->anchor() << m_view->caret()
                     << quoted(m_box->Text().left(40)) << quoted(m_view->text().left(40));
    }
    return failure;
}

// Sends the step to both and lets the box catch up where it differs by design; an
// empty answer, or what went wrong.
QString DiffPair::play(const Step &step)
{
    const QString boxBefore = m_box->Text();
    const QString viewBefore = m_view->text();
    const qint64 caretBefore = boxCaret();
    const qint64 anchorBefore = boxAnchor();
    // The box's Backspace takes one code point off any cluster; the view's takes an
    // emoji sequence whole, as its parts alone show as other emoji. The box is given
    // more Backspaces until its text is the view's.
    const bool afterEmoji = caretBefore > 0 && emojiBefore(boxBefore, caretBefore);
    const bool fromRightToLeft = inRightToLeft();
    if (wordRulesDiffer(step))
        return {};
    sendToBoth(step);
    const bool textsDiffer = m_box->Text() != m_view->text();
    if (step.isUndoOrRedo() && textsDiffer
        && !resyncUndo(step, m_box->Text() != boxBefore, m_view->text() != viewBefore))
        return QStringLiteral("undo steps differ beyond their grouping\n");
    if (textsDiffer && afterEmoji && step.kind == Step::Kind::Key && step.key == Qt::Key_Backspace
        && step.modifiers == Qt::NoModifier) {
        for (int extra = 0; extra < 8 && m_box->Text() != m_view->text(); ++extra)
            send(m_box, step);
    }
    const bool placed
        = boxCaret() != caretBefore || boxAnchor() != anchorBefore || m_box->Text() != boxBefore;
    const bool staleX = keepsStaleX(step, placed);
    // After Ctrl+Z or Ctrl+Y the view puts back the selection the step was made from,
    // the box a caret at one end of the restored text: only the texts are compared.
    if (step.isUndoOrRedo() || passedAnEnd(step) || isPageKey(step) || isWordMove(step)
        || endAtWrapPoint(step) || staleX || (followsRows(step) && !rowsComparable(m_writing))
        || (isVerticalMove(step) && (fromRightToLeft || inRightToLeft()))) {
        alignViewToBox();
        m_xMayDiffer = true;
    }
    return {};
}

// Up and Down keep the x the caret was placed at. The box's keeps the x it had before a
// resize, the view's takes the x where it now shows; and where the view was brought to
// the box's caret, the two were placed differently. True for an Up or Down made from such
// an x, until the caret is placed anew by another key.
bool DiffPair::keepsStaleX(const Step &step, bool placed)
{
    const bool stale = m_xMayDiffer && isVerticalMove(step);
    if (step.kind == Step::Kind::Resize)
        m_xMayDiffer = true;
    else if (placed && !isVerticalMove(step) && !isPageKey(step))
        m_xMayDiffer = false;
    return stale;
}

// The box pages by the rows that fit whole below its scrolled top, and at the last page
// keeps the caret's column on the last row; the view moves the caret by its count of
// visible rows. After Page Up or Page Down only the texts are compared.
bool DiffPair::isPageKey(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_PageUp || step.key == Qt::Key_PageDown);
}

// Ctrl+Backspace and Ctrl+Delete take what the view's own word rule says (a word or a
// run of punctuation, and the blanks after it), the box's word boundaries another
// stretch: the keys are sent only where both would take the same, and skipped elsewhere.
bool DiffPair::wordRulesDiffer(const Step &step) const
{
    const bool back = step.key == Qt::Key_Backspace;
    if (step.kind != Step::Kind::Key || !(step.modifiers & Qt::ControlModifier)
        || (!back && step.key != Qt::Key_Delete) || m_view->hasSelection())
        return false;
    QTextCursor cursor = m_box->textCursor();
    cursor.movePosition(back ? QTextCursor::PreviousWord : QTextCursor::NextWord,
                        QTextCursor::KeepAnchor);
    const qint64 boxEnd = boxOffset(*m_box, cursor.position());
    const qint64 caret = m_view->caret();
    return boxEnd
           != (back ? previousWordStart(m_view->store(), caret) : nextWordStart(m_view->store(), caret));
}

// Ctrl+Left and Ctrl+Right move by the view's own word rule (over a word or a run of
// punctuation and the blanks after it); the box stops where its word boundaries are.
bool DiffPair::isWordMove(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_Left || step.key == Qt::Key_Right)
           && (step.modifiers & Qt::ControlModifier);
}

// Up and Down keep an x on screen, and Home and End go to a row's ends: where rows are
// shaped by the box (right-to-left text, marks the font has no room for) but measured
// per character by the view, they part. In the writings whose rows are not compared,
// neither are the carets after these keys.
bool DiffPair::followsRows(const Step &step) const
{
    const bool home = step.key == Qt::Key_Home || step.key == Qt::Key_End;
    return isVerticalMove(step)
           || (step.kind == Step::Kind::Key && home && !(step.modifiers & Qt::ControlModifier));
}

// In a right-to-left paragraph the box's Up and Down keep an x from before End and from
// where its caret stood on the other side of a wrapped row's end, which the view's do
// not copy: after them only the texts are compared.
bool DiffPair::inRightToLeft() const
{
    return m_box->textCursor().block().textDirection() == Qt::RightToLeft;
}

bool DiffPair::isVerticalMove(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_Up || step.key == Qt::Key_Down);
}

// End on a row wrapped without a blank: the box goes to the wrap point, the next row's
// first offset, the view stays before the row's last character so that its caret shows
// on the row it was on.
bool DiffPair::endAtWrapPoint(const Step &step) const
{
    if (step.kind != Step::Kind::Key || step.key != Qt::Key_End
        || (step.modifiers & Qt::ControlModifier))
        return false;
    const qint64 next = m_view->rowStart(m_view->rowOfOffset(m_view->caret()) + 1);
    const QString text = m_view->text();
    return boxCaret() == next && next < text.size() && m_view->caret() < next
           && text.mid(next - 2, 2) != QLatin1String("\r\n");
}

// Up or Page Up from the first row takes the view's caret to the text's start, Down or
// Page Down from the last row to its end; the box's stays on that row. Where the view
// went there and the box stayed on that row, the view is brought back to the box.
bool DiffPair::passedAnEnd(const Step &step) const
{
    if (step.kind != Step::Kind::Key)
        return false;
    // A move without Shift leaves no selection; with it, the anchor stays.
    const qint64 anchor = step.modifiers & Qt::ShiftModifier ? boxAnchor() : m_view->caret();
    if (m_view->anchor() != anchor)
        return false;
    const int row = m_box->lines().lineFromChar(int(boxCaret())).value_or(-1);
    switch (step.key) {
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        return m_view->caret() == 0 && row == 0;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        return m_view->caret() == m_view->length() && row + 1 == m_box->lines().lineCount();
    default:
        return false;
    }
}

void DiffPair::alignViewToBox()
{
    m_view->setSelection(boxAnchor(), boxCaret());
}

qint64 DiffPair::boxCaret() const
{
    return boxOffset(*m_box, m_box->textCursor().position());
}

qint64 DiffPair::boxAnchor() const
{
    return boxOffset(*m_box, m_box->textCursor().anchor());
}

void DiffPair::sendToBoth(const Step &step)
{
    if (step.kind == Step::Kind::Resize)
        return resize(step.width);
    if (step.kind == Step::Kind::TripleClick) {
        tripleClick(m_box->viewport(), boxPoint(step.offset), boxPoint(step.dragTo));
        const auto viewPoint = [&](qint64 offset) {
            return m_view->offsetRect(offset).center();
        };
        return tripleClick(m_view->viewport(), viewPoint(step.offset), viewPoint(step.dragTo));
    }
    // The box first: a copy or cut from it is then replaced by the view's own.
    send(m_box, step);
    send(m_view, step);
}

// Where the box's caret at a CR LF offset would be drawn.
QPoint DiffPair::boxPoint(qint64 offset) const
{
    QTextCursor cursor(m_box->document());
    cursor.setPosition(int(offset - m_box->Text().left(offset).count(QLatin1String("\r\n"))));
    return m_box->cursorRect(cursor).center();
}

// Two presses, one as a double click, then a third that is dragged and released.
void DiffPair::tripleClick(QWidget *port, QPoint at, QPoint releasedAt)
{
    // However slow the machine, the presses count as one triple click.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(1 << 30);
    QTest::mouseDClick(port, Qt::LeftButton, {}, at);
    QTest::mousePress(port, Qt::LeftButton, {}, at);
    if (releasedAt != at)
        QTest::mouseMove(port, releasedAt);
    QTest::mouseRelease(port, Qt::LeftButton, {}, releasedAt);
}

// The box merges its undo steps by its own rules (typing after a paste, typing that
// comes back to where it stopped, a line break typed and taken back, which it undoes as
// nothing), the view by its own: where one Ctrl+Z or Ctrl+Y took one side further than
// the other, the other side is given up to three more presses to reach the same text.
// A view whose press changed nothing while the box's changed the text is a failure.
// Whether the side has a step to undo (or redo).
bool DiffPair::canPress(QWidget *side, bool undo) const
{
    if (side == m_box)
        return undo ? m_box->document()->isUndoAvailable() : m_box->document()->isRedoAvailable();
    return undo ? m_view->canUndo() : m_view->canRedo();
}

// Presses the step on the side up to `count` times while it has a step to take; how
// many it pressed.
int DiffPair::pressUpTo(QWidget *side, const Step &step, int count, bool undo)
{
    int done = 0;
    for (; done < count && canPress(side, undo); ++done)
        send(side, step);
    return done;
}

bool DiffPair::resyncUndo(const Step &step, bool boxChanged, bool viewChanged)
{
    if (boxChanged && !viewChanged)
        return false;
    // Ctrl+Z is undone by Ctrl+Shift+Z, the redo key of every platform's bindings here.
    const bool undo = step.key == Qt::Key_Z && step.modifiers == Qt::ControlModifier;
    Step inverse = step;
    inverse.key = Qt::Key_Z;
    inverse.modifiers = undo ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier;
    // The box's extra presses may pass over its steps that change nothing (a line break
    // typed at a paragraph's start leaves one behind when undone); each press takes one
    // step, and is taken back with one press of the other key. Where the two group
    // overlapping stretches (the box joins the first letter typed after a pasted stand-in
    // to the paste), both are pressed on to the next text they agree on. The fewest
    // extra presses that bring the texts together are looked for, so that neither side
    // is walked back to an older text that happens to match.
    for (int presses = 1; presses <= 9; ++presses) {
        for (int onBox = presses; onBox >= 0; --onBox) {
            const int onView = presses - onBox;
            if (onBox > 6 || onView > 3)
                continue;
            const int boxDone = pressUpTo(m_box, step, onBox, undo);
            const int viewDone = pressUpTo(m_view, step, onView, undo);
            if (m_box->Text() == m_view->text())
                return true;
            pressUpTo(m_box, inverse, boxDone, !undo);
            pressUpTo(m_view, inverse, viewDone, !undo);
        }
    }
    return false;
}

QString DiffPair::disagreement(bool compareRows) const
{
    const QString boxText = m_box->Text();
    const QString viewText = m_view->text();
    if (boxText != viewText)
        return QStringLiteral("text: box %1, view %2\n").arg(quoted(boxText), quoted(viewText));
    const QTextCursor cursor = m_box->textCursor();
    const qint64 boxCaret = boxOffset(*m_box, cursor.position());
    const qint64 boxAnchor = boxOffset(*m_box, cursor.anchor());
    if (boxCaret != m_view->caret() || boxAnchor != m_view->anchor())
        return QStringLiteral("caret and anchor: box %1 and %2, view %3 and %4 in %5\n")
            .arg(boxCaret)
            .arg(boxAnchor)
            .arg(m_view->caret())
            .arg(m_view->anchor())
            .arg(quoted(boxText));
    if (m_box->lines().selectionEnd() != m_view->selectionEnd())
        return QStringLiteral("selection end: box %1, view %2\n")
            .arg(m_box->lines().selectionEnd().value_or(-1))
            .arg(m_view->selectionEnd());
    return compareRows ? rowDisagreement() : QString();
}

QString DiffPair::rowDisagreement() const
{
    const int rows = m_box->lines().lineCount().value_or(-1);
    if (rows != m_view->rowCount())
        return QStringLiteral("row count: box %1, view %2\n").arg(rows).arg(m_view->rowCount());
    const qint64 caret = m_view->caret();
    const int boxRow = m_box->lines().lineFromChar(int(caret)).value_or(-1);
    if (boxRow != m_view->rowOfOffset(caret))
        return QStringLiteral("row of the caret at %1: box %2, view %3\n")
            .arg(caret)
            .arg(boxRow)
            .arg(m_view->rowOfOffset(caret));
    for (int row = 0; row < rows; ++row) {
        const int boxStart = m_box->lines().lineIndex(row).value_or(-1);
        if (boxStart != m_view->rowStart(row))
            return QStringLiteral("start of row %1: box %2, view %3 in %4\n")
                .arg(row)
                .arg(boxStart)
                .arg(m_view->rowStart(row))
                .arg(quoted(m_view->text()));
    }
    return {};
}

} // namespace wimblet::difftest
