#include "scenarios/StepMasks.h"

#include "combos/Filter.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <utility>

namespace zorb {

namespace {

constexpr size_t ChunkSize = 1 << 15; // combinations per task: a chunk and its step marks stay in L2
constexpr size_t MaxFormKeys = 1 << 16;
constexpr size_t MaxGroupCells = 1 << 20;
constexpr size_t MaxGroupWork = 1 << 23;
constexpr size_t FewSteps = 6;
constexpr size_t MaxCountedCells = 1 << 18;

// The key form of a step, when its decision can be looked up (a step by positions is decided by them).
const TSumKeyForm* FormOf(const TSetStep& s) {
    if (s.ByPositions || !s.Matcher) return nullptr;
    const TSumKeyForm* f = s.Matcher->KeyForm();
    if (!f) return nullptr;
    const uint16_t top = *std::max_element(f->Weight.begin(), f->Weight.end());
    return 6 * static_cast<size_t>(top) < MaxFormKeys ? f : nullptr;
}

size_t KeysOf(const TSumKeyForm& f) {
    return 6 * static_cast<size_t>(*std::max_element(f.Weight.begin(), f.Weight.end())) + 1;
}

// A step that removes the combinations holding any flagged number.
bool RemovesAnyFlagged(const TSetStep& s, const TSumKeyForm& f) {
    if (!s.Exclude || f.Accept.size() < 7 || f.Accept[0]) return false;
    for (size_t k = 1; k <= 6; ++k)
        if (!f.Accept[k]) return false;
    for (uint16_t w : f.Weight)
        if (w > 1) return false;
    return true;
}

} // namespace

// The first step of a group that removes the combination of numbers n, or Alive.
template <bool PerNumber>
[[gnu::always_inline]] inline uint16_t TMaskedList::FirstStep(const TGroup& g, const uint8_t* n) {
    const uint16_t* f = g.First.data();
    if constexpr (PerNumber) {
        const uint16_t x = std::min(f[n[0]], f[n[1]]), y = std::min(f[n[2]], f[n[3]]), z = std::min(f[n[4]], f[n[5]]);
        return std::min(std::min(x, y), z);
    } else {
        const uint32_t* w = g.Weight.data();
        return f[w[n[0]] + w[n[1]] + w[n[2]] + w[n[3]] + w[n[4]] + w[n[5]]];
    }
}

namespace {

// The combination of the full set with lexicographic rank r.
void UnrankFull(size_t r, int c[6]) {
    constexpr int N = MaxNumber;
    static const auto choose = [] {
        std::array<std::array<size_t, 7>, N + 1> t{};
        for (size_t n = 0; n <= N; ++n) {
            t[n][0] = 1;
            for (size_t k = 1; k <= 6 && k <= n; ++k) t[n][k] = t[n - 1][k - 1] + (k <= n - 1 ? t[n - 1][k] : 0);
        }
        return t;
    }();
    for (int j = 0, x = MinNumber; j < 6; ++j, ++x) {
        // Combinations whose j-th number is x: the other 5 - j from the N - x above it.
        while (r >= choose[static_cast<size_t>(N - x)][static_cast<size_t>(5 - j)]) {
            r -= choose[static_cast<size_t>(N - x)][static_cast<size_t>(5 - j)];
            ++x;
        }
        c[j] = x;
    }
}

// Moves c, whose last number is past the game's, to the first combination of the next prefix of five; returns
// the first position that changed.
[[gnu::always_inline]] inline int NextPrefix(int c[6]) {
    int j = 4;
    while (c[j] == MaxNumber - (5 - j)) --j;
    ++c[j];
    for (int q = j + 1; q < 6; ++q) c[q] = c[q - 1] + 1;
    return j;
}

// Calls f(acc, i) for the combinations of the full set with lexicographic ranks first + i, i < m, with acc the
// fold of op over T of their numbers: a run of combinations differing in the last number shares the fold of
// the first five, so that a combination costs one lookup.
template <class V, class Op, class F>
[[gnu::always_inline]] inline void WalkFullSet(size_t first, size_t m, const V* T, V identity, Op op, F f) {
    int c[6];
    UnrankFull(first, c);
    V acc[6];
    acc[0] = identity;
    for (int j = 0; j < 5; ++j) acc[j + 1] = op(acc[j], T[c[j]]);
    for (size_t i = 0;;) {
        const size_t run = std::min<size_t>(m - i, static_cast<size_t>(MaxNumber - c[5] + 1));
        const V a = acc[5];
        for (size_t t = 0, x = static_cast<size_t>(c[5]); t < run; ++t, ++x, ++i) f(op(a, T[x]), i);
        if (i >= m) return;
        for (int q = NextPrefix(c); q < 5; ++q) acc[q + 1] = op(acc[q], T[c[q]]);
    }
}

// The marks equal to v among n.
size_t CountEqual(const uint16_t* p, size_t n, uint16_t v) {
    size_t c = 0, i = 0;
#ifdef __SSE2__
    // Eight marks an instruction; a lane counts down by one per match, at most 4096 times per round.
    const __m128i pattern = _mm_set1_epi16(static_cast<short>(v));
    while (i + 8 <= n) {
        __m128i acc = _mm_setzero_si128();
        for (size_t end = std::min(n - (n - i) % 8, i + 8 * 4096); i < end; i += 8)
            acc =
                _mm_sub_epi16(acc, _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), pattern));
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
        for (uint16_t l : lanes) c += l;
    }
#endif
    for (; i < n; ++i) c += p[i] == v;
    return c;
}

// Bit j set when mark j of the n (at most 64) is Alive.
uint64_t AliveBits(const uint16_t* p, size_t n) {
    uint64_t word = 0;
    size_t j = 0;
#ifdef __SSE2__
    const __m128i alive = _mm_set1_epi16(-1);
    for (; j + 16 <= n; j += 16) {
        const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j)), alive);
        const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j + 8)), alive);
        word |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)))) << j;
    }
#endif
    for (; j < n; ++j) word |= static_cast<uint64_t>(p[j] == TListState::Alive) << j;
    return word;
}

// Calls f(i) for every i in [b, e) whose mark is Alive, in order. Few are alive after a set, at places no branch
// predicts: the marks are turned into bit words without a branch and only the set bits are visited.
template <class F> void ForEachAlive(const uint16_t* marks, size_t b, size_t e, F f) {
    for (size_t i = b; i < e; i += 64)
        for (uint64_t word = AliveBits(marks + i, std::min<size_t>(64, e - i)); word; word &= word - 1)
            f(i + static_cast<size_t>(std::countr_zero(word)));
}

// Eight bytes a store: a fill of the marks of a chunk precedes every first evaluation.
void FillMarks(uint16_t* p, size_t n, uint16_t v) {
    const uint64_t pattern = v * 0x0001000100010001ull;
    size_t i = 0;
    for (; i < n && reinterpret_cast<uintptr_t>(p + i) % 8; ++i) p[i] = v;
    for (; i + 4 <= n; i += 4) std::memcpy(p + i, &pattern, sizeof pattern);
    for (; i < n; ++i) p[i] = v;
}

} // namespace

// --- The list state ----------------------------------------------------------------------------------------------

const TCombsArray TListState::NoList;

void TListState::Borrow(const TCombsArray& list, bool fullSet) {
    FSrc = &list;
    FCount = list.Count();
    FMasked = FHasAlive = false;
    FFullSet = fullSet && FCount == static_cast<size_t>(FullCombsCount);
    FChunksKnown = false;
    FView.reset();
}

void TListState::Own(TCombsArray&& list) {
    FOwn = std::move(list);
    FSrc = &FOwn;
    FCount = FOwn.Count();
    FMasked = FHasAlive = FFullSet = FChunksKnown = false;
    FView.reset();
}

// Calls f(i, bits, c) for the runs of combinations sharing their first five numbers c[0..4] among the ranks first
// .. first + m - 1, while it returns true: the run starts at first + i with last number c[5], and bit x of `bits`
// is set when the combination ending in x is kept by the cells (the runs' bits are looked up by the cell of the
// first five).
template <class F> void TListState::ForEachRun(size_t first, size_t m, F f) const {
    const TCellView& v = *FView;
    int c[6];
    UnrankFull(first, c);
    uint32_t acc[6] = {};
    for (int j = 0; j < 5; ++j) acc[j + 1] = acc[j] + v.Weight[static_cast<size_t>(c[j])];
    for (size_t i = 0;;) {
        const size_t run = std::min<size_t>(m - i, static_cast<size_t>(MaxNumber - c[5] + 1));
        const uint64_t below = static_cast<uint64_t>(c[5]), above = below + run; // x in [below, above)
        const uint64_t window = (above >= 64 ? ~0ull : (1ull << above) - 1) & ~((1ull << below) - 1);
        if (!f(i, v.RunBits[acc[5]] & window, c)) return;
        i += run;
        if (i >= m) return;
        for (int q = NextPrefix(c); q < 5; ++q) acc[q + 1] = acc[q] + v.Weight[static_cast<size_t>(c[q])];
    }
}

template <class F> void TListState::ForEachKept(size_t first, size_t m, F f) const {
    const TCellView& v = *FView;
    auto removed = std::lower_bound(v.Removed.begin(), v.Removed.end(), first);
    bool go = true;
    ForEachRun(first, m, [&](size_t i, uint64_t bits, const int* c) {
        for (; go && bits; bits &= bits - 1) {
            const size_t rank = first + i + static_cast<size_t>(std::countr_zero(bits) - c[5]);
            while (removed != v.Removed.end() && *removed < rank) ++removed;
            if (removed != v.Removed.end() && *removed == rank) continue;
            go = f(rank);
        }
        return go;
    });
}

size_t TListState::CountKept(size_t first, size_t m) const {
    size_t n = 0;
    ForEachRun(first, m, [&](size_t, uint64_t bits, const int*) {
        n += static_cast<size_t>(std::popcount(bits));
        return true;
    });
    const TCellView& v = *FView;
    for (auto it = std::lower_bound(v.Removed.begin(), v.Removed.end(), first);
         it != v.Removed.end() && *it < first + m; ++it) {
        // A removed combination was counted when its cell keeps it.
        uint32_t cell = 0;
        for (uint8_t x : Data()[*it].N) cell += v.Weight[x];
        n -= v.Kept[cell];
    }
    return n;
}

void TListState::MarkView() {
    FStep.resize(Size());
    const size_t n = Size(), blocks = (n + ChunkSize - 1) / ChunkSize;
    tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
        const size_t first = b * ChunkSize, len = std::min(n, first + ChunkSize) - first;
        std::fill(FStep.begin() + static_cast<std::ptrdiff_t>(first),
                  FStep.begin() + static_cast<std::ptrdiff_t>(first + len), 0);
        ForEachKept(first, len, [&](size_t rank) { return FStep[rank] = Alive, true; });
    });
    FView.reset();
    FMasked = true;
    FHasAlive = FChunksKnown = false;
}

void TListState::ForEach(const std::function<bool(const TComb&)>& fn) const {
    const TComb* d = Data();
    if (FView) {
        ForEachKept(0, Size(), [&](size_t rank) { return fn(d[rank]); });
        return;
    }
    if (FHasAlive) {
        for (uint32_t i : FAlive)
            if (!fn(d[i])) return;
        return;
    }
    for (size_t i = 0, n = Size(); i < n; ++i)
        if ((!FMasked || FStep[i] == Alive) && !fn(d[i])) return;
}

const TComb& TListState::First() const {
    size_t at = 0;
    if (FView) {
        ForEachKept(0, Size(), [&](size_t rank) { return at = rank, false; });
        return Data()[at];
    }
    if (!FMasked) return Data()[0];
    if (FHasAlive) return Data()[FAlive[0]];
    while (FStep[at] != Alive) ++at;
    return Data()[at];
}

const TComb& TListState::Last() const {
    if (FView) {
        // Back from the end a block at a time: the last kept combination of the first block that has one.
        constexpr size_t Block = 1 << 14;
        for (size_t end = Size(); end > 0;) {
            const size_t b = end > Block ? end - Block : 0;
            size_t last = SIZE_MAX;
            ForEachKept(b, end - b, [&](size_t rank) { return last = rank, true; });
            if (last != SIZE_MAX) return Data()[last];
            end = b;
        }
    }
    if (!FMasked) return Data()[FCount - 1];
    if (FHasAlive) return Data()[FAlive.back()];
    size_t i = Size();
    while (i > 0 && FStep[i - 1] != Alive) --i;
    return Data()[i - 1];
}

const TComb& TListState::At(size_t k) {
    if (FView) MarkView(); // picks by index: marks once, then each pick is a scan as for any masked list
    if (!FMasked) return Data()[k];
    if (FHasAlive) return Data()[FAlive[k]];
    for (size_t i = 0;; ++i)
        if (FStep[i] == Alive && k-- == 0) return Data()[i];
}

void TListState::CopyTo(TCombsArray& out) const {
    out.SetCount(FCount);
    const TComb* d = Data();
    TComb* o = out.Data();
    if (FView) {
        const size_t n = Size(), blocks = (n + ChunkSize - 1) / ChunkSize;
        std::vector<size_t> counts(blocks + 1, 0);
        tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
            counts[b + 1] = CountKept(b * ChunkSize, std::min(n, (b + 1) * ChunkSize) - b * ChunkSize);
        });
        for (size_t b = 0; b < blocks; ++b) counts[b + 1] += counts[b];
        // The combinations are made from their runs, not read.
        tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
            size_t w = counts[b];
            const size_t first = b * ChunkSize;
            auto removed = std::lower_bound(FView->Removed.begin(), FView->Removed.end(), first);
            ForEachRun(first, std::min(n, first + ChunkSize) - first, [&](size_t i, uint64_t bits, const int* c) {
                const uint32_t low = static_cast<uint32_t>(c[0]) | static_cast<uint32_t>(c[1]) << 8 |
                                     static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[3]) << 24;
                for (; bits; bits &= bits - 1) {
                    const int x = std::countr_zero(bits);
                    const size_t rank = first + i + static_cast<size_t>(x - c[5]);
                    while (removed != FView->Removed.end() && *removed < rank) ++removed;
                    if (removed != FView->Removed.end() && *removed == rank) continue;
                    const uint16_t high = static_cast<uint16_t>(c[4] | x << 8);
                    std::memcpy(o[w].N, &low, 4);
                    std::memcpy(o[w].N + 4, &high, 2);
                    ++w;
                }
                return true;
            });
        });
        return;
    }
    if (!FMasked) {
        if (FCount) ParallelCopyCombs(o, d, FCount);
        return;
    }
    if (FHasAlive) {
        tbb::parallel_for(tbb::blocked_range<size_t>(0, FAlive.size(), ChunkSize), [&](const auto& r) {
            for (size_t j = r.begin(); j < r.end(); ++j) o[j] = d[FAlive[j]];
        });
        return;
    }
    const size_t n = Size(), blocks = (n + ChunkSize - 1) / ChunkSize;
    std::vector<size_t> counts(blocks + 1, 0);
    if (FChunksKnown && FChunkAlive.size() == blocks) {
        for (size_t b = 0; b < blocks; ++b) counts[b + 1] = FChunkAlive[b];
    } else {
        tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
            const size_t i = b * ChunkSize;
            counts[b + 1] = CountEqual(FStep.data() + i, std::min(n, i + ChunkSize) - i, Alive);
        });
    }
    for (size_t b = 0; b < blocks; ++b) counts[b + 1] += counts[b];
    tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
        size_t w = counts[b];
        const size_t first = b * ChunkSize, len = std::min(n, first + ChunkSize) - first;
        ForEachAlive(FStep.data(), first, first + len, [&](size_t i) { o[w++] = d[i]; });
    });
}

void TListState::Compact() {
    if (!FMasked && !FView) return;
    if (FSrc == &FOwn) {
        TCombsArray list;
        CopyTo(list);
        Own(std::move(list));
        return;
    }
    // The storage of a list owned before is used again: no fresh pages to fault in.
    CopyTo(FOwn);
    FSrc = &FOwn;
    FCount = FOwn.Count();
    FMasked = FHasAlive = FFullSet = FChunksKnown = false;
    FView.reset();
}

size_t TListState::OwnBytes() const {
    return FOwn.Capacity() * sizeof(TComb) + FStep.capacity() * sizeof(uint16_t) + FAlive.capacity() * 4 +
           FCellWork.capacity() * 4 + (FView ? FView->Kept.size() : 0);
}

// --- One evaluation for all steps ------------------------------------------------------------------------------

struct TMaskedList::TScratch {
    std::vector<TComb> Gathered, Work; // two spare combinations: a matcher may load 8 bytes at the last one
    std::vector<uint32_t> GatheredIdx, WorkIdx;
    std::vector<uint64_t> Bits, Alive;
    std::vector<uint64_t> Hist;
    size_t Lo = SIZE_MAX, Hi = 0; // the part of Hist that was touched
    std::vector<uint16_t> Step;   // per combination of a chunk: the first step of a group that removes it
    std::vector<uint64_t> Tally;  // four interleaved counts per step
    std::array<uint32_t, 256> Max{};

    void Prepare(size_t k, size_t m) {
        if (Hist.size() != k + 1) {
            Hist.assign(k + 1, 0);
            Tally.assign(4 * (k + 1), 0);
        }
        if (Step.size() < m) Step.resize(m);
        if (Work.size() < m + 2) {
            Work.resize(m + 2);
            WorkIdx.resize(m);
            Bits.resize((m + 63) / 64);
            Alive.resize((m + 63) / 64);
        }
    }
    void Count(size_t step, uint64_t n) {
        if (!n) return;
        Hist[step] += n;
        Lo = std::min(Lo, step);
        Hi = std::max(Hi, step);
    }
};

TMaskedList::TMaskedList(TListState& state, const std::vector<TSetStep>& steps, bool distinct)
    : S(state), FSteps(steps), K(steps.size()), FDistinct(distinct) {
    assert(K < MaxMaskedSteps);
    FCur = S.Size();
    S.FCount = FCur;
    G.assign(K + 1, 0);
    FPending.assign(K, 0);
    if (K == 0) {
        S.FMasked = false;
        return;
    }
    if (S.FView) S.Compact();
    FOff.assign(K, 0);
    S.FHasAlive = false;
    BuildGroups();
    if (CellsEligible()) {
        CellsStart();
        return;
    }
    if (S.FStep.size() < S.Size()) S.FStep.resize(S.Size());
    S.FMasked = true;
    Evaluate(true);
}

// --- Counted per cell --------------------------------------------------------------------------------------------

bool TMaskedList::CellsEligible() const {
    if (!S.FFullSet || FDistinct || FLead > 1 || FLead >= K || FGroupAt[FLead] < 0) return false;
    const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[FLead])];
    return !g.PerNumber && g.End == K && CellSpan(g) <= MaxCountedCells;
}

// One past the largest cell six numbers of the game reach: the counting works on that many cells per count of
// numbers taken.
size_t TMaskedList::CellSpan(const TGroup& g) {
    std::array<uint32_t, MaxNumber - MinNumber + 1> w{};
    std::copy(g.Weight.begin() + MinNumber, g.Weight.begin() + MaxNumber + 1, w.begin());
    std::partial_sort(w.begin(), w.begin() + 6, w.end(), std::greater<>());
    return std::min<size_t>(static_cast<size_t>(w[0]) + w[1] + w[2] + w[3] + w[4] + w[5] + 1, g.First.size());
}

// How many combinations of the full set each cell holds, number by number: a combination of j numbers up to x is
// one of j numbers below x, or one of j - 1 below x with x added.
void TMaskedList::CellsStart() {
    FCells = true;
    const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[FLead])];
    const size_t cells = FSpan = CellSpan(g);
    std::vector<uint32_t>& dp = S.FCellWork;
    dp.assign(7 * cells, 0);
    dp[0] = 1;
    size_t hi[7] = {};
    for (int x = MinNumber, taken = 1; x <= MaxNumber; ++x, ++taken) {
        const size_t w = g.Weight[static_cast<size_t>(x)];
        for (size_t j = static_cast<size_t>(std::min(taken, 6)); j >= 1; --j) {
            const uint32_t* src = dp.data() + (j - 1) * cells;
            uint32_t* dst = dp.data() + j * cells + w;
            const size_t n = hi[j - 1] + 1;
            size_t c = 0;
#ifdef __SSE2__
            for (; c + 4 <= n; c += 4) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + c));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + c));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + c), _mm_add_epi32(a, b));
            }
#endif
            for (; c < n; ++c) dst[c] += src[c];
            hi[j] = std::max(hi[j], hi[j - 1] + w);
        }
    }
    FNow = g.First;
    FByRank.clear();
    if (FLead == 1)
        for (uint32_t rank : FSteps[0].Positions) {
            const TComb& c = S.Data()[rank];
            uint32_t cell = 0;
            for (uint8_t x : c.N) cell += g.Weight[x];
            FByRank.push_back({rank, cell});
        }
    CellsRecount();
}

// The counts of the undecided steps: each cell's combinations go to the step now removing it, less those removed
// by position first.
void TMaskedList::CellsRecount() {
    const size_t cells = FSpan;
    const uint32_t* n = S.FCellWork.data() + 6 * cells;
    for (size_t j = FNext; j <= K; ++j) G[j] = 0;
    auto slot = [&](size_t cell) { return FNow[cell] == TListState::Alive ? K : FNow[cell]; };
    for (size_t c = 0; c < cells; ++c)
        if (n[c] && slot(c) >= FNext) G[slot(c)] += n[c];
    if (FLead == 1 && !FOff[0])
        for (const auto& [rank, cell] : FByRank) {
            if (slot(cell) >= FNext) --G[slot(cell)];
            if (FNext == 0) ++G[0];
        }
}

void TMaskedList::BuildGroups() {
    constexpr uint16_t none = TListState::Alive;
    std::vector<const TSumKeyForm*> forms(K);
    for (size_t j = 0; j < K; ++j) forms[j] = FormOf(FSteps[j]);
    auto FlaggedRemoval = [&](size_t j) {
        const TSumKeyForm* f = forms[j];
        return f && RemovesAnyFlagged(FSteps[j], *f);
    };
    // Removals of flagged numbers in a row (a walk over single numbers) make a group of their own.
    auto StartsFlaggedRun = [&](size_t j) { return j + 1 < K && FlaggedRemoval(j) && FlaggedRemoval(j + 1); };
    FGroupAt.assign(K, -1);
    for (size_t k = 0; k < K;) {
        const TSumKeyForm* f = forms[k];
        if (!f) {
            ++k;
            continue;
        }
        TGroup g;
        g.Begin = k;
        size_t e = k;
        while (e < K && FlaggedRemoval(e)) ++e;
        if (e >= k + 2) {
            g.PerNumber = true;
            g.First.assign(256, none);
            for (size_t j = k; j < e; ++j)
                for (size_t x = 0; x < 256; ++x)
                    if (forms[j]->Weight[x] && g.First[x] == none) g.First[x] = static_cast<uint16_t>(j);
        } else {
            // Each kind of weights takes a digit of the cell number; a kind's keys never carry into the next.
            struct TKind {
                const TSumKeyForm* Form;
                size_t Keys, Stride;
            };
            std::vector<TKind> kinds;
            std::vector<size_t> kindOf;
            size_t cells = 1;
            for (e = k; e < K; ++e) {
                const TSumKeyForm* h = forms[e];
                if (!h || (e > k && StartsFlaggedRun(e))) break;
                size_t at = 0;
                while (at < kinds.size() && kinds[at].Form->Weight != h->Weight) ++at;
                const size_t grown = at < kinds.size() ? cells : cells * KeysOf(*h);
                // The table stays small enough to be looked up from the nearest caches and made in a moment.
                if (e > k && (grown > MaxGroupCells || grown * (e - k + 1) > MaxGroupWork)) break;
                if (at == kinds.size()) {
                    kinds.push_back({h, KeysOf(*h), cells});
                    cells = grown;
                }
                kindOf.push_back(at);
            }
            // The kind with the most keys (a sum, whose odd numbers reach far) takes the highest digit: the
            // table is as large either way, but the cells combinations of 1..52 reach then lie close together.
            std::vector<size_t> order(kinds.size());
            for (size_t t = 0; t < order.size(); ++t) order[t] = t;
            std::stable_sort(order.begin(), order.end(),
                             [&](size_t x, size_t y) { return kinds[x].Keys < kinds[y].Keys; });
            cells = 1;
            for (size_t t : order) {
                kinds[t].Stride = cells;
                cells *= kinds[t].Keys;
            }
            for (const TKind& t : kinds)
                for (size_t x = 0; x < 256; ++x) g.Weight[x] += static_cast<uint32_t>(t.Form->Weight[x] * t.Stride);
            g.First.assign(cells, none);
            for (size_t j = k; j < e; ++j) {
                const TKind& t = kinds[kindOf[j - k]];
                const std::vector<uint8_t>& accept = forms[j]->Accept;
                g.StepKeys.push_back({t.Stride, t.Keys, &accept, FSteps[j].Exclude});
                for (size_t key = 0; key < t.Keys; ++key) {
                    const bool match = key < accept.size() && accept[key];
                    if (match != FSteps[j].Exclude) continue;
                    for (size_t hi = key * t.Stride; hi < cells; hi += t.Stride * t.Keys)
                        for (uint16_t *c = &g.First[hi], *end = c + t.Stride; c < end; ++c)
                            if (*c == none) *c = static_cast<uint16_t>(j);
                }
            }
        }
        g.End = e;
        // A lone step is left to its matcher: bits need no pass over the removed combinations, a group does.
        if (e == k + 1) {
            k = e;
            continue;
        }
        FGroupAt[k] = static_cast<int32_t>(FGroups.size());
        FGroups.push_back(std::move(g));
        k = e;
    }
    FLead = 0;
    while (FLead < K && FSteps[FLead].ByPositions && FSteps[FLead].Exclude) ++FLead;
    if (FLead < K && FGroupAt[FLead] < 0) FLead = K;
}

// Every combination of the chunk is alive and its mark unwritten: the step the group looks up is its mark (Alive
// when the group keeps it). The few removed by position before the group are then moved to their own step.
// Returns the count removed.
size_t TMaskedList::Direct(const TComb* in, uint32_t first, size_t m, TScratch& s) {
    const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[FLead])];
    uint16_t* const at = S.FStep.data() + first;
    // A group of a few steps is counted afterwards, a step at a time, eight marks an instruction; a long one (a
    // walk) is counted as it goes, in four interleaved tallies so that a run of one step does not wait on one
    // counter.
    const bool few = g.End - g.Begin <= FewSteps;
    uint64_t* const tally = s.Tally.data();
    const size_t stride = K + 1, k = K;
    auto put = [&](uint16_t st, size_t i) {
        at[i] = st;
        if (!few) ++tally[(i & 3) * stride + std::min<size_t>(st, k)];
    };
    if (S.FFullSet && g.PerNumber) {
        WalkFullSet<uint16_t>(
            first, m, g.First.data(), TListState::Alive, [](uint16_t a, uint16_t b) { return std::min(a, b); }, put);
    } else if (S.FFullSet) {
        const uint16_t* f = g.First.data();
        WalkFullSet<uint32_t>(
            first, m, g.Weight.data(), 0, [](uint32_t a, uint32_t b) { return a + b; },
            [&](uint32_t cell, size_t i) { put(f[cell], i); });
    } else if (g.PerNumber) {
        for (size_t i = 0; i < m; ++i) put(FirstStep<true>(g, in[i].N), i);
    } else {
        for (size_t i = 0; i < m; ++i) put(FirstStep<false>(g, in[i].N), i);
    }
    size_t removed = 0;
    for (size_t j = 0; j < FLead; ++j) {
        const auto& pos = FSteps[j].Positions;
        size_t n = 0;
        for (auto it = std::lower_bound(pos.begin(), pos.end(), first); it != pos.end() && *it < first + m; ++it) {
            uint16_t& mark = at[*it - first];
            if (mark < FLead) continue; // an earlier removal by position has it
            if (!few) --tally[std::min<size_t>(mark, K)];
            mark = static_cast<uint16_t>(j);
            ++n;
        }
        s.Count(j, n);
        removed += n;
    }
    for (size_t x = g.Begin; x < g.End; ++x) {
        uint64_t c = 0;
        if (few) {
            c = CountEqual(at, m, static_cast<uint16_t>(x));
        } else {
            for (size_t q = 0; q < 4; ++q) c += std::exchange(tally[q * stride + x], 0);
        }
        s.Count(x, c);
        removed += c;
    }
    if (!few)
        for (size_t q = 0; q < 4; ++q) tally[q * stride + K] = 0;
    if (g.End == K) return removed; // no step after the group reads which are alive
    for (size_t w = 0, words = (m + 63) / 64; w < words; ++w)
        s.Alive[w] = AliveBits(at + w * 64, std::min<size_t>(64, m - w * 64));
    return removed;
}

// Takes m combinations through the steps from `from` on. Without `idx` they are the source's from `first`, all
// alive so far: their marks are first filled with `from`, so the many a first step stops cost no store each.
// Survivors stay where they are while most of the combinations pass (a matcher is cheaper than a copy), and move
// to the front of a work list once few are left.
size_t TMaskedList::Kernel(const TComb* in, const uint32_t* idx, uint32_t first, size_t m, size_t from, TScratch& s) {
    uint16_t* const marks = S.FStep.data();
    const TComb* cur = in;
    const uint32_t* curIdx = idx;
    auto id = [&](size_t i) { return curIdx ? curIdx[i] : first + static_cast<uint32_t>(i); };
    auto keepMax = [&](size_t i, uint16_t step) {
        for (uint8_t x : cur[i].N) s.Max[x] = std::max<uint32_t>(s.Max[x], step + 1u);
    };
    auto valid = [&](size_t w) {
        const size_t n = std::min<size_t>(64, m - w * 64);
        return n == 64 ? ~0ull : (1ull << n) - 1;
    };
    // A group first in line (after removals by position) writes every mark itself; otherwise the marks are
    // filled with the first step.
    const bool direct = !idx && from == 0 && FLead < K && !FDistinct;
    const bool prefilled = !idx && from < K && !direct;
    if (prefilled) FillMarks(marks + first, m, static_cast<uint16_t>(from));
    size_t words = (m + 63) / 64;
    for (size_t w = 0; w < words; ++w) s.Alive[w] = valid(w);
    size_t alive = m;
    size_t start = from;
    if (direct) {
        alive -= Direct(in, first, m, s);
        start = FGroups[static_cast<size_t>(FGroupAt[FLead])].End;
    }
    for (size_t k = start, next; k < K && alive > 0; k = next) {
        next = k + 1;
        if (FGroupAt[k] >= 0) {
            // A group of steps: each combination's first removing step is looked up without a branch, then the
            // removed ones are stored (where the fill did not already) and counted in four interleaved tallies,
            // so that a run of removals at one step does not wait on one counter.
            const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[k])];
            next = g.End;
            uint64_t* const tally = s.Tally.data();
            uint16_t* const r = s.Step.data();
            if (g.PerNumber) {
                for (size_t i = 0; i < m; ++i) r[i] = FirstStep<true>(g, cur[i].N);
            } else {
                for (size_t i = 0; i < m; ++i) r[i] = FirstStep<false>(g, cur[i].N);
            }
            const bool stored = prefilled && k == from;
            size_t failed = 0;
            for (size_t w = 0; w < words; ++w) {
                uint64_t fail = 0;
                const size_t base = w * 64, end = std::min<size_t>(64, m - base);
                for (size_t j = 0; j < end; ++j) fail |= static_cast<uint64_t>(r[base + j] != TListState::Alive) << j;
                fail &= s.Alive[w];
                s.Alive[w] &= ~fail;
                for (; fail; fail &= fail - 1) {
                    const size_t i = base + static_cast<size_t>(std::countr_zero(fail));
                    const uint16_t step = r[i];
                    ++tally[(failed++ & 3) * (K + 1) + step];
                    if (!stored || step != k) marks[id(i)] = step;
                    if (FDistinct) keepMax(i, step);
                }
            }
            if (failed) {
                for (size_t x = k; x < next; ++x) {
                    uint64_t c = 0;
                    for (size_t q = 0; q < 4; ++q) c += std::exchange(tally[q * (K + 1) + x], 0);
                    s.Count(x, c);
                }
            }
            alive -= failed;
        } else {
            const TSetStep& step = FSteps[k];
            std::fill(s.Bits.begin(), s.Bits.begin() + static_cast<std::ptrdiff_t>(words), 0);
            if (step.ByPositions) {
                const auto& pos = step.Positions;
                if (!curIdx) {
                    for (auto it = std::lower_bound(pos.begin(), pos.end(), first); it != pos.end() && *it < first + m;
                         ++it)
                        s.Bits[(*it - first) / 64] |= 1ull << ((*it - first) % 64);
                } else {
                    for (size_t i = 0; i < m; ++i)
                        if (std::binary_search(pos.begin(), pos.end(), curIdx[i])) s.Bits[i / 64] |= 1ull << (i % 64);
                }
            } else {
                step.Matcher->Match(cur, m, s.Bits.data());
            }
            const bool ex = step.Exclude, stored = prefilled && k == from;
            size_t failed = 0;
            for (size_t w = 0; w < words; ++w) {
                const uint64_t pass = (ex ? ~s.Bits[w] : s.Bits[w]) & s.Alive[w];
                uint64_t fail = s.Alive[w] & ~pass;
                s.Alive[w] = pass;
                failed += static_cast<size_t>(std::popcount(fail));
                if (!stored || FDistinct)
                    while (fail) {
                        const size_t i = w * 64 + static_cast<size_t>(std::countr_zero(fail));
                        marks[id(i)] = static_cast<uint16_t>(k);
                        if (FDistinct) keepMax(i, static_cast<uint16_t>(k));
                        fail &= fail - 1;
                    }
            }
            s.Count(k, failed);
            alive -= failed;
        }
        if (alive * 4 >= m || alive == 0) continue;
        // A write never passes the read it follows, so the work list can be its own input.
        size_t out = 0;
        for (size_t w = 0; w < words; ++w)
            for (uint64_t pass = s.Alive[w]; pass; pass &= pass - 1) {
                const size_t i = w * 64 + static_cast<size_t>(std::countr_zero(pass));
                s.WorkIdx[out] = id(i);
                s.Work[out++] = cur[i];
            }
        cur = s.Work.data();
        curIdx = s.WorkIdx.data();
        m = out;
        words = (m + 63) / 64;
        for (size_t w = 0; w < words; ++w) s.Alive[w] = valid(w);
    }
    if (!curIdx && direct) {
        // The group wrote Alive for the combinations it kept; later steps wrote over those they removed.
    } else if (!curIdx && !FDistinct) {
        // Most may survive, in place: Alive has every bit set, so a survivor's mark is or-ed with all ones and
        // any other mark with nothing, without a branch.
        for (size_t w = 0; w < words; ++w) {
            const uint64_t a = s.Alive[w];
            uint16_t* const at = marks + first + w * 64;
            for (size_t j = 0, n = std::min<size_t>(64, m - w * 64); j < n; ++j)
                at[j] |= static_cast<uint16_t>(0u - static_cast<unsigned>((a >> j) & 1));
        }
    } else {
        for (size_t w = 0; w < words; ++w)
            for (uint64_t a = s.Alive[w]; a; a &= a - 1) {
                const size_t i = w * 64 + static_cast<size_t>(std::countr_zero(a));
                marks[id(i)] = TListState::Alive;
                if (FDistinct) keepMax(i, TListState::Alive);
            }
    }
    s.Count(K, alive);
    return alive;
}

void TMaskedList::Evaluate(bool all) {
    tbb::enumerable_thread_specific<TScratch> scratch;
    const uint16_t* const marks = S.FStep.data();
    auto pending = [&](uint32_t i) { return marks[i] < K && FPending[marks[i]]; };
    const size_t from = all ? 0 : FResume, next = FNext;
    const size_t n = all || FFrontAll ? S.Size() : FFront.size();
    const size_t chunks = (n + ChunkSize - 1) / ChunkSize;
    // A revival reads every mark in view anyway: once the combinations still open are few, it also writes them
    // down, so that later decisions look at those alone.
    const bool narrow = !all && (FFrontAll ? FCur * 4 < n : FCur * 2 < n);
    std::vector<std::vector<uint32_t>> open(narrow ? chunks : 0);
    // A first evaluation leaves the count of each chunk, which a copy of the list then need not take again.
    S.FChunksKnown = false;
    if (all) S.FChunkAlive.resize(chunks);
    auto chunk = [&](size_t c) {
        TScratch& s = scratch.local();
        const size_t first = c * ChunkSize, len = std::min(ChunkSize, n - first);
        s.Prepare(K, len);
        if (all) {
            S.FChunkAlive[c] =
                static_cast<uint32_t>(Kernel(S.Data() + first, nullptr, static_cast<uint32_t>(first), len, from, s));
            return;
        }
        // Only the combinations the undone or skipped steps had stopped go on, from the step after them.
        if (s.Gathered.size() < len + 2) {
            s.Gathered.resize(len + 2);
            s.GatheredIdx.resize(len);
        }
        size_t m = 0;
        for (size_t j = first; j < first + len; ++j) {
            const uint32_t i = FFrontAll ? static_cast<uint32_t>(j) : FFront[j];
            const bool revived = pending(i);
            if (narrow && (revived || marks[i] >= next)) open[c].push_back(i);
            if (!revived) continue;
            s.GatheredIdx[m] = i;
            s.Gathered[m++] = S.Data()[i];
        }
        Kernel(s.Gathered.data(), s.GatheredIdx.data(), 0, m, from, s);
    };
    if (chunks <= 1) {
        if (chunks) chunk(0);
    } else {
        tbb::parallel_for(size_t(0), chunks, chunk);
    }
    S.FChunksKnown = all;
    for (TScratch& s : scratch) {
        for (size_t k = s.Lo; k <= s.Hi && k < s.Hist.size(); ++k) G[k] += s.Hist[k];
        if (FDistinct)
            for (size_t x = 0; x < 256; ++x) FMax[x] = std::max(FMax[x], s.Max[x]);
    }
    if (narrow) {
        std::vector<uint32_t> front;
        front.reserve(FCur);
        for (const auto& o : open) front.insert(front.end(), o.begin(), o.end());
        FFront = std::move(front);
        FFrontAll = false;
    }
}

void TMaskedList::Ensure() {
    if (FCells && FOffChanged) {
        // Cells whose removing step was undone or skipped go on to the next step in force that removes them.
        const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[FLead])];
        for (size_t c = 0; c < FNow.size(); ++c) {
            size_t at = FNow[c];
            if (at == TListState::Alive || !FOff[at]) continue;
            while (++at < K && (FOff[at] || !g.StepKeys[at - g.Begin].Removes(c))) {}
            FNow[c] = at < K ? static_cast<uint16_t>(at) : TListState::Alive;
        }
        FOffChanged = false;
        CellsRecount();
    }
    if (FCells || !FAnyPending) return;
    Evaluate(false);
    std::fill(FPending.begin(), FPending.end(), 0);
    FAnyPending = false;
}

// Exact without evaluating anything: revived combinations are in the list whichever step stops them later.
size_t TMaskedList::Count() {
    return FCur;
}

int TMaskedList::Distinct() {
    Ensure();
    if (K == 0) return DistinctNumbers(S.Data(), S.Size());
    int d = 0;
    for (uint32_t m : FMax) d += m > FNext;
    return d;
}

size_t TMaskedList::Apply(size_t k) {
    assert(k == FNext && k < K);
    Ensure();
    FCur -= G[k];
    FNext = k + 1;
    return FCur;
}

void TMaskedList::Undo(size_t k) {
    assert(k + 1 == FNext);
    FCur += G[k];
    if (G[k]) {
        FPending[k] = 1;
        FAnyPending = true;
    }
    G[k] = 0;
    FOff[k] = 1;
    FOffChanged = true;
    FResume = FNext;
}

void TMaskedList::Skip(size_t to) {
    to = std::min(to, K);
    for (size_t x = FNext; x < to; ++x) {
        if (G[x]) {
            FPending[x] = 1;
            FAnyPending = true;
        }
        G[x] = 0;
        FOff[x] = 1;
        FOffChanged = true;
    }
    FNext = std::max(FNext, to);
    FResume = FNext;
}

void TMaskedList::Finish() {
    Skip(K);
    Ensure();
    S.FCount = FCur;
    assert(K == 0 || G[K] == FCur);
    if (K == 0) return;
    if (FCells) {
        const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[FLead])];
        auto view = std::make_shared<TListState::TCellView>();
        view->Weight = g.Weight;
        const size_t cells = FSpan;
        view->Kept.resize(cells);
        for (size_t c = 0; c < cells; ++c) view->Kept[c] = FNow[c] == TListState::Alive;
        // Per cell of five numbers that some five reach: which sixth numbers make a kept combination.
        const uint32_t* five = S.FCellWork.data() + 5 * cells;
        view->RunBits.assign(cells, 0);
        tbb::parallel_for(tbb::blocked_range<size_t>(0, cells, 4096), [&](const auto& r) {
            for (size_t a = r.begin(); a < r.end(); ++a) {
                if (!five[a]) continue;
                uint64_t bits = 0;
                for (size_t x = MinNumber; x <= MaxNumber; ++x) {
                    const size_t cell = a + g.Weight[x];
                    bits |= static_cast<uint64_t>(cell < cells && view->Kept[cell]) << x;
                }
                view->RunBits[a] = bits;
            }
        });
        if (FLead == 1 && !FOff[0])
            for (const auto& [rank, cell] : FByRank) view->Removed.push_back(rank);
        S.FView = std::move(view);
        S.FMasked = S.FHasAlive = false;
        return;
    }
    // The few left are written down, so that the stake step and the next set read them directly.
    const uint16_t* const marks = S.FStep.data();
    if (!FFrontAll) {
        S.FAlive.clear();
        for (uint32_t i : FFront)
            if (marks[i] == TListState::Alive) S.FAlive.push_back(i);
        S.FHasAlive = true;
    } else if (FCur * 16 <= S.Size()) {
        const size_t n = S.Size(), chunks = (n + ChunkSize - 1) / ChunkSize;
        std::vector<std::vector<uint32_t>> alive(chunks);
        tbb::parallel_for(size_t(0), chunks, [&](size_t c) {
            ForEachAlive(marks, c * ChunkSize, std::min(n, (c + 1) * ChunkSize),
                         [&](size_t i) { alive[c].push_back(static_cast<uint32_t>(i)); });
        });
        S.FAlive.clear();
        S.FAlive.reserve(FCur);
        for (const auto& a : alive) S.FAlive.insert(S.FAlive.end(), a.begin(), a.end());
        S.FHasAlive = true;
    }
}

// --- Step by step ------------------------------------------------------------------------------------------------

TSteppedList::TSteppedList(TListState& state, const std::vector<TSetStep>& steps, bool plainMatch)
    : S(state), FSteps(steps), FPlain(plainMatch) {
    S.Compact();
}

int TSteppedList::Distinct() {
    const TCombsArray& l = List(FCur);
    return DistinctNumbers(l.Data(), l.Count());
}

size_t TSteppedList::Apply(size_t k) {
    const TSetStep& step = FSteps[k];
    const TCombsArray& in = List(FCur);
    const int o = FCur == 0 ? 1 : 0;
    TCombsArray& out = FBuf[o];
    out.Clear();
    if (step.Draws) {
        if (FPlain)
            RemoveDrawsReference(in, out, *step.Draws, step.Lo, step.Hi);
        else
            RemoveDraws(in, out, *step.Draws, step.Lo, step.Hi);
    } else if (FPlain) {
        FilterByMatchComb(in, out, *step.Stat, step.Selected, step.WindowEnd, step.Sorted, step.Exclude);
    } else {
        FilterByMatcher(in, out, *step.Matcher, step.Exclude);
    }
    FPrev = FCur;
    FCur = o;
    return out.Count();
}

void TSteppedList::Undo(size_t) {
    FCur = FPrev;
}

void TSteppedList::Finish() {
    if (FCur < 0) return;
    S.Own(std::move(FBuf[FCur]));
}

} // namespace zorb
