#pragma once
// Seeded random edit scripts for driving two text widgets side by side: key presses,
// typed words in one script of writing, and resizes, each step able to describe itself.

#include <QString>
#include <Qt>

#include <vector>

class QWidget;

namespace wimblet::difftest {

// What a script mostly does.
enum class Mix { Typing, Navigation, Clipboard, Undo };
// The writing the typed words and the starting text are in.
// Mixed: left-to-right prose with Arabic and Hebrew words, numbers and brackets in it.
enum class Writing { Latin, Greek, Cyrillic, Cjk, Arabic, Marks, Mixed };

struct Step
{
    enum class Kind { Key, Type, Resize, TripleClick };
    Kind kind = Kind::Key;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text; // typed, one key press per character
    int width = 0; // new width of both widgets
    qint64 offset = 0; // a triple click's place in the text, in CR LF offsets
    qint64 dragTo = 0; // where the third press is dragged to before its release

    bool isUndoOrRedo() const;
    QString describe() const;
};

using Script = std::vector<Step>;

QString mixName(Mix mix);
QString writingName(Writing writing);

// A few paragraphs of words in the writing, some long enough to wrap.
QString startText(Writing writing, quint32 seed);
Script makeScript(Mix mix, Writing writing, quint32 seed, int steps);
// A script written by hand: steps apart by blanks, each a key as QKeySequence writes it
// ("Ctrl+Shift+End"), a quoted text to type ("\"ab c\""), a width ("resize:300") or a
// triple click at an offset, its third press dragged to another or not ("click3:5-20",
// "click3:5").
Script parseScript(const QString &text);
// The first `count` steps, one a line, for a failure message.
QString describePrefix(const Script &script, int count);

// The text in quotes, CR, LF, tabs, quotes and backslashes escaped, for a message.
QString quoted(const QString &text);

// Sends the step's key presses to the widget (a resize or a click is left to the caller).
void send(QWidget *widget, const Step &step);

} // namespace wimblet::difftest
