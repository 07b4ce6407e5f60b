#pragma once
// The program's old text box: a QPlainTextEdit that speaks in the program's terms,
// kept for tests as the box the text view is checked against. Its text uses CR LF
// line breaks; every other character, a lone LF included, is an ordinary character
// of its line. Every new-line key makes a CR LF break, and the clipboard, the primary
// selection and drag and drop carry the text's real characters, never the stand-ins.

#include "support/plainlinequeries.h"
#include "support/selectiondata.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QVector>

namespace wimblet {

class PlainTextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit PlainTextBox(QWidget *parent = nullptr);

    // The whole text, lines separated by CR LF.
    QString Text() const;
    // Replaces the whole text and clears the undo history; raises Change once,
    // before returning, when the text differs.
    void setText(const QString &text);
    // Replaces the whole text as one undoable edit; raises Change once when it differs.
    // A caller that has just read the text may pass it, to spare a second read.
    void replaceTextUndoable(const QString &text, const QString *current = nullptr);

    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 colour);

    // Requests the keyboard focus; a refusal is ignored.
    void SetFocus();

    // Queries on the box's displayed lines; offsets count CR LF as two characters.
    LineQueries &lines() { return *m_lines; }
    const LineQueries &lines() const { return *m_lines; }
    // Tests may swap in queries that fail on purpose.
    void setLineQueries(LineQueries *queries);

Q_SIGNALS:
    void Change();
    void Click();
    void KeyUp(int keyCode, int shift);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    void insertDisplayText(QTextCursor &cursor, const QString &text);
    void freezeHandedOutSelections() const;
    void applyForeColor();
    void forwardTextChanged();
    void dropInheritedEscapeFormat();

    quint32 m_foreColor;
    bool m_programWrite = false;
    bool m_mayHoldEscapes = false;
    LineQueries *m_lines;
    PlainLineQueries m_ownLines;
    // Selection data given out that still reads the document when asked.
    mutable QVector<QPointer<SelectionData>> m_handedOut;
};

} // namespace wimblet
