#include "textbox/textbox.h"

#include "toolkit/colour.h"
#include "textbox/displaytext.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace wimblet {

namespace {

// Marks a stand-in character with the character it represents.
constexpr int kEscapedCharProperty = QTextFormat::UserProperty + 1;

QTextCharFormat escapeFormat(char16_t original)
{
    QTextCharFormat format;
    format.setProperty(kEscapedCharProperty, int(original));
    // Grey, so that a stand-in is told apart from the same glyph typed as text.
    format.setForeground(QColor(128, 128, 128));
    return format;
}

// Appends the block's text, turning marked stand-ins back into their characters.
void appendBlockWithEscapes(QString &out, const QTextBlock &block)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        QString piece = fragment.text();
        const QVariant original = fragment.charFormat().property(kEscapedCharProperty);
        if (original.isValid()) {
            const char16_t c = char16_t(original.toInt());
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

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
           | (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

TextBox::TextBox(QWidget *parent)
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
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::forwardTextChanged);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            &TextBox::dropInheritedEscapeFormat);
}

QString TextBox::Text() const
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

void TextBox::setText(const QString &text)
{
    if (text == Text())
        return;
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

void TextBox::replaceTextUndoable(const QString &text, const QString *current)
{
    if (current ? text == *current : text == Text())
        return;
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

void TextBox::insertDisplayText(QTextCursor &cursor, const QString &text)
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

void TextBox::setForeColor(quint32 colour)
{
    m_foreColor = colour;
    applyForeColor();
}

void TextBox::applyForeColor()
{
    QPalette pal = palette();
    const QColor text = resolveColour(m_foreColor, QApplication::palette(this));
    pal.setColor(QPalette::Text, text);
    // The selection is hidden while the box does not have the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Base));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    setPalette(pal);
}

void TextBox::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void TextBox::setLineQueries(LineQueries *queries)
{
    m_lines = queries ? queries : &m_ownLines;
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (!makesLineSeparator(*event)) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QKeyEvent paragraphBreak = asParagraphBreak(*event);
    QPlainTextEdit::keyPressEvent(&paragraphBreak);
    event->setAccepted(paragraphBreak.isAccepted());
}

void TextBox::keyReleaseEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        Q_EMIT KeyUp(event->key(), shiftState(event->modifiers()));
}

void TextBox::inputMethodEvent(QInputMethodEvent *event)
{
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

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT Click();
}

void TextBox::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    // System colours follow the desktop's palette when it changes.
    if (event->type() == QEvent::ApplicationPaletteChange && (m_foreColor & kSystemColourFlag))
        applyForeColor();
}

void TextBox::forwardTextChanged()
{
    if (!m_programWrite)
        Q_EMIT Change();
}

void TextBox::dropInheritedEscapeFormat()
{
    // Typing after a stand-in must not inherit its mark. With a selection, setting the
    // format would restyle the selected text and strip the stand-ins' marks.
    if (m_mayHoldEscapes && !textCursor().hasSelection()
        && currentCharFormat().hasProperty(kEscapedCharProperty))
        setCurrentCharFormat(QTextCharFormat());
}

} // namespace wimblet
