#include "combos/Generate.h"

#include "combos/CombFiles.h"
#include "core/FullSet.h"
#include "core/TextUtils.h"

#include <array>
#include <cstring>
#include <tbb/parallel_for.h>

namespace zorb {

const char* GenerateModeCaption(int mode) {
    switch (mode) {
    case gmFull: return "Полный список (все возможные для данного лото варианты)";
    case gmAnyOfMine: return "Мои числа - должно присутствовать любое из указанных";
    case gmOnlyMine: return "Мои числа - комбинации только из списка указанных";
    case gmNoneOfMine: return "Мои числа - исключить комбинации с любым из указанных";
    case gmFile: return "Загрузить список из заранее подготовленного CSV-файла";
    default: return "";
    }
}

TNumberMask ParseMyNumbers(const std::string& text) {
    TNumberMask m{};
    for (const std::string& w : SplitWords(text, ",;")) {
        int32_t v;
        if (!TryStrToInt(Trim(w), v)) v = 0;
        if (v >= 0 && v <= 255) m.Include(static_cast<uint8_t>(v));
    }
    return m;
}

namespace {

// Exact binomial coefficient; 0 when r > n.
size_t Choose(int n, int r) {
    if (r < 0 || r > n) return 0;
    size_t c = 1;
    for (int i = 1; i <= r; ++i) c = c * static_cast<size_t>(n - r + i) / static_cast<size_t>(i);
    return c;
}

// Combinations of the ascending `numbers` taken six at a time, in lexicographic order, one block per choice of
// the first two numbers so that blocks can be written in parallel at their known offsets.
size_t GenerateFrom(const std::vector<uint8_t>& numbers, TComb* out) {
    const int k = static_cast<int>(numbers.size());
    if (k < 6) return 0;
    struct TBlock {
        int A, B;
        size_t Offset;
    };
    std::vector<TBlock> blocks;
    size_t total = 0;
    for (int a = 0; a < k - 5; ++a)
        for (int b = a + 1; b < k - 4; ++b) {
            blocks.push_back({a, b, total});
            total += Choose(k - b - 1, 4);
        }
    tbb::parallel_for(size_t(0), blocks.size(), [&](size_t i) {
        const TBlock& blk = blocks[i];
        TComb* p = out + blk.Offset;
        TComb comb;
        comb.N[0] = numbers[static_cast<size_t>(blk.A)];
        comb.N[1] = numbers[static_cast<size_t>(blk.B)];
        for (int c = blk.B + 1; c < k - 3; ++c) {
            comb.N[2] = numbers[static_cast<size_t>(c)];
            for (int d = c + 1; d < k - 2; ++d) {
                comb.N[3] = numbers[static_cast<size_t>(d)];
                for (int e = d + 1; e < k - 1; ++e) {
                    comb.N[4] = numbers[static_cast<size_t>(e)];
                    for (int f = e + 1; f < k; ++f) {
                        comb.N[5] = numbers[static_cast<size_t>(f)];
                        *p++ = comb;
                    }
                }
            }
        }
    });
    return total;
}

std::vector<uint8_t> NumbersWhere(const TNumberMask& mine, bool member) {
    std::vector<uint8_t> r;
    for (int n = MinNumber; n <= MaxNumber; ++n)
        if (mine.Contains(static_cast<uint8_t>(n)) == member) r.push_back(static_cast<uint8_t>(n));
    return r;
}

} // namespace

void GenerateFullSet(TComb* out) {
    const auto& blocks = FullSetBlocks();
    tbb::parallel_for(size_t(0), blocks.size(), [&](size_t i) { FillFullSetBlock(blocks[i], out + blocks[i].Offset); });
}

size_t GeneratedCount(int mode, const std::string& params) {
    if (mode == gmFile) {
        try {
            TCombsArray list;
            LoadCombsFile(params, list, nullptr);
            return list.Count();
        } catch (const std::exception&) {
            return 0;
        }
    }
    const TNumberMask mine = ParseMyNumbers(params);
    const int in = static_cast<int>(NumbersWhere(mine, true).size()), out = MaxNumber - MinNumber + 1 - in;
    switch (mode) {
    case gmAnyOfMine: return FullCombsCount - Choose(out, 6);
    case gmOnlyMine: return Choose(in, 6);
    case gmNoneOfMine: return Choose(out, 6);
    default: return FullCombsCount;
    }
}

size_t GenerateCombs(TCombsArray& list, int mode, const std::string& params) {
    list.Clear();
    if (mode == gmFile) {
        TCombsReadStats stats;
        LoadCombsFile(params, list, &stats);
        return stats.Odd;
    }
    const TNumberMask mine = ParseMyNumbers(params);
    switch (mode) {
    case gmOnlyMine: {
        auto numbers = NumbersWhere(mine, true);
        list.SetCount(Choose(static_cast<int>(numbers.size()), 6));
        list.SetCount(GenerateFrom(numbers, list.Data()));
        break;
    }
    case gmNoneOfMine: {
        auto numbers = NumbersWhere(mine, false);
        list.SetCount(Choose(static_cast<int>(numbers.size()), 6));
        list.SetCount(GenerateFrom(numbers, list.Data()));
        break;
    }
    case gmAnyOfMine: {
        // The full set less the combinations of the other numbers: generate the full set and keep, in order,
        // those with at least one of mine.
        list.SetCount(FullCombsCount);
        GenerateFullSet(list.Data());
        std::array<uint8_t, 256> isMine{};
        for (int n = 0; n < 256; ++n) isMine[static_cast<size_t>(n)] = mine.Contains(static_cast<uint8_t>(n));
        TComb* p = list.Data();
        size_t kept = 0;
        for (size_t i = 0; i < list.Count(); ++i) {
            const TComb& c = p[i];
            if (isMine[c.N[0]] | isMine[c.N[1]] | isMine[c.N[2]] | isMine[c.N[3]] | isMine[c.N[4]] | isMine[c.N[5]])
                p[kept++] = c;
        }
        list.SetCount(kept);
        break;
    }
    default:
        list.SetCount(FullCombsCount);
        GenerateFullSet(list.Data());
        break;
    }
    return 0;
}

} // namespace zorb
