#include "core/FullSet.h"

#include <algorithm>

namespace zorb {

namespace {
size_t Choose4(int n) {
    return n < 4 ? 0 : static_cast<size_t>(n) * (n - 1) * (n - 2) * (n - 3) / 24;
}
} // namespace

const std::vector<TFullSetBlock>& FullSetBlocks() {
    static const std::vector<TFullSetBlock> blocks = [] {
        std::vector<TFullSetBlock> r;
        size_t offset = 0;
        for (int a = MinNumber; a <= MaxNumber - 5; ++a)
            for (int b = a + 1; b <= MaxNumber - 4; ++b) {
                const size_t count = Choose4(MaxNumber - b);
                r.push_back({static_cast<uint8_t>(a), static_cast<uint8_t>(b), offset, count});
                offset += count;
            }
        return r;
    }();
    return blocks;
}

size_t MaxFullSetBlock() {
    size_t m = 0;
    for (const auto& b : FullSetBlocks()) m = std::max(m, b.Count);
    return m;
}

void FillFullSetBlock(const TFullSetBlock& block, TComb* out) {
    TComb c;
    c.N[0] = block.First;
    c.N[1] = block.Second;
    for (int x = block.Second + 1; x <= MaxNumber - 3; ++x) {
        c.N[2] = static_cast<uint8_t>(x);
        for (int y = x + 1; y <= MaxNumber - 2; ++y) {
            c.N[3] = static_cast<uint8_t>(y);
            for (int z = y + 1; z <= MaxNumber - 1; ++z) {
                c.N[4] = static_cast<uint8_t>(z);
                for (int w = z + 1; w <= MaxNumber; ++w) {
                    c.N[5] = static_cast<uint8_t>(w);
                    *out++ = c;
                }
            }
        }
    }
}

} // namespace zorb
