#pragma once
// The multi-line text box `txt`: the text view in the program's terms.

#include "textbox/linequeries.h"
#include "textbox/viewlinequeries.h"
#include "textview/textview.h"

#include <functional>

namespace wimblet {

// Its text uses CR LF line breaks; every other character, a lone LF included, is an
// ordinary character of its line, shown as a stand-in. Every new-line key makes a
// CR LF break, and the clipboard, the primary selection and drag and drop carry the
// text's real characters.
class TextBox : public TextView
{
    Q_OBJECT

public:
    explicit TextBox(QWidget *parent = nullptr);

    // The whole text, lines separated by CR LF.
    QString Text() const { return text(); }
    // Replaces the whole text and clears the undo history; raises Change once,
    // before returning, when the text differs.
    void setText(const QString &text);
    // Replaces the whole text as one undoable edit; raises Change once when it differs.
    // A caller that has just read the text may pass it, to spare a second read.
    void replaceTextUndoable(const QString &text, const QString *current = nullptr);

    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 colour);

    // The text as it is now becomes the saved one. It is kept as the text's pieces,
    // sharing their memory, so a large document is never held twice.
    void markSaved() { m_saved = store().snapshot(); }
    // Whether the text is the one last marked saved; reads no more than it must.
    bool matchesSaved() const { return store().contentEquals(m_saved); }
    QString savedText() const { return m_saved.toString(); }
    // Hands the whole text to `sink` in the pieces it is kept in.
    void forEachPiece(const std::function<void(QStringView)> &sink) const
    {
        store().forEachPiece(0, length(), sink);
    }

    // Requests the keyboard focus; a refusal is ignored.
    void SetFocus();

    // Queries on the box's displayed lines; offsets count CR LF as two characters.
    LineQueries &lines() { return *m_lines; }
    const LineQueries &lines() const { return *m_lines; }
    // Tests may swap in queries that fail on purpose.
    void setLineQueries(LineQueries *queries);
    // Which of the box's own line figures read since the guesses were last forgotten
    // were figures so far, not yet exact.
    ViewLineQueries::Guesses lineGuesses() const { return m_ownLines.guesses(); }
    void forgetLineGuesses() { m_ownLines.forgetGuesses(); }

Q_SIGNALS:
    void Change();
    void Click();
    void KeyUp(int keyCode, int shift);
    // The line figures last read were figures so far, and every row is now counted;
    // not raised when the width changed in between, since the figures shown then
    // belong to another width: they wait for the next refresh.
    void LinesCounted();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyForeColor();

    quint32 m_foreColor;
    TextStore::Snapshot m_saved;
    bool m_holdChange = false; // a whole-text replace raises Change itself, at its end
    ViewLineQueries m_ownLines;
    LineQueries *m_lines;
};

} // namespace wimblet
