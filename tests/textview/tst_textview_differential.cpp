// The text view against the text box it replaces: the same seeded key scripts sent to
// both, and after every step the text, the caret, the selection and the row figures
// compared, with the script so far printed when they part.
#include "diffscript.h"
#include "viewtest.h"

#include "textbox/textbox.h"
#include "textview/caretmotion.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <optional>

using namespace wimblet;
using namespace wimblet::difftest;

namespace {

constexpr int kHeight = 160;
constexpr int kSteps = 200;

// Where the box's caret or anchor stands in CR LF offsets: each block break before it
// counts two.
qint64 boxOffset(const TextBox &box, int position)
{
    return position + box.document()->findBlock(position).blockNumber();
}

// Rows are compared where the writing's rows are the same in both: right-to-left and
// stacked marks are shaped by the box but measured per character by the view.
bool rowsComparable(Writing writing)
{
    return writing != Writing::Arabic && writing != Writing::Marks;
}

QString shown(const QString &text)
{
    QString out = text;
    out.replace(QLatin1String("\r"), QLatin1String("\\r"))
        .replace(QLatin1String("\n"), QLatin1String("\\n"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

class TextViewDifferentialTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bothWrapAtTheSameWidth_data();
    void bothWrapAtTheSameWidth();
    void scriptsAgreeStepByStep_data();
    void scriptsAgreeStepByStep();
    void settledDisagreementsStaySettled_data();
    void settledDisagreementsStaySettled();

private:
    void resize(int width);
    QString runScript(const QString &start, const Script &script, Writing writing);
    QString play(const Step &step);
    bool passedAnEnd(const Step &step) const;
    bool isPageKey(const Step &step) const;
    bool isWordMove(const Step &step) const;
    bool keepsStaleX(const Step &step, bool placed);
    bool wordRulesDiffer(const Step &step) const;
    bool isVerticalMove(const Step &step) const;
    bool followsRows(const Step &step) const;
    bool endAtWrapPoint(const Step &step) const;
    void alignViewToBox();
    qint64 boxCaret() const;
    qint64 boxAnchor() const;
    void sendToBoth(const Step &step);
    bool canPress(QWidget *side, bool undo) const;
    bool resyncUndo(const Step &step, bool boxChanged, bool viewChanged);
    QString disagreement(bool compareRows) const;
    QString rowDisagreement() const;

    TextBox *m_box = nullptr;
    TextView *m_view = nullptr;
    Writing m_writing = Writing::Latin;
    int m_step = 0; // steps played of the script running
    bool m_xMayDiffer = false; // the x Up and Down keep may differ between the two
};

void TextViewDifferentialTest::init()
{
    QGuiApplication::clipboard()->clear(); // nothing left from the rows before
    m_box = new TextBox;
    // The box's rows are its viewport less twice the document margin, the view's its
    // viewport less twice its 4 px margin and a pixel for the caret: a margin of 4.5 px
    // in the box makes the two the same width at every size.
    m_box->document()->setDocumentMargin(4.5);
    m_view = new TextView;
    for (QWidget *w : {static_cast<QWidget *>(m_box), static_cast<QWidget *>(m_view)}) {
        w->setFont(viewtest::monospace());
        w->setFocusPolicy(Qt::StrongFocus);
        w->resize(320, kHeight);
        w->show();
    }
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
}

void TextViewDifferentialTest::cleanup()
{
    delete m_box;
    delete m_view;
    m_box = nullptr;
    m_view = nullptr;
}

void TextViewDifferentialTest::resize(int width)
{
    m_box->resize(width, kHeight);
    m_view->resize(width, kHeight);
}

void TextViewDifferentialTest::bothWrapAtTheSameWidth_data()
{
    QTest::addColumn<int>("width");
    for (int width : {120, 200, 321, 480})
        QTest::newRow(qPrintable(QString::number(width))) << width;
}

void TextViewDifferentialTest::bothWrapAtTheSameWidth()
{
    QFETCH(int, width);
    resize(width);
    m_box->setText(QStringLiteral("x"));
    m_box->lines().lineCount(); // lays the box's first block out
    const QTextLayout *layout = m_box->document()->firstBlock().layout();
    QVERIFY(layout && layout->lineCount() == 1);
    QCOMPARE(m_view->viewport()->width(), m_box->viewport()->width());
    QCOMPARE(m_view->rowWidth(), layout->lineAt(0).width());
}

void TextViewDifferentialTest::scriptsAgreeStepByStep_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("writing");
    QTest::addColumn<int>("mix");
    for (int seed = 1; seed <= 8; ++seed)
        for (int w = 0; w <= int(Writing::Marks); ++w)
            for (int m = 0; m <= int(Mix::Undo); ++m) {
                const QString name = QStringLiteral("%1 %2 seed %3")
                                         .arg(writingName(Writing(w)), mixName(Mix(m)))
                                         .arg(seed);
                QTest::newRow(qPrintable(name)) << seed << w << m;
            }
}

void TextViewDifferentialTest::scriptsAgreeStepByStep()
{
    QFETCH(int, seed);
    QFETCH(int, writing);
    QFETCH(int, mix);
    const QString start = startText(Writing(writing), quint32(seed));
    const Script script = makeScript(Mix(mix), Writing(writing), quint32(seed), kSteps);
    const QString failure = runScript(start, script, Writing(writing));
    const QString message = QStringLiteral("%1after step %2 of the script from the start text %3:\n%4")
                                .arg(failure)
                                .arg(m_step)
                                .arg(shown(start), describePrefix(script, m_step));
    QVERIFY2(failure.isEmpty(), qPrintable(message));
}

// Plays the script on both from the start text; empty when they agree all along, or
// what they disagree on after step m_step.
QString TextViewDifferentialTest::runScript(const QString &start, const Script &script, Writing writing)
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
        if (qEnvironmentVariableIsSet("WIMBLET_DIFF_TRACE"))
            qDebug() << m_step + 1 << script[size_t(m_step)].describe() << "box" << boxAnchor()
                     << boxCaret() << "view" << m_view->anchor() << m_view->caret()
                     << shown(m_box->Text().left(40)) << shown(m_view->text().left(40));
    }
    return failure;
}

void TextViewDifferentialTest::settledDisagreementsStaySettled_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("script");
    const QString lines = QStringLiteral("first line of text\r\nsecond\r\nthe third line is longer");
    QTest::newRow("Up after Ctrl+A starts from the caret's own x")
        << lines << QStringLiteral("Ctrl+Home Down Ctrl+A Up");
    const QString korean
        = QString::fromUtf16(u"\u6f22\u5b57\u3002\ud55c\uad6d\uc5b4\ud55c\uad6d\uc5b4.\ud55c "
                             u"2024\ub144 \ud55c\uad6d\uc5b4(\ud55c)\u7de8\u96c6")
              .repeated(6);
    const QString struck = QString::fromUtf16(u"x\u0336y\u0336z\u0336 cafe\u0301 ").repeated(20);
    QTest::newRow("a mark the font cannot attach takes room on its row")
        << struck << QStringLiteral("resize:300 Ctrl+End resize:250 Home Up");
    QTest::newRow("Korean wraps at its blanks, never between syllables")
        << korean << QStringLiteral("resize:420 Ctrl+End resize:300 Home Up resize:479");
}

void TextViewDifferentialTest::settledDisagreementsStaySettled()
{
    QFETCH(QString, start);
    QFETCH(QString, script);
    const Script steps = parseScript(script);
    const QString failure = runScript(start, steps, Writing::Latin);
    QVERIFY2(failure.isEmpty(), qPrintable(failure + describePrefix(steps, m_step)));
}

// Sends the step to both and lets the box catch up where it differs by design; an
// empty answer, or what went wrong.
QString TextViewDifferentialTest::play(const Step &step)
{
    const QString boxBefore = m_box->Text();
    const QString viewBefore = m_view->text();
    const qint64 caretBefore = boxCaret();
    const qint64 anchorBefore = boxAnchor();
    // The box's Backspace takes one code point off a cluster, so that a mark can be
    // taken off its letter; the view's takes the whole cluster. The box is given more
    // Backspaces until its text is the view's.
    const bool afterMark = caretBefore > 0 && boxBefore.at(caretBefore - 1).isMark();
    if (wordRulesDiffer(step))
        return {};
    sendToBoth(step);
    const bool textsDiffer = m_box->Text() != m_view->text();
    if (step.isUndoOrRedo() && textsDiffer
        && !resyncUndo(step, m_box->Text() != boxBefore, m_view->text() != viewBefore))
        return QStringLiteral("undo steps differ beyond their grouping\n");
    if (textsDiffer && afterMark && step.kind == Step::Kind::Key && step.key == Qt::Key_Backspace
        && step.modifiers == Qt::NoModifier) {
        for (int extra = 0; extra < 3 && m_box->Text() != m_view->text(); ++extra)
            send(m_box, step);
    }
    const bool placed
        = boxCaret() != caretBefore || boxAnchor() != anchorBefore || m_box->Text() != boxBefore;
    const bool staleX = keepsStaleX(step, placed);
    // After Ctrl+Z or Ctrl+Y the view puts back the selection the step was made from,
    // the box a caret at one end of the restored text: only the texts are compared.
    if (step.isUndoOrRedo() || passedAnEnd(step) || isPageKey(step) || isWordMove(step)
        || endAtWrapPoint(step) || staleX || (followsRows(step) && !rowsComparable(m_writing))) {
        alignViewToBox();
        m_xMayDiffer = true;
    }
    return {};
}

// Up and Down keep the x the caret was placed at. The box's keeps the x it had before a
// resize, the view's takes the x where it now shows; and where the view was brought to
// the box's caret, the two were placed differently. True for an Up or Down made from such
// an x, until the caret is placed anew by another key.
bool TextViewDifferentialTest::keepsStaleX(const Step &step, bool placed)
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
bool TextViewDifferentialTest::isPageKey(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_PageUp || step.key == Qt::Key_PageDown);
}

// Ctrl+Backspace and Ctrl+Delete take what the view's own word rule says (a word or a
// run of punctuation, and the blanks after it), the box's word boundaries another
// stretch: the keys are sent only where both would take the same, and skipped elsewhere.
bool TextViewDifferentialTest::wordRulesDiffer(const Step &step) const
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
bool TextViewDifferentialTest::isWordMove(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_Left || step.key == Qt::Key_Right)
           && (step.modifiers & Qt::ControlModifier);
}

// Up and Down keep an x on screen, and Home and End go to a row's ends: where rows are
// shaped by the box (right-to-left text, marks the font has no room for) but measured
// per character by the view, they part. In the writings whose rows are not compared,
// neither are the carets after these keys.
bool TextViewDifferentialTest::followsRows(const Step &step) const
{
    const bool home = step.key == Qt::Key_Home || step.key == Qt::Key_End;
    return isVerticalMove(step)
           || (step.kind == Step::Kind::Key && home && !(step.modifiers & Qt::ControlModifier));
}

bool TextViewDifferentialTest::isVerticalMove(const Step &step) const
{
    return step.kind == Step::Kind::Key && (step.key == Qt::Key_Up || step.key == Qt::Key_Down);
}

// End on a row wrapped without a blank: the box goes to the wrap point, the next row's
// first offset, the view stays before the row's last character so that its caret shows
// on the row it was on.
bool TextViewDifferentialTest::endAtWrapPoint(const Step &step) const
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
bool TextViewDifferentialTest::passedAnEnd(const Step &step) const
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

void TextViewDifferentialTest::alignViewToBox()
{
    m_view->setSelection(boxAnchor(), boxCaret());
}

qint64 TextViewDifferentialTest::boxCaret() const
{
    return boxOffset(*m_box, m_box->textCursor().position());
}

qint64 TextViewDifferentialTest::boxAnchor() const
{
    return boxOffset(*m_box, m_box->textCursor().anchor());
}

void TextViewDifferentialTest::sendToBoth(const Step &step)
{
    if (step.kind == Step::Kind::Resize)
        return resize(step.width);
    // In a right-to-left paragraph the box moves by the arrow's direction on screen, the
    // view through the text: the box is given the other arrow.
    Step boxStep = step;
    if (step.kind == Step::Kind::Key && m_box->textCursor().block().textDirection() == Qt::RightToLeft) {
        if (step.key == Qt::Key_Left)
            boxStep.key = Qt::Key_Right;
        else if (step.key == Qt::Key_Right)
            boxStep.key = Qt::Key_Left;
    }
    // The box first: a copy or cut from it is then replaced by the view's own.
    send(m_box, boxStep);
    send(m_view, step);
}

// The box merges its undo steps by its own rules (typing after a paste, typing that
// comes back to where it stopped, a line break typed and taken back, which it undoes as
// nothing), the view by its own: where one Ctrl+Z or Ctrl+Y took one side further than
// the other, the other side is given up to three more presses to reach the same text.
// A view whose press changed nothing while the box's changed the text is a failure.
// Whether the side has a step to undo (or redo).
bool TextViewDifferentialTest::canPress(QWidget *side, bool undo) const
{
    if (side == m_box)
        return undo ? m_box->document()->isUndoAvailable() : m_box->document()->isRedoAvailable();
    return undo ? m_view->canUndo() : m_view->canRedo();
}

bool TextViewDifferentialTest::resyncUndo(const Step &step, bool boxChanged, bool viewChanged)
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
    // step, and is taken back with one press of the other key. The fewest extra presses
    // that bring the texts together are looked for, so that neither side is walked back
    // to an older text that happens to match.
    for (int presses = 1; presses <= 6; ++presses) {
        for (QWidget *side : {static_cast<QWidget *>(m_box), static_cast<QWidget *>(m_view)}) {
            if (side == m_view && presses > 3)
                continue;
            int extra = 0;
            for (; extra < presses && canPress(side, undo); ++extra)
                send(side, step);
            if (m_box->Text() == m_view->text())
                return true;
            for (; extra > 0; --extra)
                send(side, inverse);
        }
    }
    return false;
}

QString TextViewDifferentialTest::disagreement(bool compareRows) const
{
    const QString boxText = m_box->Text();
    const QString viewText = m_view->text();
    if (boxText != viewText)
        return QStringLiteral("text: box %1, view %2\n").arg(shown(boxText), shown(viewText));
    const QTextCursor cursor = m_box->textCursor();
    const qint64 boxCaret = boxOffset(*m_box, cursor.position());
    const qint64 boxAnchor = boxOffset(*m_box, cursor.anchor());
    if (boxCaret != m_view->caret() || boxAnchor != m_view->anchor())
        return QStringLiteral("caret and anchor: box %1 and %2, view %3 and %4 in %5\n")
            .arg(boxCaret)
            .arg(boxAnchor)
            .arg(m_view->caret())
            .arg(m_view->anchor())
            .arg(shown(boxText));
    if (m_box->lines().selectionEnd() != m_view->selectionEnd())
        return QStringLiteral("selection end: box %1, view %2\n")
            .arg(m_box->lines().selectionEnd().value_or(-1))
            .arg(m_view->selectionEnd());
    return compareRows ? rowDisagreement() : QString();
}

QString TextViewDifferentialTest::rowDisagreement() const
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
                .arg(shown(m_view->text()));
    }
    return {};
}

QTEST_MAIN(TextViewDifferentialTest)
#include "tst_textview_differential.moc"
