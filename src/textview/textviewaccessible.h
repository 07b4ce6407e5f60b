#pragma once
// What a screen reader sees of the text view: its text, caret, selection and rows, read
// in bounded stretches, and edits made through it; and the events that tell it of
// changes as they happen. A character the view draws as a stand-in (a lone LF, say)
// reaches the reader as that stand-in, and a NUL as U+2400, one unit for one, so offsets
// stay those of the text; edits through the interface act on the real characters.

#include <QAccessibleWidget>

namespace wimblet {

class TextView;

class TextViewAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface
{
public:
    explicit TextViewAccessible(TextView *view);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    TextView *view() const;
    // The unit of `boundary` holding `offset`: [from, to).
    std::pair<qint64, qint64> unitAt(qint64 offset, QAccessible::TextBoundaryType boundary) const;
    QString unitText(std::pair<qint64, qint64> unit, int *startOffset, int *endOffset) const;
};

// Makes the text views known to the accessibility framework; called once.
void installTextViewAccessibility();

// Where the view's events go: to Qt's accessibility framework, which drops them at once
// while no reader listens, or to a test that looks at them.
using AccessibleEventSink = void (*)(QAccessibleEvent *event);
void setAccessibleEventSink(AccessibleEventSink sink);

// Tell an assistive technology what changed: an edit just made to the view's store, or
// a whole new text in place of one `oldLength` units long.
void announceEdit(TextView *view, qint64 offset, const QString &removed, const QString &inserted);
void announceNewText(TextView *view, qint64 oldLength);
void announceCaret(TextView *view, qint64 caret, qint64 selectionFrom, qint64 selectionTo,
                   bool selectionChanged);

} // namespace wimblet
