#pragma once
// The layouts of the rows lately drawn or measured, kept until an edit reaches their
// text or the width or font changes: a caret blink, a caret move or a repaint lays
// out nothing anew.

#include <QTextLayout>

#include <functional>
#include <map>
#include <memory>

namespace wimblet {

// A row's layout, whose text holds `lead` units of context before the row's own.
struct LaidRow
{
    std::unique_ptr<QTextLayout> layout;
    int lead = 0;
    int line = 0; // the row's line; the layout's other lines are never drawn
};

class RowLayoutCache
{
public:
    using Make = std::function<LaidRow()>;

    // The layout of the row [start, end) in the context `context` (what the text around
    // the row tells its layout), made by `make` unless kept.
    const LaidRow &get(qint64 start, qint64 end, const QString &context, const Make &make);
    void clear() { m_entries.clear(); }
    // `removed` units at `offset` gave way to `inserted` ones: rows whose text, or the
    // unit either side of it that decides a stand-in, the edit reached are dropped, and
    // those after it move.
    void edit(qint64 offset, qint64 removed, qint64 inserted);
    // Layouts made so far.
    qint64 made() const { return m_made; }

private:
    struct Entry
    {
        qint64 end = 0;
        qint64 lastUse = 0;
        QString context;
        LaidRow laid;
    };
    void evictOldest();

    std::map<qint64, Entry> m_entries; // by the row's start
    qint64 m_clock = 0;
    qint64 m_made = 0;
};

} // namespace wimblet
