#include "scenarios/StepMasks.h"

#include "combos/Filter.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>
#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <utility>

namespace zorb {

namespace {

constexpr size_t ChunkSize = 1 << 15; // combinations per task: a chunk and its step marks stay in L2
constexpr size_t MaxFormKeys = 1 << 16;

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

// Calls f(i) for every i in [b, e) whose mark is Alive, in order. Few are alive after a set, at places no branch
// predicts: the marks are turned into bit words without a branch and only the set bits are visited.
template <class F> void ForEachAlive(const uint16_t* marks, size_t b, size_t e, F f) {
    for (size_t i = b; i < e; i += 64) {
        const size_t n = std::min<size_t>(64, e - i);
        uint64_t word = 0;
        for (size_t j = 0; j < n; ++j) word |= static_cast<uint64_t>(marks[i + j] == TListState::Alive) << j;
        for (; word; word &= word - 1) f(i + static_cast<size_t>(std::countr_zero(word)));
    }
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

void TListState::Borrow(const TCombsArray& list) {
    FSrc = &list;
    FCount = list.Count();
    FMasked = FHasAlive = false;
}

void TListState::Own(TCombsArray&& list) {
    FOwn = std::move(list);
    FSrc = &FOwn;
    FCount = FOwn.Count();
    FMasked = FHasAlive = false;
}

void TListState::ForEach(const std::function<bool(const TComb&)>& fn) const {
    const TComb* d = Data();
    if (FHasAlive) {
        for (uint32_t i : FAlive)
            if (!fn(d[i])) return;
        return;
    }
    for (size_t i = 0, n = Size(); i < n; ++i)
        if ((!FMasked || FStep[i] == Alive) && !fn(d[i])) return;
}

const TComb& TListState::First() const {
    return At(0);
}

const TComb& TListState::Last() const {
    if (!FMasked) return Data()[FCount - 1];
    if (FHasAlive) return Data()[FAlive.back()];
    size_t i = Size();
    while (i > 0 && FStep[i - 1] != Alive) --i;
    return Data()[i - 1];
}

const TComb& TListState::At(size_t k) const {
    if (!FMasked) return Data()[k];
    if (FHasAlive) return Data()[FAlive[k]];
    for (size_t i = 0;; ++i)
        if (FStep[i] == Alive && k-- == 0) return Data()[i];
}

void TListState::CopyTo(TCombsArray& out) const {
    out.SetCount(FCount);
    const TComb* d = Data();
    TComb* o = out.Data();
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
    tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
        size_t c = 0;
        for (size_t i = b * ChunkSize, e = std::min(n, i + ChunkSize); i < e; ++i) c += FStep[i] == Alive;
        counts[b + 1] = c;
    });
    for (size_t b = 0; b < blocks; ++b) counts[b + 1] += counts[b];
    tbb::parallel_for(size_t(0), blocks, [&](size_t b) {
        size_t w = counts[b];
        ForEachAlive(FStep.data(), b * ChunkSize, std::min(n, (b + 1) * ChunkSize), [&](size_t i) { o[w++] = d[i]; });
    });
}

void TListState::Compact() {
    if (!FMasked) return;
    TCombsArray list;
    CopyTo(list);
    Own(std::move(list));
}

size_t TListState::OwnBytes() const {
    return FOwn.Capacity() * sizeof(TComb) + FStep.capacity() * sizeof(uint16_t) + FAlive.capacity() * 4;
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
    if (S.FStep.size() < S.Size()) S.FStep.resize(S.Size());
    S.FMasked = true;
    S.FHasAlive = false;
    BuildGroups();
    Evaluate(true);
}

void TMaskedList::BuildGroups() {
    constexpr uint16_t none = TListState::Alive;
    FGroupAt.assign(K, -1);
    for (size_t k = 0; k < K;) {
        const TSumKeyForm* f = FormOf(FSteps[k]);
        if (!f) {
            ++k;
            continue;
        }
        TGroup g;
        g.Begin = k;
        g.Form = f;
        size_t e = k;
        if (RemovesAnyFlagged(FSteps[k], *f)) {
            g.PerNumber = true;
            g.First.assign(256, none);
            for (const TSumKeyForm* h; e < K && (h = FormOf(FSteps[e])) && RemovesAnyFlagged(FSteps[e], *h); ++e)
                for (size_t x = 0; x < 256; ++x)
                    if (h->Weight[x] && g.First[x] == none) g.First[x] = static_cast<uint16_t>(e);
        } else {
            const size_t keys = KeysOf(*f);
            g.First.assign(keys, none);
            for (const TSumKeyForm* h; e < K && (h = FormOf(FSteps[e])) && h->Weight == f->Weight; ++e)
                for (size_t key = 0; key < keys; ++key) {
                    const bool match = key < h->Accept.size() && h->Accept[key];
                    if (g.First[key] == none && match == FSteps[e].Exclude) g.First[key] = static_cast<uint16_t>(e);
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
}

// Takes m combinations through the steps from `from` on. Without `idx` they are the source's from `first`, all
// alive so far: their marks are first filled with `from`, so the many a first step stops cost no store each.
// Survivors stay where they are while most of the combinations pass (a matcher is cheaper than a copy), and move
// to the front of a work list once few are left.
void TMaskedList::Kernel(const TComb* in, const uint32_t* idx, uint32_t first, size_t m, size_t from, TScratch& s) {
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
    const bool prefilled = !idx && from < K;
    if (prefilled) FillMarks(marks + first, m, static_cast<uint16_t>(from));
    size_t words = (m + 63) / 64;
    for (size_t w = 0; w < words; ++w) s.Alive[w] = valid(w);
    size_t alive = m;
    for (size_t k = from, next; k < K && alive > 0; k = next) {
        next = k + 1;
        if (FGroupAt[k] >= 0) {
            // A group of steps: each combination's first removing step is looked up without a branch, then the
            // removed ones are stored (where the fill did not already) and counted in four interleaved tallies,
            // so that a run of removals at one step does not wait on one counter.
            const TGroup& g = FGroups[static_cast<size_t>(FGroupAt[k])];
            next = g.End;
            const uint16_t* firstOf = g.First.data();
            uint16_t* const r = s.Step.data();
            if (g.PerNumber) {
                for (size_t i = 0; i < m; ++i) {
                    const uint8_t* n = cur[i].N;
                    const uint16_t x = std::min(firstOf[n[0]], firstOf[n[1]]),
                                   y = std::min(firstOf[n[2]], firstOf[n[3]]),
                                   z = std::min(firstOf[n[4]], firstOf[n[5]]);
                    r[i] = std::min(std::min(x, y), z);
                }
            } else {
                const TSumKeyForm& f = *g.Form;
                for (size_t i = 0; i < m; ++i) r[i] = firstOf[f.Key(cur[i])];
            }
            const bool stored = prefilled && k == from;
            uint64_t* const tally = s.Tally.data();
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
    if (!curIdx && !FDistinct) {
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
    auto chunk = [&](size_t c) {
        TScratch& s = scratch.local();
        const size_t first = c * ChunkSize, len = std::min(ChunkSize, n - first);
        s.Prepare(K, len);
        if (all) {
            Kernel(S.Data() + first, nullptr, static_cast<uint32_t>(first), len, from, s);
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
    if (!FAnyPending) return;
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
