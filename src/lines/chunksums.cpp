#include "lines/chunksums.h"

namespace wimblet {

void ChunkSums::build(const std::vector<qint64> &values)
{
    m_tree = values;
    const int n = int(m_tree.size());
    for (int i = 0; i < n; ++i) {
        const int parent = i | (i + 1);
        if (parent < n)
            m_tree[size_t(parent)] += m_tree[size_t(i)];
    }
}

void ChunkSums::add(int index, qint64 delta)
{
    for (int i = index; i < size(); i |= i + 1)
        m_tree[size_t(i)] += delta;
}

qint64 ChunkSums::prefix(int count) const
{
    qint64 sum = 0;
    for (int i = count - 1; i >= 0; i = (i & (i + 1)) - 1)
        sum += m_tree[size_t(i)];
    return sum;
}

int ChunkSums::find(qint64 target) const
{
    int pos = 0;
    int step = 1;
    while (step * 2 <= size())
        step *= 2;
    for (; step > 0; step /= 2) {
        if (pos + step <= size() && m_tree[size_t(pos + step - 1)] <= target) {
            pos += step;
            target -= m_tree[size_t(pos - 1)];
        }
    }
    return pos;
}

} // namespace wimblet
