#include "support/uncountedblocks.h"

namespace wimblet {

std::vector<int> uncountedBlocks(const RowTree &tree)
{
    std::vector<int> out;
    const int first = tree.firstUncounted();
    if (first < 0)
        return out;
    out.reserve(size_t(tree.uncounted()));
    for (int b = first; b < tree.blockCount() && int(out.size()) < tree.uncounted(); ++b)
        if (tree.at(b).rows < 0)
            out.push_back(b);
    return out;
}

} // namespace wimblet
