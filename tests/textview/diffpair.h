#pragma once
// A text box and a text view driven side by side by the same key scripts, and the
// comparison of the two after every step.
//
// Exact after every step: the text; the caret and the anchor (the box's positions
// counted in CR LF offsets); the selection's end from the box's line queries; and,
// where rows are compared, the row count, the caret's row and every row's start.
// Rows are not compared for right-to-left text and marks, and there neither are the
// carets after the keys that go by rows (Up, Down, Home, End).
//
// Where the view follows rules of its own, the box's caret is taken as it is, the
// view's is put where the box's is, and the script goes on from there:
// - Ctrl+Z and Ctrl+Y: the view puts back the selection the step was made from, the
//   box a caret at one end; undo steps are grouped by each side's own rules, and where
//   one press took one side further, the fewest further presses (at most three for the
//   view, six for the box, whose steps may change nothing) that make the texts the same
//   again are given, to one side or both where their groups overlap. A view whose press
//   changed nothing while the box's did fails.
// - Up or Page Up from the first row, Down or Page Down from the last: the view goes
//   to the text's start or end, the box stays on the row.
// - Page Up and Page Down: the box pages by one row fewer than it shows.
// - Ctrl+Left and Ctrl+Right: the view's word rule (a word or a run of punctuation and
//   the blanks after it) is not the box's; Ctrl+Backspace and Ctrl+Delete are sent only
//   where both would take the same stretch.
// - End on a row wrapped without a blank: the box goes to the wrap point, the view
//   stays before the row's last character.
// - Up and Down while the two kept x may differ: after a resize (the box keeps the x
//   from before it) or after the view was put where the box's caret is.
// - Backspace after an emoji sequence (a flag, a keycap, a ZWJ sequence, a skin tone,
//   an emoji selector): the box takes one code point, the view the whole sequence; the
//   box is given Backspaces until the texts are the same.
// - Left and Right in a right-to-left paragraph: the box moves by the arrow's direction
//   on screen, the view through the text; the box is given the other arrow.

#include "diffscript.h"

#include <QPoint>
#include <QString>

class QWidget;

namespace wimblet {

class PlainTextBox;
class TextView;

namespace difftest {

class DiffPair
{
public:
    // Both in the tests' monospace font, shown, `height` px high.
    explicit DiffPair(int height);
    ~DiffPair();
    DiffPair(const DiffPair &) = delete;
    DiffPair &operator=(const DiffPair &) = delete;

    PlainTextBox *box() const { return m_box; }
    TextView *view() const { return m_view; }
    void resize(int width);

    // Plays the script on both from the start text: empty when they agree after every
    // step, else what they disagree on after stepsPlayed() steps.
    QString run(const QString &start, const Script &script, Writing writing);
    int stepsPlayed() const { return m_step; }

private:
    QString play(const Step &step);
    bool keepsStaleX(const Step &step, bool placed);
    bool isPageKey(const Step &step) const;
    bool wordRulesDiffer(const Step &step) const;
    bool isWordMove(const Step &step) const;
    bool followsRows(const Step &step) const;
    bool isVerticalMove(const Step &step) const;
    bool inRightToLeft() const;
    bool endAtWrapPoint(const Step &step) const;
    bool passedAnEnd(const Step &step) const;
    void alignViewToBox();
    qint64 boxCaret() const;
    qint64 boxAnchor() const;
    void sendToBoth(const Step &step);
    QPoint boxPoint(qint64 offset) const;
    static void tripleClick(QWidget *port, QPoint at, QPoint releasedAt);
    bool canPress(QWidget *side, bool undo) const;
    int pressUpTo(QWidget *side, const Step &step, int count, bool undo);
    bool resyncUndo(const Step &step, bool boxChanged, bool viewChanged);
    QString disagreement(bool compareRows) const;
    QString rowDisagreement() const;

    int m_height;
    PlainTextBox *m_box;
    TextView *m_view;
    Writing m_writing = Writing::Latin;
    int m_step = 0; // steps played of the script running
    bool m_xMayDiffer = false; // the x Up and Down keep may differ between the two
};

} // namespace difftest
} // namespace wimblet
