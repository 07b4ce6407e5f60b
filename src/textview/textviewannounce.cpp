// The events that tell assistive technology what changed in a text view: edits with
// the text as the screen shows it, caret moves and selections.
#include "textview/textviewaccessible.h"

#include "textview/shownchars.h"
#include "textview/textview.h"

#include <algorithm>

namespace wimblet {

namespace {

// An edit's text is handed over whole up to this many units each way. Above it each
// event carries blanks (a unit per byte on the bus), at most this many, so that no
// message comes near the bus's limits, while the events' lengths add up to the change.
constexpr qint64 kMostPerEvent = qint64(1) << 20;

AccessibleEventSink g_sink = &QAccessible::updateAccessibility;

int toInt(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, INT_MAX));
}

// Building the events' text costs time in a large text; Qt drops them unheard while
// no assistive technology listens, so they are not built then.
bool listening()
{
    return g_sink != &QAccessible::updateAccessibility || QAccessible::isActive();
}

const QString &blanks()
{
    static const QString all(kMostPerEvent, u' ');
    return all;
}

// The bridge tells a reader of removed and inserted text in separate signals either
// way; separate events also keep an update's two halves from being dropped together.
void tellRemoved(QObject *object, qint64 at, const QString &shown, qint64 count)
{
    if (count <= 0)
        return;
    if (count <= kMostPerEvent) {
        QAccessibleTextRemoveEvent event(object, toInt(at), shown);
        return g_sink(&event);
    }
    // Each removal takes the next stretch from the same place.
    for (qint64 left = count; left > 0; left -= kMostPerEvent) {
        QAccessibleTextRemoveEvent event(object, toInt(at), blanks().left(std::min(left, kMostPerEvent)));
        g_sink(&event);
    }
}

void tellInserted(QObject *object, qint64 at, const QString &shown, qint64 count)
{
    if (count <= 0)
        return;
    if (count <= kMostPerEvent) {
        QAccessibleTextInsertEvent event(object, toInt(at), shown);
        return g_sink(&event);
    }
    for (qint64 done = 0; done < count; done += kMostPerEvent) {
        QAccessibleTextInsertEvent event(object, toInt(at + done),
                                         blanks().left(std::min(count - done, kMostPerEvent)));
        g_sink(&event);
    }
}

} // namespace

void setAccessibleEventSink(AccessibleEventSink sink)
{
    g_sink = sink ? sink : &QAccessible::updateAccessibility;
}

void announceEdit(TextView *view, qint64 offset, const QString &removed, const QString &inserted)
{
    if (!listening())
        return;
    const TextStore &store = view->store();
    // A CR before the edit or an LF after it is shown as a stand-in or not by what is
    // next to it, which the edit changed: it is told as part of the edit.
    qint64 from = offset;
    const qint64 end = offset + inserted.size();
    const bool crBefore = from > 0 && store.at(from - 1) == u'\r';
    const bool lfAfter = end < store.length() && store.at(end) == u'\n';
    from -= crBefore;
    const qint64 removedCount = removed.size() + crBefore + lfAfter;
    const qint64 insertedCount = end + lfAfter - from;
    QString removedShown;
    if (removedCount <= kMostPerEvent) {
        removedShown = (crBefore ? QStringLiteral("\r") : QString()) + removed
                       + (lfAfter ? QStringLiteral("\n") : QString());
        applyStandIns(removedShown, from > 0 ? store.at(from - 1) : QChar(),
                      store.at(from + insertedCount));
        applyReaderStandIns(removedShown);
    }
    QObject *object = view;
    tellRemoved(object, from, removedShown, removedCount);
    tellInserted(object, from,
                 insertedCount <= kMostPerEvent ? readerText(store, from, insertedCount) : QString(),
                 insertedCount);
}

void announceNewText(TextView *view, qint64 oldLength)
{
    if (!listening())
        return;
    // The old text is gone; its length is told, as Qt's own text widgets do.
    const qint64 length = view->length();
    QObject *object = view;
    tellRemoved(object, 0, blanks().left(std::min(oldLength, kMostPerEvent)), oldLength);
    tellInserted(object, 0, length <= kMostPerEvent ? readerText(view->store(), 0, length) : QString(),
                 length);
}

void announceCaret(TextView *view, qint64 caret, qint64 selectionFrom, qint64 selectionTo,
                   bool selectionChanged)
{
    if (!listening())
        return;
    QObject *object = view;
    if (selectionChanged) {
        QAccessibleTextSelectionEvent event(object, toInt(selectionFrom), toInt(selectionTo));
        event.setCursorPosition(toInt(caret));
        g_sink(&event);
    }
    QAccessibleTextCursorEvent event(object, toInt(caret));
    g_sink(&event);
}

} // namespace wimblet
