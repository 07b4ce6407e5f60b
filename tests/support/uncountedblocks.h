#pragma once
// Every block of a row tree whose rows are still to be counted.

#include "lines/rowtree.h"

#include <vector>

namespace wimblet {

// In order; the walk spans only the blocks from the first uncounted one to the last.
std::vector<int> uncountedBlocks(const RowTree &tree);

} // namespace wimblet
