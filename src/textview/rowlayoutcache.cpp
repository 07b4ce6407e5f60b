#include "textview/rowlayoutcache.h"

#include <algorithm>
#include <vector>

namespace wimblet {

namespace {

// Several screens of rows: a page up and back finds its rows kept.
constexpr size_t kMostRows = 512;

} // namespace

const LaidRow &RowLayoutCache::get(qint64 start, qint64 end, const QString &context, const Make &make)
{
    const auto found = m_entries.find(start);
    if (found != m_entries.end() && found->second.end == end && found->second.context == context) {
        found->second.lastUse = ++m_clock;
        return found->second.laid;
    }
    LaidRow laid = make();
    ++m_made;
    if (found == m_entries.end() && m_entries.size() >= kMostRows)
        evictOldest();
    Entry &entry = m_entries[start];
    entry.end = end;
    entry.lastUse = ++m_clock;
    entry.context = context;
    entry.laid = std::move(laid);
    return entry.laid;
}

void RowLayoutCache::evictOldest()
{
    const auto oldest = std::min_element(m_entries.begin(), m_entries.end(), [](const auto &a, const auto &b) {
        return a.second.lastUse < b.second.lastUse;
    });
    m_entries.erase(oldest);
}

void RowLayoutCache::edit(qint64 offset, qint64 removed, qint64 inserted)
{
    const qint64 delta = inserted - removed;
    std::vector<decltype(m_entries)::node_type> moved;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.end < offset) {
            ++it;
            continue;
        }
        auto node = m_entries.extract(it++);
        if (node.key() > offset + removed) {
            node.key() += delta;
            node.mapped().end += delta;
            moved.push_back(std::move(node));
        }
    }
    for (auto &node : moved)
        m_entries.insert(std::move(node));
}

} // namespace wimblet
