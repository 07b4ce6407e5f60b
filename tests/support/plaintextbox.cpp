#include "support/plaintextbox.h"

#include "toolkit/colour.h"
#include "support/displaytext.h"
#include "support/escapeformat.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace wimblet {

namespace {

// Appends the block's text, turning marked stand-ins back into their characters.
void appendBlockWithEscapes(QString &out, const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        QString piece = fragment.text();
        if (const char16_t c = escapedOriginal(fragment.charFormat())) {
            const QChar standIn(standInFor(c));
            for (QChar &ch : piece)
                if (ch == standIn)
                    ch = QChar(c);
        }
        out += piece;
    }
}

// Qt turns these presses into U+2028, which the box shows as a new line although
// the text holds no line break there.
bool makesLineSeparator(const QKeyEvent &event)
{
    return event.matches(QKeySequence::InsertLineSeparator)
           || event.text().contains(QChar::LineSeparator);
}

// The press that makes the paragraph break Enter makes instead.
QKeyEvent asParagraphBreak(const QKeyEvent &event)
{
    if (event.matches(QKeySequence::InsertLineSeparator)) {
        const int key = event.key() == Qt::Key_Enter ? Qt::Key_Enter : Qt::Key_Return;
        return QKeyEvent(event.type(), key, event.modifiers() & Qt::KeypadModifier,
                         QStringLiteral("\r"), event.isAutoRepeat(), event.count());
    }
    QString text = event.text();
    text.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
    return QKeyEvent(event.type(), event.key(), event.modifiers(), text, event.isAutoRepeat(),
                     event.count());
}

// A key that may change the text; plain moves and selections do not.
bool mayEdit(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return !event.text().isEmpty() || event.matches(QKeySequence::Paste)
               || event.matches(QKeySequence::Cut) || event.matches(QKeySequence::Undo)
               || event.matches(QKeySequence::Redo);
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

PlainTextBox::PlainTextBox(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_foreColor(kWindowTextColour)
    , m_lines(&m_ownLines)
    , m_ownLines(this)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    applyForeColor();
    connect(this, &QPlainTextEdit::textChanged, this, &PlainTextBox::forwardTextChanged);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            &PlainTextBox::dropInheritedEscapeFormat);
    // A copy or cut keeps the text as it was when copied, whatever is typed next.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &PlainTextBox::freezeHandedOutSelections);
}

QString PlainTextBox::Text() const
{
    const QTextDocument *doc = document();
    QString out;
    out.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block.position() > 0)
            out += QLatin1String("\r\n");
        if (m_mayHoldEscapes)
            appendBlockWithEscapes(out, block);
        else
            out += block.text();
    }
    return out;
}

void PlainTextBox::setText(const QString &text)
{
    if (text == Text())
        return;
    freezeHandedOutSelections();
    const DisplayText shown = toDisplayText(text);
    m_programWrite = true;
    setPlainText(shown.text);
    if (!shown.escapes.isEmpty()) {
        // Marking the stand-ins must not become undoable steps.
        document()->setUndoRedoEnabled(false);
        QTextCursor cursor(document());
        for (const Escape &e : shown.escapes) {
            cursor.setPosition(e.position);
            cursor.setPosition(e.position + 1, QTextCursor::KeepAnchor);
            cursor.setCharFormat(escapeFormat(e.original));
        }
        document()->setUndoRedoEnabled(true);
    }
    m_mayHoldEscapes = !shown.escapes.isEmpty();
    m_programWrite = false;
    Q_EMIT Change();
}

void PlainTextBox::replaceTextUndoable(const QString &text, const QString *current)
{
    if (current ? text == *current : text == Text())
        return;
    freezeHandedOutSelections();
    m_programWrite = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    insertDisplayText(cursor, text);
    cursor.endEditBlock();
    m_programWrite = false;
    setTextCursor(QTextCursor(document())); // caret to the start, as after a whole-text write
    Q_EMIT Change();
}

void PlainTextBox::insertDisplayText(QTextCursor &cursor, const QString &text)
{
    const DisplayText shown = toDisplayText(text);
    const QTextCharFormat plain;
    qsizetype from = 0;
    for (const Escape &e : shown.escapes) {
        cursor.insertText(shown.text.mid(from, e.index - from), plain);
        cursor.insertText(QString(QChar(standInFor(e.original))), escapeFormat(e.original));
        from = e.index + 1;
    }
    cursor.insertText(from == 0 ? shown.text : shown.text.mid(from), plain);
    m_mayHoldEscapes = m_mayHoldEscapes || !shown.escapes.isEmpty();
}

void PlainTextBox::setForeColor(quint32 colour)
{
    m_foreColor = colour;
    applyForeColor();
}

void PlainTextBox::applyForeColor()
{
    QPalette pal = palette();
    const QColor text = resolveColour(m_foreColor, QApplication::palette(this));
    pal.setColor(QPalette::Text, text);
    // The selection is hidden while the box does not have the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Base));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    setPalette(pal);
}

void PlainTextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void PlainTextBox::setLineQueries(LineQueries *queries)
{
    m_lines = queries ? queries : &m_ownLines;
}

void PlainTextBox::keyPressEvent(QKeyEvent *event)
{
    if (mayEdit(*event))
        freezeHandedOutSelections();
    if (!makesLineSeparator(*event)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent paragraphBreak = asParagraphBreak(*event);
    QPlainTextEdit::keyPressEvent(&paragraphBreak);
    event->setAccepted(paragraphBreak.isAccepted());
}

void PlainTextBox::keyReleaseEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT KeyUp(event->key(), shiftState(event->modifiers()));
}

void PlainTextBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() || !event->preeditString().isEmpty()
        || event->replacementLength() > 0)
        freezeHandedOutSelections();
    if (!event->commitString().contains(QChar::LineSeparator)) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // A committed U+2028 would look like a line break without being one, as Shift+Enter's.
    QString commit = event->commitString();
    commit.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
    QInputMethodEvent paragraphBreak(event->preeditString(), event->attributes());
    paragraphBreak.setCommitString(commit, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&paragraphBreak);
    event->setAccepted(paragraphBreak.isAccepted());
}

void PlainTextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT Click();
}

void PlainTextBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu's Delete, Undo and Redo change the text without a key.
    freezeHandedOutSelections();
    QPlainTextEdit::contextMenuEvent(event);
}

void PlainTextBox::dropEvent(QDropEvent *event)
{
    // Moving text within the box removes it before the dropped data is read.
    freezeHandedOutSelections();
    QPlainTextEdit::dropEvent(event);
}

void PlainTextBox::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    // System colours follow the desktop's palette when it changes.
    if (event->type() == QEvent::ApplicationPaletteChange && (m_foreColor & kSystemColourFlag))
        applyForeColor();
}

QMimeData *PlainTextBox::createMimeDataFromSelection() const
{
    m_handedOut.removeIf([](const QPointer<SelectionData> &data) {
        return !data || data->isFrozen();
    });
    auto *data = new SelectionData(textCursor());
    m_handedOut.push_back(data);
    return data;
}

bool PlainTextBox::canInsertFromMimeData(const QMimeData *source) const
{
    // Plain text only, as the box holds nothing else.
    return source && source->hasText() && !source->text().isEmpty();
}

void PlainTextBox::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly() || !source)
        return;
    // Read before anything changes: the data may be this box's own selection.
    const QString text = source->text();
    if (text.isEmpty())
        return;
    freezeHandedOutSelections();
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    insertDisplayText(cursor, text);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void PlainTextBox::freezeHandedOutSelections() const
{
    for (const QPointer<SelectionData> &data : std::as_const(m_handedOut)) {
        if (data)
            data->freeze();
    }
    m_handedOut.clear();
}

void PlainTextBox::forwardTextChanged()
{
    if (!m_programWrite)
        Q_EMIT Change();
}

void PlainTextBox::dropInheritedEscapeFormat()
{
    // Typing after a stand-in must not inherit its mark. With a selection, setting the
    // format would restyle the selected text and strip the stand-ins' marks.
    if (m_mayHoldEscapes && !textCursor().hasSelection()
        && currentCharFormat().hasProperty(kEscapedCharProperty))
        setCurrentCharFormat(QTextCharFormat());
}

} // namespace wimblet
