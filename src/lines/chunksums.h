#pragma once
// Running sums over a sequence of values, updated and searched in logarithmic time
// (a Fenwick tree); the row counts keep one per chunk of blocks.

#include <QtGlobal>

#include <vector>

namespace wimblet {

// Values must not be negative, so that running totals only grow.
class ChunkSums
{
public:
    void build(const std::vector<qint64> &values);
    void add(int index, qint64 delta);
    qint64 prefix(int count) const; // sum of the first `count` values
    // Index of the chunk where the running total first exceeds `target`, or size().
    int find(qint64 target) const;
    int size() const { return int(m_tree.size()); }

private:
    std::vector<qint64> m_tree;
};

} // namespace wimblet
