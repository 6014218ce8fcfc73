// The full set of combinations in lexicographic order, cut into blocks by the first two numbers so that the
// blocks can be produced independently (on several cores) at known offsets.
#pragma once

#include "core/KestoUtils.h"

#include <cstddef>
#include <vector>

namespace zorb {

struct TFullSetBlock {
    uint8_t First, Second; // the first two numbers of every combination of the block
    size_t Offset;         // position of the block's first combination in the full set
    size_t Count;
};

// The 1 275 blocks, (1,2) first; their counts add up to 20 358 520.
const std::vector<TFullSetBlock>& FullSetBlocks();
// Writes the block's combinations, ascending, to out (which has room for block.Count).
void FillFullSetBlock(const TFullSetBlock& block, TComb* out);
// The largest block, for sizing buffers.
size_t MaxFullSetBlock();

} // namespace zorb
