#include "online/Coverage.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <tbb/blocked_range.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <array>

namespace zorb {

namespace {

constexpr int MaxK = 6;

// C(n, k) for n <= 52, k <= 6; zero when k > n.
struct TBinomials {
    int64_t C[MaxNumber + 1][MaxK + 2] = {};
    TBinomials() {
        for (int n = 0; n <= MaxNumber; ++n) {
            C[n][0] = 1;
            for (int k = 1; k <= MaxK + 1; ++k) C[n][k] = n == 0 ? 0 : C[n - 1][k - 1] + C[n - 1][k];
        }
    }
};
const TBinomials Bin;

void CheckLines(const std::vector<TComb>& lines, int n) {
    if (n < 7 || n > MaxNumber) throw EZorbError(Format(Tr("Недопустимое количество чисел системы: %d"), n));
    for (size_t i = 0; i < lines.size(); ++i) {
        uint64_t seen = 0;
        for (uint8_t p : lines[i].N) {
            if (p < 1 || p > n || (seen >> p & 1))
                throw EZorbError(
                    Format(Tr("Строка %d системы: нужны шесть разных позиций от 1 до %d"), static_cast<int>(i + 1), n));
            seen |= 1ull << p;
        }
    }
}

std::vector<TCoverageRow> MakeRows(int n, const std::vector<std::array<int64_t, MaxK + 1>>& histogram) {
    std::vector<TCoverageRow> rows;
    for (int k = 1; k <= std::min(MaxK, n); ++k) {
        const int64_t sets = Bin.C[n][k];
        int64_t below = 0; // subsets whose best match is below m
        for (int m = 1; m <= k; ++m) {
            below += histogram[k][m - 1];
            TCoverageRow r;
            r.K = k;
            r.M = m;
            r.Sets = sets;
            r.Holes = below;
            r.CoveredPercent = sets ? 100.0 * static_cast<double>(sets - below) / static_cast<double>(sets) : 0;
            r.Draws = below * Bin.C[MaxNumber - n][6 - k];
            rows.push_back(r);
        }
    }
    return rows;
}

// Colex rank of a subset given by its ascending 0-based positions.
int64_t Rank(const int* s, int k) {
    int64_t r = 0;
    for (int i = 0; i < k; ++i) r += Bin.C[s[i]][i + 1];
    return r;
}

// One level: best[k] from best[k-1]. The k-1 largest positions are fixed by the outer loops and the smallest
// runs in the inner loop, where every (k-1)-subset but one moves by one place per step: the loads are streams.
struct TLevel {
    int K, N;
    const uint8_t* Below; // best of the (k-1)-subsets
    uint8_t* Best;        // marks on entry, best matches on exit
    int64_t* Histogram;   // per best value, of the subsets this pass visited

    // top[1..k-1] are the fixed positions, ascending; top[0] is the inner one.
    void Inner(const int* top) const {
        int64_t base = 0, removeSmallest = 0;
        int64_t removeBase[MaxK] = {};
        for (int i = 1; i < K; ++i) {
            base += Bin.C[top[i]][i + 1];
            removeSmallest += Bin.C[top[i]][i];
        }
        for (int j = 1; j < K; ++j) {
            int64_t r = 0;
            for (int i = 1; i < K; ++i)
                if (i < j)
                    r += Bin.C[top[i]][i + 1];
                else if (i > j)
                    r += Bin.C[top[i]][i];
            removeBase[j] = r;
        }
        const int last = top[1];
        uint8_t* __restrict out = Best + base;
        // One stream at a time, so each pass is a plain vector max; the marks already sit in `out`.
        const uint8_t fixed = Below[removeSmallest];
        for (int a = 0; a < last; ++a) out[a] = std::max(out[a], fixed);
        for (int j = 1; j < K; ++j) {
            const uint8_t* __restrict below = Below + removeBase[j];
            for (int a = 0; a < last; ++a) out[a] = std::max(out[a], below[a]);
        }
        // Best values are 0..6 and a run is shorter than 256: one byte lane per value counts them.
        uint64_t lanes = 0;
        for (int a = 0; a < last; ++a) lanes += uint64_t{1} << (out[a] << 3);
        for (int v = 0; v <= MaxK; ++v) Histogram[v] += static_cast<int64_t>(lanes >> (v << 3) & 0xff);
    }

    // For k >= 3: top[2..k-1] fixed, the two smallest a < b < top[2] inside. In colex order the block of (a, b)
    // is contiguous at C(b, 2) + a, and so is every (k-1)-subset that drops one of the fixed positions: those are
    // whole-block streams. Dropping a reads one value per b, dropping b one stream over a.
    void InnerPairs(const int* top) const {
        int64_t base = 0, rest = 0;
        int64_t removeBase[MaxK] = {};
        for (int i = 2; i < K; ++i) {
            base += Bin.C[top[i]][i + 1];
            rest += Bin.C[top[i]][i];
        }
        for (int j = 2; j < K; ++j) {
            int64_t r = 0;
            for (int i = 2; i < K; ++i)
                if (i < j)
                    r += Bin.C[top[i]][i + 1];
                else if (i > j)
                    r += Bin.C[top[i]][i];
            removeBase[j] = r;
        }
        const int limit = top[2];
        const int64_t size = Bin.C[limit][2];
        uint8_t* __restrict out = Best + base;
        for (int j = 2; j < K; ++j) {
            const uint8_t* __restrict below = Below + removeBase[j];
            for (int64_t t = 0; t < size; ++t) out[t] = std::max(out[t], below[t]);
        }
        const uint8_t* __restrict dropB = Below + rest;
        for (int b = 1; b < limit; ++b) {
            const uint8_t dropA = Below[rest + b];
            uint8_t* __restrict o = out + Bin.C[b][2];
            for (int a = 0; a < b; ++a) o[a] = std::max(o[a], std::max(dropA, dropB[a]));
        }
        // Best values are 0..6: one byte lane per value, emptied before a lane could reach 256.
        for (int64_t from = 0; from < size; from += 255) {
            const int64_t to = std::min(size, from + 255);
            uint64_t lanes = 0;
            for (int64_t t = from; t < to; ++t) lanes += uint64_t{1} << (out[t] << 3);
            for (int v = 0; v <= MaxK; ++v) Histogram[v] += static_cast<int64_t>(lanes >> (v << 3) & 0xff);
        }
    }

    // Walks the positions top[from..1] below `limit` (top[from..2] for k >= 3), then runs the inner loop.
    void Walk(int* top, int from, int limit) const {
        if (from == 0) return Inner(top);
        if (from == 1 && K >= 3) return InnerPairs(top);
        for (int p = from; p < limit; ++p) {
            top[from] = p;
            Walk(top, from - 1, p);
        }
    }
};

} // namespace

std::vector<TCoverageRow> ComputeCoverage(const std::vector<TComb>& lines, int n) {
    CheckLines(lines, n);
    const int kMax = std::min(MaxK, n);
    std::vector<std::vector<uint8_t>> best(kMax + 1);
    best[0].assign(1, 0);
    for (int k = 1; k <= kMax; ++k) best[k].assign(static_cast<size_t>(Bin.C[n][k]), 0);

    // Marks: a subset of a line matches it in all its positions.
    for (const TComb& line : lines) {
        int p[6];
        for (int i = 0; i < 6; ++i) p[i] = line.N[i] - 1;
        std::sort(p, p + 6);
        for (unsigned mask = 1; mask < 64; ++mask) {
            int s[6], k = 0;
            for (int i = 0; i < 6; ++i)
                if (mask >> i & 1) s[k++] = p[i];
            best[k][Rank(s, k)] = static_cast<uint8_t>(k);
        }
    }

    std::vector<std::array<int64_t, MaxK + 1>> histogram(kMax + 1);
    for (auto& h : histogram) h.fill(0);
    for (int a = 0; a < n; ++a) ++histogram[1][best[1][a]];
    for (int k = 2; k <= kMax; ++k) {
        // Split by the largest position: each part writes its own range of the level, so no part waits for another.
        std::vector<std::array<int64_t, MaxK + 1>> parts(n);
        tbb::parallel_for(tbb::blocked_range<int>(k - 1, n, 1), [&](const tbb::blocked_range<int>& range) {
            for (int largest = range.begin(); largest < range.end(); ++largest) {
                auto& h = parts[largest];
                h.fill(0);
                TLevel level{k, n, best[k - 1].data(), best[k].data(), h.data()};
                int top[MaxK] = {};
                top[k - 1] = largest;
                level.Walk(top, k - 2, largest);
            }
        });
        for (int largest = k - 1; largest < n; ++largest)
            for (int v = 0; v <= MaxK; ++v) histogram[k][v] += parts[largest][v];
        if (k > 2) std::vector<uint8_t>().swap(best[k - 2]); // no longer needed
    }
    return MakeRows(n, histogram);
}

std::vector<TCoverageRow> ComputeCoveragePlain(const std::vector<TComb>& lines, int n) {
    CheckLines(lines, n);
    std::vector<uint64_t> masks;
    for (const TComb& line : lines) {
        uint64_t m = 0;
        for (uint8_t p : line.N) m |= 1ull << (p - 1);
        masks.push_back(m);
    }
    const int kMax = std::min(MaxK, n);
    std::vector<std::array<int64_t, MaxK + 1>> histogram(kMax + 1);
    for (auto& h : histogram) h.fill(0);
    for (int k = 1; k <= kMax; ++k) {
        int s[MaxK];
        for (int i = 0; i < k; ++i) s[i] = i;
        for (;;) {
            uint64_t set = 0;
            for (int i = 0; i < k; ++i) set |= 1ull << s[i];
            int bestMatch = 0;
            for (uint64_t m : masks) bestMatch = std::max(bestMatch, __builtin_popcountll(set & m));
            ++histogram[k][bestMatch];
            int i = k - 1;
            while (i >= 0 && s[i] == n - k + i) --i;
            if (i < 0) break;
            ++s[i];
            for (int j = i + 1; j < k; ++j) s[j] = s[j - 1] + 1;
        }
    }
    return MakeRows(n, histogram);
}

} // namespace zorb
