#include "textview/textviewaccessible.h"

#include "textview/caretmotion.h"
#include "textview/shownchars.h"
#include "textview/textview.h"

#include <QFontInfo>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace wimblet {

namespace {

// A screen reader is handed at most this much of a paragraph or of a changed stretch:
// more would travel to it on every request and tell a listener nothing more.
constexpr qint64 kMostTold = qint64(1) << 16;
// Room read on each side of an offset to find the sentence around it.
constexpr qint64 kSentenceWindow = 4096;
// Room read on each side of an offset to find the run of its attributes.
constexpr qint64 kAttributeWindow = 4096;

int toInt(qint64 value)
{
    return int(std::min<qint64>(value, INT_MAX));
}

// The sentence holding `offset` within its paragraph, looked for in a bounded window;
// the last sentence of a paragraph takes its CR LF.
std::pair<qint64, qint64> sentenceAt(const TextStore &store, qint64 offset)
{
    const Span paragraph = paragraphAround(store, offset);
    const qint64 from = std::max(paragraph.from, offset - kSentenceWindow);
    const qint64 to = std::min(paragraph.to, offset + kSentenceWindow);
    const QString window = shownText(store, from, to - from);
    // At the paragraph's end the sentence is the one that ends there.
    const qsizetype at = std::min<qsizetype>(std::clamp(offset, from, to) - from,
                                             std::max<qsizetype>(0, window.size() - 1));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Sentence, window);
    finder.setPosition(at);
    qsizetype start = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
    finder.setPosition(at);
    qsizetype end = finder.toNextBoundary();
    start = std::max<qsizetype>(start, 0);
    if (end < 0)
        end = window.size();
    const qint64 last
        = from + end == paragraph.to ? std::min(store.length(), paragraph.to + 2) : from + end;
    return {from + start, last};
}

QString rgb(const QColor &colour)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

// The attributes of a run drawn in `colour`, written as Qt's own text widgets write them.
QString textAttributes(const TextView *view, const QColor &colour)
{
    const QFont font = view->font();
    const QFontInfo drawn(font); // the face and size the text is drawn in
    QString family = drawn.family();
    for (const QChar c : {u'\\', u':', u',', u'=', u';', u'"'})
        family.replace(c, QStringLiteral("\\") + c);
    QString attributes = QStringLiteral("font-family:\"%1\";").arg(family);
    if (const int points = drawn.pointSize(); points > 0)
        attributes += QStringLiteral("font-size:%1pt;").arg(points);
    const char *style = font.style() == QFont::StyleItalic    ? "italic"
                        : font.style() == QFont::StyleOblique ? "oblique"
                                                              : "normal";
    attributes += QStringLiteral("font-weight:%1;font-style:%2;")
                      .arg(QLatin1String(font.weight() > QFont::Normal ? "bold" : "normal"),
                           QLatin1String(style));
    attributes += QStringLiteral("text-position:baseline;background-color:%1;color:%2;")
                      .arg(rgb(view->viewport()->palette().color(QPalette::Base)), rgb(colour));
    return attributes;
}

} // namespace

TextViewAccessible::TextViewAccessible(TextView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{ }

TextView *TextViewAccessible::view() const
{
    return static_cast<TextView *>(widget());
}

void *TextViewAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TextViewAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

QString TextViewAccessible::text(QAccessible::Text type) const
{
    // The value is the text itself while it is short; a long one is read through the
    // text interface, a stretch at a time.
    if (type == QAccessible::Value)
        return view()->length() <= kMostTold ? readerText(view()->store(), 0, view()->length()) : QString();
    return QAccessibleWidget::text(type);
}

void TextViewAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && view()->hasSelection()) {
        *startOffset = toInt(view()->selectionStart());
        *endOffset = toInt(view()->selectionEnd());
    }
}

int TextViewAccessible::selectionCount() const
{
    return view()->hasSelection() ? 1 : 0;
}

void TextViewAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void TextViewAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->setCaret(view()->caret());
}

void TextViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0)
        view()->setSelection(startOffset, endOffset);
}

int TextViewAccessible::cursorPosition() const
{
    return toInt(view()->caret());
}

void TextViewAccessible::setCursorPosition(int position)
{
    view()->setCaret(position);
}

QString TextViewAccessible::text(int startOffset, int endOffset) const
{
    const qint64 from = std::clamp<qint64>(startOffset, 0, view()->length());
    const qint64 to = std::clamp<qint64>(endOffset, from, view()->length());
    return readerText(view()->store(), from, to - from);
}

std::pair<qint64, qint64> TextViewAccessible::unitAt(qint64 offset,
                                                     QAccessible::TextBoundaryType boundary) const
{
    const TextStore &store = view()->store();
    const qint64 length = store.length();
    offset = std::clamp<qint64>(offset, 0, length);
    switch (boundary) {
    case QAccessible::CharBoundary: {
        const qint64 at = caretPlace(store, offset);
        return {at, nextGrapheme(store, at)};
    }
    case QAccessible::WordBoundary: {
        const Span word = wordAround(store, offset);
        return {word.from, word.to};
    }
    case QAccessible::SentenceBoundary:
        return sentenceAt(store, offset);
    case QAccessible::LineBoundary:
        return view()->rowSpanAt(offset);
    case QAccessible::ParagraphBoundary: {
        const Span paragraph = paragraphAround(store, offset);
        // A very long paragraph is told in a stretch around the offset.
        const qint64 from = std::max(paragraph.from, offset - kMostTold / 2);
        const qint64 to = std::min(paragraph.to, from + kMostTold);
        return {from, to == paragraph.to ? std::min(length, to + 2) : to};
    }
    case QAccessible::NoBoundary:
        break;
    }
    return {0, length};
}

QString TextViewAccessible::unitText(std::pair<qint64, qint64> unit, int *startOffset,
                                     int *endOffset) const
{
    *startOffset = toInt(unit.first);
    *endOffset = toInt(unit.second);
    return readerText(view()->store(), unit.first, unit.second - unit.first);
}

QString TextViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundary,
                                         int *startOffset, int *endOffset) const
{
    return unitText(unitAt(offset, boundary), startOffset, endOffset);
}

QString TextViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary,
                                             int *startOffset, int *endOffset) const
{
    const auto here = unitAt(offset, boundary);
    if (here.first <= 0 || boundary == QAccessible::NoBoundary) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    const qint64 last = previousGrapheme(view()->store(), here.first);
    auto before = unitAt(last, boundary);
    // A unit found there may reach into this one: it ends where this one starts.
    before.first = std::min(before.first, last);
    before.second = here.first;
    return unitText(before, startOffset, endOffset);
}

QString TextViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundary,
                                            int *startOffset, int *endOffset) const
{
    const auto here = unitAt(offset, boundary);
    if (here.second >= view()->length() || boundary == QAccessible::NoBoundary) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    auto after = unitAt(here.second, boundary);
    // The unit found at the end may be the one that ends there: the next starts there.
    after.first = here.second;
    after.second = std::max(after.second, nextGrapheme(view()->store(), here.second));
    return unitText(after, startOffset, endOffset);
}

int TextViewAccessible::characterCount() const
{
    return toInt(view()->length());
}

QRect TextViewAccessible::characterRect(int offset) const
{
    QWidget *viewport = view()->viewport();
    const QRect rect = view()->characterRect(offset);
    if (!rect.isValid() || !viewport->rect().intersects(rect))
        return QRect();
    return QRect(viewport->mapToGlobal(rect.topLeft()), rect.size());
}

int TextViewAccessible::offsetAtPoint(const QPoint &point) const
{
    QWidget *viewport = view()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local))
        return -1;
    return toInt(view()->offsetAtPoint(local));
}

void TextViewAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    view()->ensureOffsetVisible(endIndex);
    view()->ensureOffsetVisible(startIndex);
}

QString TextViewAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    const TextStore &store = view()->store();
    const qint64 length = store.length();
    // -2 asks for the caret's; the end of the text has the attributes of the last unit.
    qint64 at = offset == -2 ? view()->caret() : offset;
    if (at == -1 || at == length)
        at = length - 1;
    if (at < 0 || at >= length) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    // Stand-ins are drawn in their own colour; everything else in the text's, a NUL's
    // box too. A run is looked for in a bounded window, so a reader walking the runs of
    // a long paragraph gets them a window at a time.
    const qint64 from = std::max<qint64>(0, at - kAttributeWindow);
    const qint64 to = std::min(length, at + kAttributeWindow);
    const QString raw = store.text(from, to - from);
    const QString shown = shownText(store, from, to - from);
    const auto standIn = [&](qint64 i) { return raw[i - from] != shown[i - from]; };
    const bool inStandIn = standIn(at);
    qint64 start = at;
    while (start > from && standIn(start - 1) == inStandIn)
        --start;
    qint64 end = at + 1;
    while (end < to && standIn(end) == inStandIn)
        ++end;
    *startOffset = toInt(start);
    *endOffset = toInt(end);
    return textAttributes(view(), inStandIn ? view()->standInColor() : view()->foreColor());
}

void TextViewAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void TextViewAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void TextViewAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    // The range between the two offsets, whichever comes first, as Qt's own boxes take it.
    const qint64 from = caretPlace(view()->store(), std::min(startOffset, endOffset));
    const qint64 to = caretPlace(view()->store(), std::max(startOffset, endOffset));
    view()->replaceRange(from, to - from, text);
}

namespace {

QAccessibleInterface *textViewFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("wimblet::TextView") && object && object->isWidgetType())
        return new TextViewAccessible(static_cast<TextView *>(object));
    return nullptr;
}

} // namespace

void installTextViewAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(textViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace wimblet
