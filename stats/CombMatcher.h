// Fast matchers: a method's MatchComb answer for one filter, turned once into tables so that the filter loop
// tests a combination with a few lookups and no virtual call. A matcher is immutable once built, so chunks of
// a list can be matched on several threads at once.
#pragma once

#include "core/KestoUtils.h"
#include "stats/StatFramework.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zorb {

// A matcher's answer as the lookup of one small key per combination, the sum of a weight per number (the sum
// itself, a count of numbers with a property, a count of flagged numbers). A loop over several steps computes
// such a key once per combination and decides at once every step that reads the same weights.
struct TSumKeyForm {
    std::array<uint16_t, 256> Weight{};
    std::vector<uint8_t> Accept; // the combination matches when its key is below the size and flagged
    int Key(const TComb& c) const {
        return Weight[c.N[0]] + Weight[c.N[1]] + Weight[c.N[2]] + Weight[c.N[3]] + Weight[c.N[4]] + Weight[c.N[5]];
    }
    bool Matches(const TComb& c) const {
        const size_t k = static_cast<size_t>(Key(c));
        return k < Accept.size() && Accept[k];
    }
};

class TCombMatcher {
public:
    virtual ~TCombMatcher() = default;
    // Sets bit j of bits[j / 64] when in[j] matches, for j < n; bits must hold (n + 63) / 64 zeroed words.
    virtual void Match(const TComb* in, size_t n, uint64_t* bits) const = 0;
    // The same answers as a key form, or nullptr.
    const TSumKeyForm* KeyForm() const { return FForm.get(); }
    void SetKeyForm(TSumKeyForm form) { FForm = std::make_shared<const TSumKeyForm>(std::move(form)); }

private:
    std::shared_ptr<const TSumKeyForm> FForm;
};

template <class F> class TFuncMatcher final : public TCombMatcher {
public:
    explicit TFuncMatcher(F f) : FTest(std::move(f)) {}
    void Match(const TComb* in, size_t n, uint64_t* bits) const override {
        size_t i = 0;
        for (size_t w = 0; i < n; ++w) {
            const size_t end = std::min(n, i + 64);
            uint64_t word = 0;
            for (unsigned j = 0; i < end; ++i, ++j) word |= static_cast<uint64_t>(FTest(in[i]) ? 1 : 0) << j;
            bits[w] = word;
        }
    }

private:
    F FTest;
};

template <class F> std::unique_ptr<TCombMatcher> MakeMatcher(F f) {
    return std::make_unique<TFuncMatcher<F>>(std::move(f));
}

// A matcher that also hands out its answers as a key form.
template <class F> std::unique_ptr<TCombMatcher> MakeMatcher(F f, TSumKeyForm form) {
    auto m = std::make_unique<TFuncMatcher<F>>(std::move(f));
    m->SetKeyForm(std::move(form));
    return m;
}

// Full-set counting: a method's CountComb for many combinations at once, tallied by value in a dense array
// instead of merged row by row, so every core can count its share of the full set into its own tally.
class TCombCounter {
public:
    virtual ~TCombCounter() = default;
    // Number of tally slots.
    virtual size_t Size() const = 0;
    // Adds the values of every combination to `tally`, which has Size() slots.
    virtual void Count(const TComb* in, size_t n, uint32_t* tally) const = 0;
    // The key a slot stands for, exactly as CountComb would set it.
    virtual void KeyOf(size_t slot, TStatDraw& row) const = 0;

    // Methods that read one computation (the count of every channel, and of channel 3 alone) hold slices of one
    // wider tally: full-set counting runs the wider counter once for all counters naming the same key.
    struct TShare {
        std::string Key;
        std::shared_ptr<const TCombCounter> Whole;
        size_t Offset = 0;
    };
    virtual const TShare* Share() const { return nullptr; }
};

// Slots [Offset, Offset + size) of a shared wider tally.
template <class FKey> class TSliceCounter final : public TCombCounter {
public:
    TSliceCounter(size_t size, TShare share, FKey key)
        : FSize(size), FShare(std::move(share)), FKeyFn(std::move(key)) {}
    size_t Size() const override { return FSize; }
    void Count(const TComb* in, size_t n, uint32_t* tally) const override {
        std::vector<uint32_t> whole(FShare.Whole->Size(), 0);
        FShare.Whole->Count(in, n, whole.data());
        for (size_t s = 0; s < FSize; ++s) tally[s] += whole[FShare.Offset + s];
    }
    void KeyOf(size_t slot, TStatDraw& row) const override { FKeyFn(slot, row); }
    const TShare* Share() const override { return &FShare; }

private:
    size_t FSize;
    TShare FShare;
    FKey FKeyFn;
};

template <class FKey>
std::unique_ptr<TCombCounter> MakeSliceCounter(size_t size, TCombCounter::TShare share, FKey key) {
    return std::make_unique<TSliceCounter<FKey>>(size, std::move(share), std::move(key));
}

// A counter whose values range too widely for a dense tally (patterns over many groups: 2^26 slots, most never
// used) hands over one 64-bit key per value instead, to be tallied by sorting; KeyOf then takes that key as the
// slot. Memory follows the distinct values, not the range.
class TSparseCombCounter : public TCombCounter {
public:
    size_t Size() const final { return 0; }
    void Count(const TComb*, size_t, uint32_t*) const final {}
    // Appends the key of every value of every combination to `keys`.
    virtual void Keys(const TComb* in, size_t n, std::vector<uint64_t>& keys) const = 0;
    // The 8 key bytes, little-endian.
    void KeyOf(size_t slot, TStatDraw& row) const final {
        const uint64_t key = slot;
        std::memcpy(row.Key, &key, sizeof key);
    }
};

template <class F> class TFuncSparseCounter final : public TSparseCombCounter {
public:
    explicit TFuncSparseCounter(F f) : FKeyFn(std::move(f)) {}
    void Keys(const TComb* in, size_t n, std::vector<uint64_t>& keys) const override {
        for (size_t i = 0; i < n; ++i) FKeyFn(in[i], keys);
    }

private:
    F FKeyFn;
};

template <class F> std::unique_ptr<TCombCounter> MakeSparseCounter(F f) {
    return std::make_unique<TFuncSparseCounter<F>>(std::move(f));
}

// Sorted (key, count) runs of a sparse counter, merged as they come like a binary counter, so that a pass keeps
// at most about twice its distinct keys and every key is merged a logarithmic number of times.
class TSparseTally {
public:
    struct TEntry {
        uint64_t Key;
        uint64_t Count;
    };
    // Sorts `keys` (which it empties) and adds them.
    void AddKeys(std::vector<uint64_t>& keys);
    void Add(TSparseTally&& other);
    // Every distinct key with its total, ascending.
    std::vector<TEntry> Take();

private:
    void Push(std::vector<TEntry>&& run);
    std::vector<std::vector<TEntry>> FRuns; // sizes decrease towards the back
};

template <class FCount, class FKey> class TFuncCounter final : public TCombCounter {
public:
    TFuncCounter(size_t size, FCount count, FKey key)
        : FSize(size), FCountFn(std::move(count)), FKeyFn(std::move(key)) {}
    size_t Size() const override { return FSize; }
    void Count(const TComb* in, size_t n, uint32_t* tally) const override {
        if (FSize > SmallTally) {
            for (size_t i = 0; i < n; ++i) FCountFn(in[i], tally);
            return;
        }
        // Neighbouring combinations mostly share a value: on one small tally every increment would wait for
        // the previous one to leave the store buffer, so four interleaved copies are counted and added up.
        uint32_t copies[4][SmallTally] = {};
        size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            FCountFn(in[i], copies[0]);
            FCountFn(in[i + 1], copies[1]);
            FCountFn(in[i + 2], copies[2]);
            FCountFn(in[i + 3], copies[3]);
        }
        for (; i < n; ++i) FCountFn(in[i], copies[0]);
        for (size_t s = 0; s < FSize; ++s) tally[s] += copies[0][s] + copies[1][s] + copies[2][s] + copies[3][s];
    }
    void KeyOf(size_t slot, TStatDraw& row) const override { FKeyFn(slot, row); }

private:
    static constexpr size_t SmallTally = 64;
    size_t FSize;
    FCount FCountFn;
    FKey FKeyFn;
};

template <class FCount, class FKey> std::unique_ptr<TCombCounter> MakeCounter(size_t size, FCount count, FKey key) {
    return std::make_unique<TFuncCounter<FCount, FKey>>(size, std::move(count), std::move(key));
}

// Lookup tables over a value range that mirror the Find* searches of the selected rows exactly, odd keys
// included: a value outside the table never matches, as no selected row could hold it.
class TValueTable {
public:
    TValueTable(int lo, int hi) : FLo(lo), FBits(static_cast<size_t>(hi - lo + 1), 0) {}
    // Offsets are taken in 64 bits: a key near the integer limits must not wrap into the table.
    void Set(int v) {
        const int64_t k = static_cast<int64_t>(v) - FLo;
        if (k >= 0 && k < static_cast<int64_t>(FBits.size())) FBits[static_cast<size_t>(k)] = 1;
    }
    bool Has(int v) const {
        const uint64_t k = static_cast<uint64_t>(static_cast<int64_t>(v) - FLo);
        return k < FBits.size() && FBits[k];
    }
    bool Empty() const;

private:
    int FLo;
    std::vector<uint8_t> FBits;
};

// Rows found by FindKey(v, 0, 0, 0).
TValueTable KeyTable(const TStatDrawArray& selected, int lo, int hi);
// Rows found by FindWord(1, v).
TValueTable Word1Table(const TStatDrawArray& selected, int lo, int hi);
// Rows found by FindInt(k, v).
TValueTable IntTable(const TStatDrawArray& selected, int k, int lo, int hi);
// Rows found by FindPair(v, 0).
TValueTable PairTable(const TStatDrawArray& selected, int lo, int hi);

// A flag per byte value, as a matcher or counter captures it.
using TByteFlags = std::array<uint8_t, 256>;

// t.Has(v) for every v below N, as flags.
template <size_t N = 256> std::array<uint8_t, N> FlagsOf(const TValueTable& t) {
    std::array<uint8_t, N> f{};
    for (size_t v = 0; v < N; ++v) f[v] = t.Has(static_cast<int>(v)) ? 1 : 0;
    return f;
}

// Matches a combination holding any flagged byte.
std::unique_ptr<TCombMatcher> AnyByteMatcher(const TByteFlags& f);
// The key form of a count of numbers with a weight of 0 or 1 per byte: matches when the count is flagged in
// `counts` (7 entries).
TSumKeyForm CountForm(const TByteFlags& has, const std::array<uint8_t, 7>& counts);

// Counter keys: the slot as word 1 or as integer 1, the rest of the key zero.
void SetKeyW1(size_t slot, TStatDraw& row);
void SetKeyI1(size_t slot, TStatDraw& row);

// Per-number facts precomputed for all 256 byte values, so odd numbers in user lists cost nothing extra.
inline int CombSum(const TComb& c) {
    return c.N[0] + c.N[1] + c.N[2] + c.N[3] + c.N[4] + c.N[5];
}
constexpr int MaxCombSum = 6 * 255;

} // namespace zorb
