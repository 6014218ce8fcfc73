#include "combos/Filter.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <memory>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

namespace zorb {

namespace {

constexpr size_t ChunkSize = 1 << 15; // combinations per task: 192 KB of input, which stays in L2 between passes

// Writes the combinations of one chunk whose bits are set to `o`, which has room for exactly `count` of them.
// Dense words move with overlapping 8-byte stores; the two bytes past a store always land in slots this chunk
// writes later, which the room check guarantees, so neighbouring chunks written by other threads are untouched.
void CompactChunk(const TComb* in, size_t len, const uint64_t* bits, TComb* o, size_t count) {
    TComb* const end = o + count;
    const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
    const size_t words = (len + 63) / 64;
    for (size_t wi = 0; wi < words; ++wi) {
        uint64_t m = bits[wi];
        if (!m) continue;
        const uint8_t* s = src + wi * 64 * sizeof(TComb);
        const bool whole = wi * 64 + 64 <= len;
        if (m == ~0ull && whole) {
            // 384 bytes as 24 fixed 16-byte copies, which compile to vector moves on every target: a library
            // memcpy call of this size costs more to start than to run.
            uint8_t* d = reinterpret_cast<uint8_t*>(o);
            for (int q = 0; q < 24; ++q) std::memcpy(d + 16 * q, s + 16 * q, 16);
            o += 64;
            continue;
        }
        const int pc = std::popcount(m);
        if (whole && pc >= 12 && o + pc + 2 <= end) {
            uint8_t* d = reinterpret_cast<uint8_t*>(o);
            for (unsigned j = 0; j < 64; ++j) {
                uint64_t v;
                std::memcpy(&v, s + sizeof(TComb) * j, 8);
                std::memcpy(d, &v, 8);
                d += sizeof(TComb) * ((m >> j) & 1);
            }
            o += pc;
        } else {
            while (m) {
                const int j = std::countr_zero(m);
                std::memcpy(o++, s + sizeof(TComb) * static_cast<size_t>(j), sizeof(TComb));
                m &= m - 1;
            }
        }
    }
}

// One pass over the input in chunks claimed in order by every core: `produce`(first, len, bits) sets the bits of
// the combinations to keep. A chunk's output offset is the sum of its predecessors' counts. No thread ever waits
// for another: the known prefix of offsets is advanced lock-free by whichever thread sees the next count, a
// chunk whose offset is already known is compacted at once while its input is still in the cache, and one whose
// offset is not yet known (a predecessor's thread was preempted) keeps its bits and is compacted later, by any
// thread, in the loop or in a final parallel sweep. With a progress function the work runs in slices between
// which progress is reported.
template <class Produce>
size_t Compact(const TCombsArray& in, TCombsArray& out, Produce produce, const TProgressFn& progress = {}) {
    constexpr size_t Words = ChunkSize / 64;
    const size_t n = in.Count();
    out.Reserve(n);
    const size_t chunks = (n + ChunkSize - 1) / ChunkSize;
    const size_t slices = progress ? std::min<size_t>(100, std::max<size_t>(chunks, 1)) : 1;
    const size_t maxSlice = (chunks + slices - 1) / slices;
    const int workers = std::max(1, tbb::this_task_arena::max_concurrency());
    std::unique_ptr<uint64_t[]> bits(new uint64_t[std::max<size_t>(maxSlice, 1) * Words]);
    std::unique_ptr<std::atomic<int64_t>[]> counts(new std::atomic<int64_t>[maxSlice + 1]);
    std::unique_ptr<std::atomic<int64_t>[]> bases(new std::atomic<int64_t>[maxSlice + 1]);
    std::unique_ptr<std::atomic<bool>[]> claimed(new std::atomic<bool>[maxSlice + 1]);
    size_t written = 0;
    for (size_t s = 0; s < slices; ++s) {
        const size_t c0 = chunks * s / slices, c1 = chunks * (s + 1) / slices, cn = c1 - c0;
        for (size_t i = 0; i <= cn; ++i) {
            counts[i].store(-1, std::memory_order_relaxed);
            bases[i].store(-1, std::memory_order_relaxed);
            claimed[i].store(false, std::memory_order_relaxed);
        }
        bases[0].store(static_cast<int64_t>(written), std::memory_order_relaxed);
        std::atomic<size_t> known{0}; // bases[0..known] are set
        std::atomic<size_t> next{0}, sweep{0};

        // Extends the known prefix as far as published counts allow; returns its end. Racing threads store equal
        // values, and a stale thread's late store repeats a value already there.
        auto advance = [&] {
            size_t f = known.load(std::memory_order_acquire);
            while (f < cn) {
                const int64_t c = counts[f].load(std::memory_order_acquire);
                if (c < 0) break;
                bases[f + 1].store(bases[f].load(std::memory_order_acquire) + c, std::memory_order_release);
                if (known.compare_exchange_weak(f, f + 1, std::memory_order_acq_rel)) ++f;
            }
            return f;
        };
        auto compact = [&](size_t i) {
            const size_t first = (c0 + i) * ChunkSize, len = std::min(ChunkSize, n - first);
            CompactChunk(in.Data() + first, len, bits.get() + i * Words, out.Data() + bases[i].load(),
                         static_cast<size_t>(counts[i].load()));
        };
        auto tryCompact = [&](size_t i) {
            if (!claimed[i].exchange(true, std::memory_order_acq_rel)) compact(i);
        };

        tbb::parallel_for(0, workers, [&](int) {
            for (;;) {
                const size_t i = next.fetch_add(1);
                if (i >= cn) break;
                const size_t first = (c0 + i) * ChunkSize, len = std::min(ChunkSize, n - first);
                uint64_t* b = bits.get() + i * Words;
                std::fill(b, b + Words, 0);
                produce(first, len, b);
                int64_t count = 0;
                for (size_t w = 0; w < (len + 63) / 64; ++w) count += std::popcount(b[w]);
                counts[i].store(count, std::memory_order_release);
                const size_t f = advance();
                if (i < f) tryCompact(i);
                // Take over at most two deferred chunks per own chunk, so that the tail stays shared out.
                size_t j = sweep.load(std::memory_order_relaxed);
                for (int taken = 0; j < std::min(f, i) && taken < 2; ++j)
                    if (!claimed[j].load(std::memory_order_relaxed)) {
                        tryCompact(j);
                        ++taken;
                    }
                size_t seen = sweep.load(std::memory_order_relaxed);
                while (seen < j && !sweep.compare_exchange_weak(seen, j, std::memory_order_relaxed)) {}
            }
        });
        // Every count is published now; whatever is left is compacted by all threads together.
        advance();
        tbb::parallel_for(size_t(0), cn, [&](size_t i) { tryCompact(i); });
        written = static_cast<size_t>(bases[cn].load());
        if (progress) progress(static_cast<double>(s + 1) / static_cast<double>(slices));
    }
    out.SetCount(written);
    return written;
}

// Keeps what the matcher's answer says, inverted when removing; bits past the end stay clear.
void MatchBits(const TCombMatcher& matcher, const TComb* in, size_t len, uint64_t* bits, bool exclude) {
    matcher.Match(in, len, bits);
    if (!exclude) return;
    const size_t words = (len + 63) / 64;
    for (size_t w = 0; w < words; ++w) bits[w] = ~bits[w];
    if (len % 64) bits[words - 1] &= (1ull << (len % 64)) - 1;
}

bool HoldsDraw(const TComb& c, const TDrawRec& d) {
    for (uint8_t x : d.Numbers)
        if (!NumberInComb(x, c)) return false;
    return true;
}

// The draws of a range as a lookup. A draw of six distinct numbers 1..52 is held only by a combination whose
// six numbers are that same set, so it is found by an order-free hash of the numbers (a sum of random words,
// one per number value): a small bit table rejects almost every combination with one test, and the rare hits
// are checked exactly. Any other draw is checked against every combination.
class TDrawSet {
public:
    TDrawSet(const TDrawsArray& draws, int lo, int hi) {
        uint64_t seed = 0x9E3779B97F4A7C15ull;
        for (uint64_t& z : FZobrist) {
            seed ^= seed << 13; // xorshift: any fixed, well-mixed values will do
            seed ^= seed >> 7;
            seed ^= seed << 17;
            z = seed;
        }
        for (int i = lo; i <= hi; ++i) {
            const TDrawRec& d = draws[static_cast<size_t>(i)];
            uint64_t seen = 0;
            bool plain = true;
            for (uint8_t x : d.Numbers) {
                if (x < MinNumber || x > MaxNumber || (seen >> x & 1))
                    plain = false;
                else
                    seen |= 1ull << x;
            }
            if (!plain) {
                FOdd.push_back(d);
                continue;
            }
            const uint64_t h = Hash(d.Numbers);
            SetBloom(h);
            FPlain.push_back({h, d});
        }
        std::sort(FPlain.begin(), FPlain.end(), [](const TEntry& a, const TEntry& b) { return a.H < b.H; });
        FHasOdd = !FOdd.empty();
    }
    bool Holds(const TComb& c) const {
        const uint64_t h = Hash(c.N);
        return (TestBloom(h) || FHasOdd) && HoldsSlow(c, h);
    }

private:
    static constexpr size_t BloomBits = 1 << 18; // 32 KB: stays in L1, and 1000 draws set under 0.4 % of it

    [[gnu::noinline]] bool HoldsSlow(const TComb& c, uint64_t h) const {
        auto it =
            std::lower_bound(FPlain.begin(), FPlain.end(), h, [](const TEntry& e, uint64_t v) { return e.H < v; });
        for (; it != FPlain.end() && it->H == h; ++it)
            if (HoldsDraw(c, it->D)) return true;
        for (const TDrawRec& d : FOdd)
            if (HoldsDraw(c, d)) return true;
        return false;
    }
    struct TEntry {
        uint64_t H;
        TDrawRec D;
    };
    uint64_t Hash(const uint8_t* n) const {
        return FZobrist[n[0]] + FZobrist[n[1]] + FZobrist[n[2]] + FZobrist[n[3]] + FZobrist[n[4]] + FZobrist[n[5]];
    }
    void SetBloom(uint64_t h) {
        const unsigned k = static_cast<unsigned>(h >> 46);
        FBloomBytes[k >> 3] = static_cast<uint8_t>(FBloomBytes[k >> 3] | 1u << (k & 7));
    }
    bool TestBloom(uint64_t h) const {
        const unsigned k = static_cast<unsigned>(h >> 46);
        return (FBloomBytes[k >> 3] >> (k & 7)) & 1;
    }

    std::array<uint64_t, 256> FZobrist;
    std::array<uint8_t, BloomBits / 8> FBloomBytes{};
    std::vector<TEntry> FPlain;
    std::vector<TDrawRec> FOdd;
    bool FHasOdd = false;
};

} // namespace

size_t FilterByMatcher(const TCombsArray& in, TCombsArray& out, const TCombMatcher& matcher, bool exclude) {
    return Compact(in, out, [&](size_t first, size_t len, uint64_t* bits) {
        MatchBits(matcher, in.Data() + first, len, bits, exclude);
    });
}

size_t FilterByMatchComb(const TCombsArray& in, TCombsArray& out, TCustomStat& stat, const TStatDrawArray& selected,
                         int windowEnd, bool sorted, bool exclude) {
    out.Reserve(in.Count());
    size_t kept = 0;
    for (size_t i = 0; i < in.Count(); ++i) {
        const bool m = stat.MatchComb(in[i], selected, windowEnd, sorted, exclude);
        if (m != exclude) out[kept++] = in[i];
    }
    out.SetCount(kept);
    return kept;
}

size_t RemoveDraws(const TCombsArray& in, TCombsArray& out, const TDrawsArray& draws, int lo, int hi,
                   const TProgressFn& progress) {
    lo = std::max(lo, 0);
    hi = std::min(hi, static_cast<int>(draws.size()) - 1);
    if (hi < lo) {
        out.Assign(in);
        if (progress) progress(1.0);
        return out.Count();
    }
    const TDrawSet set(draws, lo, hi);
    return Compact(
        in, out,
        [&](size_t first, size_t len, uint64_t* bits) {
            const TComb* c = in.Data() + first;
            for (size_t i = 0; i < len; i += 64) {
                uint64_t w = 0;
                const size_t end = std::min(len, i + 64);
                for (size_t j = i; j < end; ++j) w |= static_cast<uint64_t>(!set.Holds(c[j])) << (j - i);
                bits[i / 64] = w;
            }
        },
        progress);
}

std::unique_ptr<TCombMatcher> MakeDrawsMatcher(const TDrawsArray& draws, int lo, int hi) {
    lo = std::max(lo, 0);
    hi = std::min(hi, static_cast<int>(draws.size()) - 1);
    if (hi < lo) return MakeMatcher([](const TComb&) { return false; });
    return MakeMatcher(
        [set = std::make_shared<const TDrawSet>(draws, lo, hi)](const TComb& c) { return set->Holds(c); });
}

size_t RemoveDrawsReference(const TCombsArray& in, TCombsArray& out, const TDrawsArray& draws, int lo, int hi) {
    lo = std::max(lo, 0);
    hi = std::min(hi, static_cast<int>(draws.size()) - 1);
    out.Reserve(in.Count());
    size_t kept = 0;
    for (size_t i = 0; i < in.Count(); ++i) {
        bool holds = false;
        for (int d = lo; d <= hi && !holds; ++d) holds = HoldsDraw(in[i], draws[static_cast<size_t>(d)]);
        if (!holds) out[kept++] = in[i];
    }
    out.SetCount(kept);
    return kept;
}

size_t RemoveRows(const TCombsArray& in, TCombsArray& out, const TRowRanges& selected) {
    return Compact(in, out, [&](size_t first, size_t len, uint64_t* bits) {
        std::fill(bits, bits + (len + 63) / 64, ~0ull);
        if (len % 64) bits[len / 64] = (1ull << (len % 64)) - 1;
        // Clear the bits of the selected rows that fall in this chunk.
        auto it = std::upper_bound(selected.begin(), selected.end(), std::make_pair(first, ~size_t(0)));
        if (it != selected.begin()) --it;
        for (; it != selected.end() && it->first < first + len; ++it) {
            const size_t a = std::max(it->first, first), b = std::min(it->second, first + len);
            for (size_t r = a; r < b; ++r) bits[(r - first) / 64] &= ~(1ull << ((r - first) % 64));
        }
    });
}

} // namespace zorb
