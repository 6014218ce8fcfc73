#include "stats/StatsChannels.h"

#include "core/Format.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"
#include "stats/StatTemplates.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace zorb {

int ValidChannelSize(int channelSize) {
    return channelSize >= 3 && channelSize <= MaxNumber ? channelSize : 4;
}

int ValidMatrixCols(int matrixCols) {
    return matrixCols >= 1 && matrixCols <= MaxNumber ? matrixCols : 7;
}

int MatrixRowCount(int matrixCols) {
    const int cols = ValidMatrixCols(matrixCols);
    return (MaxNumber + cols - 1) / cols;
}

std::string ChannelText(int channel, int channelSize) {
    // The last channel keeps its full width: with 5 numbers a channel, the eleventh reads "11 [51-55]".
    return Format("%.2d [%s-%s]", channel, std::to_string(channelSize * (channel - 1) + 1),
                  std::to_string(channel * channelSize));
}

TGroupMap TGroupMap::Make(TGroupKind kind, int channelSize, int matrixCols, const std::array<uint8_t, 52>& segments) {
    TGroupMap m;
    m.Of.fill(None);
    m.Slot.fill(None);
    const int size = ValidChannelSize(channelSize), cols = ValidMatrixCols(matrixCols);
    for (int n = MinNumber; n <= MaxNumber; ++n) {
        int g = 0;
        switch (kind) {
        case TGroupKind::Channels: g = (n - 1) / size + 1; break;
        case TGroupKind::Columns: g = (n - 1) % cols + 1; break;
        case TGroupKind::Rows: g = (n - 1) / cols + 1; break;
        // A segment beyond a digit (only a program could set one) is read as segment 1, as the file reader does.
        case TGroupKind::Segments:
            g = segments[static_cast<size_t>(n - 1)] <= 9 ? segments[static_cast<size_t>(n - 1)] : 1;
        }
        m.Of[static_cast<size_t>(n)] = static_cast<uint8_t>(g);
    }
    if (kind == TGroupKind::Segments) {
        for (int n = MinNumber; n <= MaxNumber; ++n) {
            const uint8_t g = m.Of[static_cast<size_t>(n)];
            if (m.Slot[g] == None) {
                m.Slot[g] = static_cast<uint8_t>(m.Groups.size());
                m.Groups.push_back(g);
            }
        }
    } else {
        for (int g = 1; g <= m.Of[MaxNumber] || (kind == TGroupKind::Columns && g <= cols); ++g) {
            m.Slot[static_cast<size_t>(g)] = static_cast<uint8_t>(m.Groups.size());
            m.Groups.push_back(static_cast<uint8_t>(g));
        }
    }
    m.MaxGroup = *std::max_element(m.Groups.begin(), m.Groups.end());
    return m;
}

void ChannelParams(const TStatList& list, int& lo, int& hi) {
    lo = 1;
    hi = (MaxNumber + ValidChannelSize(list.Config.ChannelSize) - 1) / ValidChannelSize(list.Config.ChannelSize);
}

void SegmentParams(const TStatList& list, int& lo, int& hi) {
    const TGroupMap m = TGroupMap::Make(TGroupKind::Segments, 4, 7, list.Config.MatrixSegments);
    lo = *std::min_element(m.Groups.begin(), m.Groups.end());
    hi = m.MaxGroup;
}

template <class Base>
TChannelsOf<Base>::TChannelsOf(TStatList& list, int param)
    : Base(list, param), FChannelSize(ValidChannelSize(list.Config.ChannelSize)) {}

template <class Base>
TMatrixOf<Base>::TMatrixOf(TStatList& list, int param)
    : Base(list, param), FMatrixCols(static_cast<uint8_t>(ValidMatrixCols(list.Config.MatrixCols))),
      FMatrixRows(static_cast<uint8_t>(MatrixRowCount(list.Config.MatrixCols))) {}

template <class Base>
TSegmentsOf<Base>::TSegmentsOf(TStatList& list, int param) : Base(list, param), FSegments(list.Config.MatrixSegments) {}

template class TChannelsOf<TCustomNumbersStat>;
template class TChannelsOf<TCustomGraphStat>;
template class TMatrixOf<TCustomNumbersStat>;
template class TMatrixOf<TCustomGraphStat>;
template class TSegmentsOf<TCustomNumbersStat>;
template class TSegmentsOf<TCustomGraphStat>;

namespace {

uint64_t Key64(const TStatDraw& row) {
    uint64_t k;
    std::memcpy(&k, row.Key, sizeof k);
    return k;
}

void SetKey64(TStatDraw& row, uint64_t k) {
    std::memcpy(row.Key, &k, sizeof k);
}

bool IsColumns(TGroupKind k) {
    return k == TGroupKind::Columns;
}

// The family members share one shape: a base with the setting, and the group map of their kind built once.
template <class Base, TGroupKind Kind> class TGroupStat : public Base {
public:
    TGroupStat(TStatList& list, int param) : Base(list, param), FMap(MakeMap()) {}

protected:
    TGroupMap MakeMap() const {
        if constexpr (Kind == TGroupKind::Channels || Kind == TGroupKind::Segments)
            return this->Map();
        else
            return this->Map(Kind);
    }
    int GroupCount() const { return static_cast<int>(FMap.Groups.size()); }
    // Count of numbers per group slot; numbers in no group add nothing.
    void Tally(const uint8_t* n, std::array<uint8_t, 52>& counts) const {
        counts.fill(0);
        for (int i = 0; i < 6; ++i)
            if (FMap.Has(n[i])) ++counts[FMap.Slot[FMap.Of[n[i]]]];
    }
    // Bit per touched slot.
    uint64_t Touched(const uint8_t* n) const {
        uint64_t t = 0;
        for (int i = 0; i < 6; ++i)
            if (FMap.Has(n[i])) t |= uint64_t(1) << FMap.Slot[FMap.Of[n[i]]];
        return t;
    }
    const TGroupMap FMap;
};

// --- CHAN, COLS, ROWS, SGMS: the group of every number -------------------------------------------------------

template <class Base, TGroupKind Kind>
class TstGroupMembers : public TMergedValuesStat<TGroupStat<Base, Kind>, TstGroupMembers<Base, Kind>> {
    using TBase = TMergedValuesStat<TGroupStat<Base, Kind>, TstGroupMembers>;

public:
    using TBase::TBase;
    static constexpr bool ByByte = Kind == TGroupKind::Channels; // CHAN compares byte B1

    std::string ValueText(const TStatDraw& row) const override {
        if constexpr (ByByte)
            return ChannelText(row.B(1), this->FChannelSize);
        else
            return std::to_string(row.W(1));
    }
    int TextToValue(const std::string& text) const override {
        if constexpr (ByByte)
            return TCustomStat::TextToValue(text.substr(0, text.find(' ')));
        else
            return TCustomStat::TextToValue(text);
    }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        if constexpr (Kind == TGroupKind::Channels || Kind == TGroupKind::Segments) {
            for (int n = MinNumber; n <= MaxNumber; ++n) this->SeedW1(table, this->FMap.Of[static_cast<size_t>(n)]);
        } else {
            for (uint8_t g : this->FMap.Groups) this->SeedW1(table, g);
        }
    }
    void MergeValues(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        for (int i = 0; i < 6; ++i) {
            if (!this->FMap.Has(numbers[i])) continue;
            this->FWork.ClearKey();
            this->FWork.SetW(1, this->FMap.Of[numbers[i]]);
            this->Merge(table, trackGaps);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (uint8_t n : comb.N) {
            if (!this->FMap.Has(n)) continue;
            const uint8_t g = this->FMap.Of[n];
            if (ByByte ? FindByte(selected, 1, g) : FindWord(selected, 1, g)) return true;
        }
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        TByteFlags want{};
        for (const TStatDraw& r : selected) {
            const int g = ByByte ? r.B(1) : r.W(1);
            if (g < 256) want[static_cast<size_t>(g)] = 1;
        }
        TByteFlags f{};
        for (int n = 0; n < 256; ++n)
            if (this->FMap.Has(static_cast<uint8_t>(n)))
                f[static_cast<size_t>(n)] = want[this->FMap.Of[static_cast<size_t>(n)]];
        return AnyByteMatcher(f);
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const TByteFlags of = this->FMap.Of;
        return zorb::MakeCounter(
            static_cast<size_t>(this->FMap.MaxGroup) + 1,
            [of](const TComb& c, uint32_t* t) {
                for (uint8_t n : c.N)
                    if (of[n] != TGroupMap::None) ++t[of[n]];
            },
            SetKeyW1);
    }
};

// --- CHNV, COLV, ROWV, SGMV: how many numbers each group holds ------------------------------------------------

// The tally of a combination packed three bits a group, twenty groups a word (a group holds at most six numbers),
// and read back four groups at a time through tables of the selected (group, count) pairs.
struct TPackedTally {
    static constexpr int PerWord = 20, PerChunk = 4, ChunkBits = 12;
    int Words = 0;
    std::array<std::array<uint64_t, 256>, 3> Add{}; // word-major: a single-word tally reads one 2 KB table

    explicit TPackedTally(const TGroupMap& map) {
        const int groups = static_cast<int>(map.Groups.size());
        Words = (groups + PerWord - 1) / PerWord;
        for (int n = 0; n < 256; ++n) {
            if (!map.Has(static_cast<uint8_t>(n))) continue;
            const int s = map.Slot[map.Of[static_cast<size_t>(n)]];
            Add[static_cast<size_t>(s / PerWord)][static_cast<size_t>(n)] = uint64_t(1) << (3 * (s % PerWord));
        }
    }
    uint64_t Word(const TComb& c, int w) const {
        const auto& a = Add[static_cast<size_t>(w)];
        return a[c.N[0]] + a[c.N[1]] + a[c.N[2]] + a[c.N[3]] + a[c.N[4]] + a[c.N[5]];
    }
};

// How many numbers every group holds, slot 7 * group slot + count: the values of CHNV and its kin, and of
// CHN1, CHN2... each of which is one group's seven slots, so the full set is counted once for all of them.
TCombCounter::TShare GroupTallyShare(const TGroupMap& map, size_t offset) {
    const TPackedTally packed(map);
    const int n = static_cast<int>(map.Groups.size());
    auto whole = zorb::MakeCounter(
        map.Groups.size() * 7,
        [packed, n](const TComb& c, uint32_t* t) {
            for (int w = 0; w < packed.Words; ++w) {
                const uint64_t word = packed.Word(c, w);
                const int first = w * TPackedTally::PerWord, last = std::min(n, first + TPackedTally::PerWord);
                for (int s = first; s < last; ++s) ++t[s * 7 + ((word >> (3 * (s - first))) & 7)];
            }
        },
        [](size_t, TStatDraw&) {});
    // Equal maps and group orders give equal tallies.
    std::string key = "group tally " + std::string(map.Of.begin(), map.Of.end());
    key.append(map.Groups.begin(), map.Groups.end());
    return {std::move(key), std::move(whole), offset};
}

template <class Base, TGroupKind Kind>
class TstGroupValues : public TMergedValuesStat<TGroupStat<Base, Kind>, TstGroupValues<Base, Kind>> {
    using TBase = TMergedValuesStat<TGroupStat<Base, Kind>, TstGroupValues>;

public:
    using TBase::TBase;

    std::string ValueText(const TStatDraw& row) const override {
        if constexpr (Kind == TGroupKind::Channels)
            return Format("%0:s x %1:d", ChannelText(row.W(1), this->FChannelSize), row.W(2));
        else
            return Format("%0:d x %1:d", row.W(1), row.W(2));
    }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        if constexpr (Kind == TGroupKind::Segments) return;
        int most = 6;
        if constexpr (Kind == TGroupKind::Channels) most = std::min(this->FChannelSize, 6);
        if constexpr (Kind == TGroupKind::Columns) most = std::min<int>(this->FMatrixRows, 6);
        if constexpr (Kind == TGroupKind::Rows) most = std::min<int>(this->FMatrixCols, 6);
        for (uint8_t g : this->FMap.Groups)
            for (int k = 0; k <= most; ++k) {
                TStatDraw s{};
                s.SetW(1, g);
                s.SetW(2, static_cast<uint16_t>(k));
                AddValue(table, s, false);
            }
    }
    void MergeValues(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        std::array<uint8_t, 52> counts;
        this->Tally(numbers, counts);
        for (int s = 0; s < this->GroupCount(); ++s) {
            this->FWork.ClearKey();
            this->FWork.SetW(1, this->FMap.Groups[static_cast<size_t>(s)]);
            this->FWork.SetW(2, counts[static_cast<size_t>(s)]);
            this->Merge(table, trackGaps);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        std::array<uint8_t, 52> counts;
        this->Tally(comb.N, counts);
        for (int s = 0; s < this->GroupCount(); ++s)
            if (FindKey(selected, this->FMap.Groups[static_cast<size_t>(s)], counts[static_cast<size_t>(s)], 0, 0))
                return true;
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        // Counts wanted per slot, as bits 0..7.
        std::array<uint8_t, 52> want{};
        for (const TStatDraw& r : selected)
            if (r.W(3) == 0 && r.W(4) == 0 && r.W(1) < 256 && r.W(2) <= 7 && this->FMap.Slot[r.W(1)] != TGroupMap::None)
                want[this->FMap.Slot[r.W(1)]] |= static_cast<uint8_t>(1 << r.W(2));
        const TPackedTally packed(this->FMap);
        const int groups = this->GroupCount();
        // A filter usually names a few groups: their counts are read straight from the tally word.
        std::array<uint8_t, 4> slots{};
        int named = 0;
        bool few = groups <= TPackedTally::PerWord;
        for (int s = 0; s < groups && few; ++s)
            if (want[static_cast<size_t>(s)]) {
                if (named == 4)
                    few = false;
                else
                    slots[static_cast<size_t>(named++)] = static_cast<uint8_t>(s);
            }
        if (few) {
            switch (named) {
            case 0: return zorb::MakeMatcher([](const TComb&) { return false; });
            case 1: return FewGroupsMatcher<1>(packed, slots, want);
            case 2: return FewGroupsMatcher<2>(packed, slots, want);
            case 3: return FewGroupsMatcher<3>(packed, slots, want);
            default: return FewGroupsMatcher<4>(packed, slots, want);
            }
        }
        // Table per chunk of four groups: does any of their counts match? Slots beyond the groups never do.
        constexpr int ChunksPerWord = TPackedTally::PerWord / TPackedTally::PerChunk;
        const int chunks = (groups + TPackedTally::PerChunk - 1) / TPackedTally::PerChunk;
        std::vector<uint8_t> lut(static_cast<size_t>(chunks) << TPackedTally::ChunkBits, 0);
        for (int ch = 0; ch < chunks; ++ch)
            for (unsigned v = 0; v < (1u << TPackedTally::ChunkBits); ++v) {
                bool hit = false;
                for (int j = 0; j < TPackedTally::PerChunk; ++j) {
                    const int s = ch * TPackedTally::PerChunk + j;
                    if (s < groups && (want[static_cast<size_t>(s)] >> ((v >> (3 * j)) & 7) & 1)) hit = true;
                }
                lut[(static_cast<size_t>(ch) << TPackedTally::ChunkBits) | v] = hit ? 1 : 0;
            }
        if (chunks <= ChunksPerWord)
            return zorb::MakeMatcher([packed, lut, chunks](const TComb& c) {
                const uint64_t t = packed.Word(c, 0);
                unsigned hit = 0;
                for (int ch = 0; ch < chunks; ++ch)
                    hit |= lut[(static_cast<size_t>(ch) << TPackedTally::ChunkBits) |
                               ((t >> (TPackedTally::ChunkBits * ch)) & 0xFFF)];
                return hit != 0;
            });
        return zorb::MakeMatcher([packed, lut, chunks](const TComb& c) {
            for (int w = 0; w < packed.Words; ++w) {
                const uint64_t t = packed.Word(c, w);
                for (int j = 0; j < ChunksPerWord; ++j) {
                    const int ch = w * ChunksPerWord + j;
                    if (ch >= chunks) break;
                    if (lut[(static_cast<size_t>(ch) << TPackedTally::ChunkBits) |
                            ((t >> (TPackedTally::ChunkBits * j)) & 0xFFF)])
                        return true;
                }
            }
            return false;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const std::vector<uint8_t> groups = this->FMap.Groups;
        return MakeSliceCounter(groups.size() * 7, GroupTallyShare(this->FMap, 0),
                                [groups](size_t slot, TStatDraw& row) {
                                    row.ClearKey();
                                    row.SetW(1, groups[slot / 7]);
                                    row.SetW(2, static_cast<uint16_t>(slot % 7));
                                });
    }

private:
    template <int K>
    static std::unique_ptr<TCombMatcher> FewGroupsMatcher(const TPackedTally& packed,
                                                          const std::array<uint8_t, 4>& slots,
                                                          const std::array<uint8_t, 52>& want) {
        std::array<uint8_t, K> shift{}, bits{};
        for (int k = 0; k < K; ++k) {
            shift[static_cast<size_t>(k)] = static_cast<uint8_t>(3 * slots[static_cast<size_t>(k)]);
            bits[static_cast<size_t>(k)] = want[slots[static_cast<size_t>(k)]];
        }
        const std::array<uint64_t, 256> add = packed.Add[0];
        return zorb::MakeMatcher([add, shift, bits](const TComb& c) {
            const uint64_t t = add[c.N[0]] + add[c.N[1]] + add[c.N[2]] + add[c.N[3]] + add[c.N[4]] + add[c.N[5]];
            unsigned hit = 0;
            for (int k = 0; k < K; ++k)
                hit |=
                    static_cast<unsigned>(bits[static_cast<size_t>(k)]) >> ((t >> shift[static_cast<size_t>(k)]) & 7);
            return (hit & 1) != 0;
        });
    }
};

// --- CHNC, COLN, ROWN, SGMC: how many groups are touched ------------------------------------------------------

template <class Base, TGroupKind Kind>
class TstGroupCount : public TOneValueStat<TGroupStat<Base, Kind>, TstGroupCount<Base, Kind>> {
    using TBase = TOneValueStat<TGroupStat<Base, Kind>, TstGroupCount>;

public:
    using TBase::TBase;

    int Value(const uint8_t* n) const { return std::popcount(this->Touched(n)); }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        int most = 0;
        if constexpr (Kind == TGroupKind::Channels) most = std::min(this->FChannelSize, 6);
        if constexpr (Kind == TGroupKind::Columns) most = std::min<int>(this->FMatrixCols, 6);
        if constexpr (Kind == TGroupKind::Rows) most = std::min<int>(this->FMatrixRows, 6);
        for (int k = 1; k <= most; ++k) this->SeedW1(table, static_cast<uint16_t>(k));
    }
    int CombValue(const TComb& comb, int, int, bool) override { return Value(comb.N); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto want = FlagsOf<7>(Word1Table(selected, 0, 6));
        const auto bits = SlotBitTable();
        return zorb::MakeMatcher([want, bits](const TComb& c) {
            return want[static_cast<size_t>(std::popcount(bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] |
                                                          bits[c.N[4]] | bits[c.N[5]]))] != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const auto bits = SlotBitTable();
        return zorb::MakeCounter(
            7,
            [bits](const TComb& c, uint32_t* t) {
                ++t[std::popcount(bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] |
                                  bits[c.N[5]])];
            },
            SetKeyW1);
    }

private:
    std::array<uint64_t, 256> SlotBitTable() const {
        std::array<uint64_t, 256> bits{};
        for (int n = 0; n < 256; ++n)
            if (this->FMap.Has(static_cast<uint8_t>(n)))
                bits[static_cast<size_t>(n)] = uint64_t(1) << this->FMap.Slot[this->FMap.Of[static_cast<size_t>(n)]];
        return bits;
    }
};

// --- COLM, ROWM: which groups are touched, group 1 the highest bit --------------------------------------------

// Patterns are kept whole in the eight key bytes: 52 rows of one column, or 52 columns, need more than I1's 31
// bits; up to 31 groups the key equals I1 with I2 zero.
template <class Base, TGroupKind Kind>
class TstGroupMask : public TOneValueStat<TGroupStat<Base, Kind>, TstGroupMask<Base, Kind>, TValueKey::Bits> {
    using TBase = TOneValueStat<TGroupStat<Base, Kind>, TstGroupMask, TValueKey::Bits>;

public:
    using TBase::TBase;
    static constexpr int DenseMatchGroups = 16, DenseCountGroups = 12;

    uint64_t Value(const uint8_t* n) const {
        uint64_t p = 0;
        std::array<uint8_t, 52> counts;
        this->Tally(n, counts);
        for (int s = 0; s < this->GroupCount(); ++s) p = p * 2 + (counts[static_cast<size_t>(s)] ? 1 : 0);
        return p;
    }
    std::string ValueText(const TStatDraw& row) const override {
        const uint64_t p = Key64(row);
        const int groups = this->GroupCount();
        std::string bits;
        for (int s = 0; s < groups; ++s) bits += (p >> (groups - 1 - s)) & 1 ? '1' : '0';
        return Format("%s (%.3d)", bits, static_cast<int64_t>(p));
    }
    // The integer a text stands for is I1: the whole pattern up to 31 groups, its low half beyond.
    int TextToValue(const std::string& text) const override {
        uint64_t p = 0;
        const int groups = this->GroupCount();
        for (int s = 0; s < groups; ++s)
            p = p * 2 + (static_cast<size_t>(s) < text.size() && text[static_cast<size_t>(s)] == '1');
        return static_cast<int32_t>(static_cast<uint32_t>(p));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto bits = PatternBits();
        const int groups = this->GroupCount();
        if (groups <= DenseMatchGroups) {
            std::vector<uint8_t> want(size_t(1) << groups, 0);
            for (const TStatDraw& r : selected)
                if (Key64(r) < want.size()) want[Key64(r)] = 1;
            return zorb::MakeMatcher([want, bits](const TComb& c) {
                return want[bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] | bits[c.N[5]]] !=
                       0;
            });
        }
        std::vector<uint64_t> want;
        for (const TStatDraw& r : selected) want.push_back(Key64(r));
        std::sort(want.begin(), want.end());
        want.erase(std::unique(want.begin(), want.end()), want.end());
        return zorb::MakeMatcher([want, bits](const TComb& c) {
            return std::binary_search(want.begin(), want.end(),
                                      bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] |
                                          bits[c.N[5]]);
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const auto bits = PatternBits();
        const int groups = this->GroupCount();
        if (groups <= DenseCountGroups)
            return zorb::MakeCounter(
                size_t(1) << groups,
                [bits](const TComb& c, uint32_t* t) {
                    ++t[bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] | bits[c.N[5]]];
                },
                [](size_t slot, TStatDraw& row) { SetKey64(row, slot); });
        return zorb::MakeSparseCounter([bits](const TComb& c, std::vector<uint64_t>& keys) {
            keys.push_back(bits[c.N[0]] | bits[c.N[1]] | bits[c.N[2]] | bits[c.N[3]] | bits[c.N[4]] | bits[c.N[5]]);
        });
    }

private:
    std::array<uint64_t, 256> PatternBits() const {
        std::array<uint64_t, 256> bits{};
        const int groups = this->GroupCount();
        for (int n = 0; n < 256; ++n)
            if (this->FMap.Has(static_cast<uint8_t>(n)))
                bits[static_cast<size_t>(n)] = uint64_t(1)
                                               << (groups - 1 - this->FMap.Slot[this->FMap.Of[static_cast<size_t>(n)]]);
        return bits;
    }
};

// --- COLA, ROWA, COLC, ROWC: adjacent numbers within a column or a row -----------------------------------------

// Pairs per slot of the six numbers (each pair once): vertical pairs share a column and lie in neighbouring rows,
// horizontal pairs share a row and lie in neighbouring columns.
template <TGroupKind Kind>
void AdjacentPairs(const TGroupMap& map, int cols, const uint8_t* n, std::array<uint8_t, 52>& pairs) {
    pairs.fill(0);
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j) {
            if (!map.Has(n[i]) || !map.Has(n[j])) continue;
            const int a = n[i] - 1, b = n[j] - 1;
            const int rowA = a / cols, rowB = b / cols, colA = a % cols, colB = b % cols;
            if (IsColumns(Kind) ? colA == colB && std::abs(rowA - rowB) == 1
                                : rowA == rowB && std::abs(colA - colB) == 1)
                ++pairs[map.Slot[map.Of[n[i]]]];
        }
}

// The fast form: the numbers as a bit set, where n and n + step both present mark a pair. Lists with a number
// twice count pairs per position, which a set cannot, and go the long way.
struct TAdjacency {
    int Step = 1;
    uint64_t Starts = 0; // numbers whose neighbour n + Step is adjacent to them
    std::array<uint64_t, 52> SlotNumbers{};
    std::array<uint8_t, 64> SlotOf{};
    int Groups = 0;

    TAdjacency(const TGroupMap& map, TGroupKind kind, int cols) {
        Step = kind == TGroupKind::Columns ? cols : 1;
        Groups = static_cast<int>(map.Groups.size());
        for (int n = MinNumber; n <= MaxNumber; ++n) {
            const uint8_t s = map.Slot[map.Of[static_cast<size_t>(n)]];
            SlotOf[static_cast<size_t>(n)] = s;
            SlotNumbers[s] |= uint64_t(1) << n;
            const bool pairs = kind == TGroupKind::Columns ? n + cols <= MaxNumber : n % cols != 0 && n < MaxNumber;
            if (pairs) Starts |= uint64_t(1) << n;
        }
    }
    // The pair starts of a combination, or false when it holds a number twice.
    static bool Set(const TComb& c, uint64_t& set) {
        set = 0;
        int real = 0;
        for (uint8_t n : c.N)
            if (n >= MinNumber && n <= MaxNumber) {
                set |= uint64_t(1) << n;
                ++real;
            }
        return std::popcount(set) == real;
    }
    uint64_t PairStarts(uint64_t set) const { return set & (set >> Step) & Starts; }
};

template <class Base, TGroupKind Kind, bool Counted>
class TstAdjacent : public TMergedValuesStat<TGroupStat<Base, Kind>, TstAdjacent<Base, Kind, Counted>> {
    using TBase = TMergedValuesStat<TGroupStat<Base, Kind>, TstAdjacent>;

public:
    using TBase::TBase;

    std::string ValueText(const TStatDraw& row) const override {
        if constexpr (Counted)
            return std::to_string(row.W(1));
        else
            return Format("%0:d x %1:d", row.W(1), row.W(2));
    }
    void MergeValues(const uint8_t* numbers, TStatDrawArray& table, bool trackGaps) {
        std::array<uint8_t, 52> pairs;
        AdjacentPairs<Kind>(this->FMap, this->FMatrixCols, numbers, pairs);
        if constexpr (Counted) {
            int groups = 0;
            for (uint8_t p : pairs) groups += p ? 1 : 0;
            this->FWork.SetW(1, static_cast<uint16_t>(groups));
            this->Merge(table, trackGaps);
        } else {
            for (int s = 0; s < this->GroupCount(); ++s) {
                if (!pairs[static_cast<size_t>(s)]) continue;
                this->FWork.ClearKey();
                this->FWork.SetW(1, this->FMap.Groups[static_cast<size_t>(s)]);
                this->FWork.SetW(2, static_cast<uint16_t>(pairs[static_cast<size_t>(s)] + 1));
                this->Merge(table, trackGaps);
            }
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        std::array<uint8_t, 52> pairs;
        AdjacentPairs<Kind>(this->FMap, this->FMatrixCols, comb.N, pairs);
        if constexpr (Counted) {
            int groups = 0;
            for (uint8_t p : pairs) groups += p ? 1 : 0;
            return FindWord(selected, 1, static_cast<uint16_t>(groups));
        } else {
            for (int s = 0; s < this->GroupCount(); ++s)
                if (pairs[static_cast<size_t>(s)] && FindKey(selected, this->FMap.Groups[static_cast<size_t>(s)],
                                                             pairs[static_cast<size_t>(s)] + 1, 0, 0))
                    return true;
            return false;
        }
    }
    int GroupsWithPairs(const TComb& comb) const {
        std::array<uint8_t, 52> pairs;
        AdjacentPairs<Kind>(this->FMap, this->FMatrixCols, comb.N, pairs);
        int groups = 0;
        for (uint8_t p : pairs) groups += p ? 1 : 0;
        return groups;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const TAdjacency adj(this->FMap, Kind, this->FMatrixCols);
        const TGroupMap map = this->FMap;
        const int cols = this->FMatrixCols;
        if constexpr (Counted) {
            const auto want = FlagsOf<53>(Word1Table(selected, 0, 52));
            return zorb::MakeMatcher([adj, map, cols, want](const TComb& c) {
                uint64_t set;
                if (!TAdjacency::Set(c, set)) {
                    std::array<uint8_t, 52> pairs;
                    AdjacentPairs<Kind>(map, cols, c.N, pairs);
                    int groups = 0;
                    for (uint8_t p : pairs) groups += p ? 1 : 0;
                    return want[static_cast<size_t>(groups)] != 0;
                }
                uint64_t touched = 0;
                for (uint64_t starts = adj.PairStarts(set); starts; starts &= starts - 1)
                    touched |= uint64_t(1) << adj.SlotOf[static_cast<size_t>(std::countr_zero(starts))];
                return want[static_cast<size_t>(std::popcount(touched))] != 0;
            });
        } else {
            // Values pairs + 1 wanted per slot, as bits 0..31 (six numbers make at most 15 pairs).
            std::array<uint32_t, 52> want{};
            for (const TStatDraw& r : selected)
                if (r.W(3) == 0 && r.W(4) == 0 && r.W(1) < 256 && r.W(2) < 32 && map.Slot[r.W(1)] != TGroupMap::None)
                    want[map.Slot[r.W(1)]] |= uint32_t(1) << r.W(2);
            return zorb::MakeMatcher([adj, map, cols, want](const TComb& c) {
                uint64_t set;
                if (!TAdjacency::Set(c, set)) {
                    std::array<uint8_t, 52> pairs;
                    AdjacentPairs<Kind>(map, cols, c.N, pairs);
                    for (size_t s = 0; s < pairs.size(); ++s)
                        if (pairs[s] && (want[s] >> (pairs[s] + 1) & 1)) return true;
                    return false;
                }
                const uint64_t starts = adj.PairStarts(set);
                for (uint64_t rest = starts; rest; rest &= rest - 1) {
                    const uint8_t s = adj.SlotOf[static_cast<size_t>(std::countr_zero(rest))];
                    if (want[s] >> (std::popcount(starts & adj.SlotNumbers[s]) + 1) & 1) return true;
                }
                return false;
            });
        }
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        const TAdjacency adj(this->FMap, Kind, this->FMatrixCols);
        const TGroupMap map = this->FMap;
        const int cols = this->FMatrixCols;
        if constexpr (Counted) {
            return zorb::MakeCounter(
                53,
                [adj, map, cols](const TComb& c, uint32_t* t) {
                    uint64_t set;
                    if (!TAdjacency::Set(c, set)) {
                        std::array<uint8_t, 52> pairs;
                        AdjacentPairs<Kind>(map, cols, c.N, pairs);
                        int groups = 0;
                        for (uint8_t p : pairs) groups += p ? 1 : 0;
                        ++t[groups];
                        return;
                    }
                    uint64_t touched = 0;
                    for (uint64_t starts = adj.PairStarts(set); starts; starts &= starts - 1)
                        touched |= uint64_t(1) << adj.SlotOf[static_cast<size_t>(std::countr_zero(starts))];
                    ++t[std::popcount(touched)];
                },
                SetKeyW1);
        } else {
            const std::vector<uint8_t> groups = map.Groups;
            return zorb::MakeCounter(
                groups.size() * 16,
                [adj, map, cols](const TComb& c, uint32_t* t) {
                    uint64_t set;
                    if (!TAdjacency::Set(c, set)) {
                        std::array<uint8_t, 52> pairs;
                        AdjacentPairs<Kind>(map, cols, c.N, pairs);
                        for (size_t s = 0; s < pairs.size(); ++s)
                            if (pairs[s]) ++t[s * 16 + pairs[s]];
                        return;
                    }
                    // Each slot once: counted at its first pair start.
                    const uint64_t starts = adj.PairStarts(set);
                    uint64_t done = 0;
                    for (uint64_t rest = starts; rest; rest &= rest - 1) {
                        const uint8_t s = adj.SlotOf[static_cast<size_t>(std::countr_zero(rest))];
                        if (done >> s & 1) continue;
                        done |= uint64_t(1) << s;
                        ++t[s * 16u + static_cast<unsigned>(std::popcount(starts & adj.SlotNumbers[s]))];
                    }
                },
                [groups](size_t slot, TStatDraw& row) {
                    row.ClearKey();
                    row.SetW(1, groups[slot / 16]);
                    row.SetW(2, static_cast<uint16_t>(slot % 16 + 1));
                });
        }
    }
};

// The counted form is a graph method: CombValue must override the graph base's.
template <class Base, TGroupKind Kind> class TstAdjacentCount : public TstAdjacent<Base, Kind, true> {
public:
    using TstAdjacent<Base, Kind, true>::TstAdjacent;
    int CombValue(const TComb& comb, int, int, bool) override { return this->GroupsWithPairs(comb); }
};

// --- CHN%d, COL%d, ROW%d, SGM%d: how many numbers lie in group Param --------------------------------------------

template <class Base, TGroupKind Kind>
class TstGroupValCount : public TOneValueStat<TGroupStat<Base, Kind>, TstGroupValCount<Base, Kind>> {
    using TBase = TOneValueStat<TGroupStat<Base, Kind>, TstGroupValCount>;

public:
    using TBase::TBase;

    int Value(const uint8_t* n) const {
        int k = 0;
        for (int i = 0; i < 6; ++i) k += this->FMap.Has(n[i]) && this->FMap.Of[n[i]] == this->FParam ? 1 : 0;
        return k;
    }
    void InitValues(int windowEnd, TStatDrawArray& table) override {
        TCustomStat::InitValues(windowEnd, table);
        int most = 0;
        if constexpr (Kind == TGroupKind::Channels) most = this->FChannelSize;
        if constexpr (Kind == TGroupKind::Columns) most = this->FMatrixRows;
        if constexpr (Kind == TGroupKind::Rows) most = this->FMatrixCols;
        for (int k = 1; k <= most; ++k) this->SeedW1(table, static_cast<uint16_t>(k));
    }
    int CombValue(const TComb& comb, int, int, bool) override { return Value(comb.N); }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        const auto want = FlagsOf<7>(Word1Table(selected, 0, 6));
        const TByteFlags in = Members();
        return zorb::MakeMatcher([want, in](const TComb& c) {
            return want[in[c.N[0]] + in[c.N[1]] + in[c.N[2]] + in[c.N[3]] + in[c.N[4]] + in[c.N[5]]] != 0;
        });
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        if (this->FParam >= 0 && this->FParam < 256 &&
            this->FMap.Slot[static_cast<size_t>(this->FParam)] != TGroupMap::None)
            return MakeSliceCounter(
                7, GroupTallyShare(this->FMap, 7u * this->FMap.Slot[static_cast<size_t>(this->FParam)]), SetKeyW1);
        const TByteFlags in = Members();
        return zorb::MakeCounter(
            7,
            [in](const TComb& c, uint32_t* t) {
                ++t[in[c.N[0]] + in[c.N[1]] + in[c.N[2]] + in[c.N[3]] + in[c.N[4]] + in[c.N[5]]];
            },
            SetKeyW1);
    }

private:
    TByteFlags Members() const {
        TByteFlags in{};
        for (int n = 0; n < 256; ++n)
            in[static_cast<size_t>(n)] =
                this->FMap.Has(static_cast<uint8_t>(n)) && this->FMap.Of[static_cast<size_t>(n)] == this->FParam;
        return in;
    }
};

// --- K?M2..4, K?S2..4: ordered tuples of the groups of the six positions -------------------------------------

struct TPositions {
    int Count = 0;
    std::array<std::array<uint8_t, 4>, 20> Of{};
};

// Every choice of k positions in order (Mix), or the windows of k neighbouring positions (Seq).
constexpr TPositions TuplePositions(int k, bool mix) {
    TPositions p;
    if (!mix) {
        for (int i = 0; i + k <= 6; ++i, ++p.Count)
            for (int j = 0; j < k; ++j)
                p.Of[static_cast<size_t>(p.Count)][static_cast<size_t>(j)] = static_cast<uint8_t>(i + j);
        return p;
    }
    for (int mask = 0; mask < 64; ++mask) {
        if (std::popcount(static_cast<unsigned>(mask)) != k) continue;
        int j = 0;
        for (int i = 0; i < 6; ++i)
            if (mask >> i & 1) p.Of[static_cast<size_t>(p.Count)][static_cast<size_t>(j++)] = static_cast<uint8_t>(i);
        ++p.Count;
    }
    // Lexicographic order of the position tuples, as nested loops would give them.
    for (int a = 0; a < p.Count; ++a)
        for (int b = a + 1; b < p.Count; ++b) {
            bool less = false;
            for (int j = 0; j < k; ++j)
                if (p.Of[static_cast<size_t>(b)][static_cast<size_t>(j)] !=
                    p.Of[static_cast<size_t>(a)][static_cast<size_t>(j)]) {
                    less = p.Of[static_cast<size_t>(b)][static_cast<size_t>(j)] <
                           p.Of[static_cast<size_t>(a)][static_cast<size_t>(j)];
                    break;
                }
            if (less) std::swap(p.Of[static_cast<size_t>(a)], p.Of[static_cast<size_t>(b)]);
        }
    return p;
}

template <class Base, TGroupKind Kind, int K, bool Mix> class TstGroupTuples : public TGroupStat<Base, Kind> {
public:
    using TGroupStat<Base, Kind>::TGroupStat;
    static constexpr TPositions Positions = TuplePositions(K, Mix);

    std::string ValueText(const TStatDraw& row) const override {
        std::string r = std::to_string(row.W(1));
        for (int j = 2; j <= K; ++j) r += ":" + std::to_string(row.W(j));
        return r;
    }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const uint8_t* n = this->FCurDraw.Numbers;
        for (int t = 0; t < Positions.Count; ++t) {
            if (!Complete(n, t)) continue;
            this->FWork.ClearKey();
            for (int j = 0; j < K; ++j)
                this->FWork.SetW(j + 1, this->FMap.Of[n[Positions.Of[static_cast<size_t>(t)][static_cast<size_t>(j)]]]);
            this->Merge(table, true);
        }
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int, bool, bool) override {
        for (int t = 0; t < Positions.Count; ++t) {
            if (!Complete(comb.N, t)) continue;
            uint16_t w[4] = {0, 0, 0, 0};
            for (int j = 0; j < K; ++j)
                w[j] = this->FMap.Of[comb.N[Positions.Of[static_cast<size_t>(t)][static_cast<size_t>(j)]]];
            if (FindKey(selected, w[0], w[1], w[2], w[3])) return true;
        }
        return false;
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int, bool, bool) override {
        // A bit per possible tuple, the groups as digits of base MaxGroup + 1 (at most 53^4 bits).
        const size_t base = static_cast<size_t>(this->FMap.MaxGroup) + 1;
        size_t size = 1;
        for (int j = 0; j < K; ++j) size *= base;
        std::vector<uint64_t> want((size + 63) / 64, 0);
        for (const TStatDraw& r : selected) {
            bool fits = true;
            size_t index = 0;
            for (int j = 1; j <= 4; ++j) {
                if (j <= K) {
                    fits = fits && r.W(j) < base;
                    index = index * base + r.W(j);
                } else {
                    fits = fits && r.W(j) == 0;
                }
            }
            if (fits) want[index / 64] |= uint64_t(1) << (index % 64);
        }
        // Groups of every byte value; None is beyond every digit and marks a position without a group.
        std::array<uint32_t, 256> digit{};
        for (int n = 0; n < 256; ++n)
            digit[static_cast<size_t>(n)] =
                this->FMap.Has(static_cast<uint8_t>(n)) ? this->FMap.Of[static_cast<size_t>(n)] : UINT32_MAX;
        return zorb::MakeMatcher([want, digit, base](const TComb& c) {
            uint32_t g[6];
            for (int i = 0; i < 6; ++i) g[i] = digit[c.N[i]];
            for (int t = 0; t < Positions.Count; ++t) {
                size_t index = 0;
                bool complete = true;
                for (int j = 0; j < K; ++j) {
                    const uint32_t v = g[Positions.Of[static_cast<size_t>(t)][static_cast<size_t>(j)]];
                    complete = complete && v != UINT32_MAX;
                    index = index * base + v;
                }
                if (complete && (want[index / 64] >> (index % 64) & 1)) return true;
            }
            return false;
        });
    }

private:
    bool Complete(const uint8_t* n, int t) const {
        for (int j = 0; j < K; ++j)
            if (!this->FMap.Has(n[Positions.Of[static_cast<size_t>(t)][static_cast<size_t>(j)]])) return false;
        return true;
    }
};

constexpr char ChannelMixCaption[] = "Сочетания из %0:d каналов по всем числам тиража";
constexpr char ChannelSeqCaption[] = "Сочетания из %0:d каналов по соседним числам";
constexpr char ColumnMixCaption[] = "Сочетания из %0:d столбцов по всем числам тиража";
constexpr char ColumnSeqCaption[] = "Сочетания из %0:d столбцов по соседним числам";
constexpr char RowMixCaption[] = "Сочетания из %0:d строк по всем числам тиража";
constexpr char RowSeqCaption[] = "Сочетания из %0:d строк по соседним числам";
constexpr char SegmentMixCaption[] = "Сочетания из %0:d сегментов по всем числам тиража";
constexpr char SegmentSeqCaption[] = "Сочетания из %0:d сегментов по соседним числам";

// --- Parameter ranges that follow the settings ---------------------------------------------------------------

void ColumnParams(const TStatList& list, int& lo, int& hi) {
    lo = 1;
    hi = ValidMatrixCols(list.Config.MatrixCols);
}
void RowParams(const TStatList& list, int& lo, int& hi) {
    lo = 1;
    hi = MatrixRowCount(list.Config.MatrixCols);
}

// --- The classes -------------------------------------------------------------------------------------------------

using enum TGroupKind;

ZORB_STAT_CLASS(TstChannels, TstGroupMembers<TCustomChannelsStat, Channels>);
ZORB_STAT_CLASS(TstChanValues, TstGroupValues<TCustomChannelsStat, Channels>);
ZORB_STAT_CLASS(TstChanCount, TstGroupCount<TCustomChannelsGraphStat, Channels>);
ZORB_STAT_CLASS(TstColumns, TstGroupMembers<TCustomMatrixStat, Columns>);
ZORB_STAT_CLASS(TstRows, TstGroupMembers<TCustomMatrixStat, Rows>);
ZORB_STAT_CLASS(TstColValues, TstGroupValues<TCustomMatrixStat, Columns>);
ZORB_STAT_CLASS(TstRowValues, TstGroupValues<TCustomMatrixStat, Rows>);
ZORB_STAT_CLASS(TstColCount, TstGroupCount<TCustomMatrixGraphStat, Columns>);
ZORB_STAT_CLASS(TstRowCount, TstGroupCount<TCustomMatrixGraphStat, Rows>);
ZORB_STAT_CLASS(TstColMask, TstGroupMask<TCustomMatrixStat, Columns>);
ZORB_STAT_CLASS(TstRowMask, TstGroupMask<TCustomMatrixStat, Rows>);
ZORB_STAT_CLASS(TstColAjacent, TstAdjacent<TCustomMatrixStat, Columns, false>);
ZORB_STAT_CLASS(TstRowAjacent, TstAdjacent<TCustomMatrixStat, Rows, false>);
ZORB_STAT_CLASS(TstColAjacentCnt, TstAdjacentCount<TCustomMatrixGraphStat, Columns>);
ZORB_STAT_CLASS(TstRowAjacentCnt, TstAdjacentCount<TCustomMatrixGraphStat, Rows>);
ZORB_STAT_CLASS(TstSegments, TstGroupMembers<TCustomSegmentsStat, Segments>);
ZORB_STAT_CLASS(TstSegmValues, TstGroupValues<TCustomSegmentsStat, Segments>);
ZORB_STAT_CLASS(TstSegmCount, TstGroupCount<TCustomSegmentsGraphStat, Segments>);
ZORB_STAT_CLASS(TstChnValCnt, TstGroupValCount<TCustomChannelsGraphStat, Channels>);
ZORB_STAT_CLASS(TstColValCnt, TstGroupValCount<TCustomMatrixGraphStat, Columns>);
ZORB_STAT_CLASS(TstRowValCnt, TstGroupValCount<TCustomMatrixGraphStat, Rows>);
ZORB_STAT_CLASS(TstSgmValCnt, TstGroupValCount<TCustomSegmentsGraphStat, Segments>);
ZORB_STAT_CLASS(TstCombChnMix2, TstGroupTuples<TCustomChannelsStat, Channels, 2, true>);
ZORB_STAT_CLASS(TstCombChnMix3, TstGroupTuples<TCustomChannelsStat, Channels, 3, true>);
ZORB_STAT_CLASS(TstCombChnMix4, TstGroupTuples<TCustomChannelsStat, Channels, 4, true>);
ZORB_STAT_CLASS(TstCombChnSeq2, TstGroupTuples<TCustomChannelsStat, Channels, 2, false>);
ZORB_STAT_CLASS(TstCombChnSeq3, TstGroupTuples<TCustomChannelsStat, Channels, 3, false>);
ZORB_STAT_CLASS(TstCombChnSeq4, TstGroupTuples<TCustomChannelsStat, Channels, 4, false>);
ZORB_STAT_CLASS(TstCombColMix2, TstGroupTuples<TCustomMatrixStat, Columns, 2, true>);
ZORB_STAT_CLASS(TstCombColMix3, TstGroupTuples<TCustomMatrixStat, Columns, 3, true>);
ZORB_STAT_CLASS(TstCombColMix4, TstGroupTuples<TCustomMatrixStat, Columns, 4, true>);
ZORB_STAT_CLASS(TstCombColSeq2, TstGroupTuples<TCustomMatrixStat, Columns, 2, false>);
ZORB_STAT_CLASS(TstCombColSeq3, TstGroupTuples<TCustomMatrixStat, Columns, 3, false>);
ZORB_STAT_CLASS(TstCombColSeq4, TstGroupTuples<TCustomMatrixStat, Columns, 4, false>);
ZORB_STAT_CLASS(TstCombRowMix2, TstGroupTuples<TCustomMatrixStat, Rows, 2, true>);
ZORB_STAT_CLASS(TstCombRowMix3, TstGroupTuples<TCustomMatrixStat, Rows, 3, true>);
ZORB_STAT_CLASS(TstCombRowMix4, TstGroupTuples<TCustomMatrixStat, Rows, 4, true>);
ZORB_STAT_CLASS(TstCombRowSeq2, TstGroupTuples<TCustomMatrixStat, Rows, 2, false>);
ZORB_STAT_CLASS(TstCombRowSeq3, TstGroupTuples<TCustomMatrixStat, Rows, 3, false>);
ZORB_STAT_CLASS(TstCombRowSeq4, TstGroupTuples<TCustomMatrixStat, Rows, 4, false>);
ZORB_STAT_CLASS(TstCombSegmMix2, TstGroupTuples<TCustomSegmentsStat, Segments, 2, true>);
ZORB_STAT_CLASS(TstCombSegmMix3, TstGroupTuples<TCustomSegmentsStat, Segments, 3, true>);
ZORB_STAT_CLASS(TstCombSegmMix4, TstGroupTuples<TCustomSegmentsStat, Segments, 4, true>);
ZORB_STAT_CLASS(TstCombSegmSeq2, TstGroupTuples<TCustomSegmentsStat, Segments, 2, false>);
ZORB_STAT_CLASS(TstCombSegmSeq3, TstGroupTuples<TCustomSegmentsStat, Segments, 3, false>);
ZORB_STAT_CLASS(TstCombSegmSeq4, TstGroupTuples<TCustomSegmentsStat, Segments, 4, false>);

constexpr TStatClass AsGraph{.IsGraph = true};
constexpr TStatClass NoTextValues{.HasTextValues = false};
// One group's count, the group as the parameter.
constexpr TStatClass OneGroupCount(const char* help, void (*range)(const TStatList&, int&, int&)) {
    return {.HelpCode = help, .IsGraph = true, .HasParam = true, .ParamRange = range};
}

ZORB_STAT_INFO(TstChannels, "CHAN", "Каналы", 3, sfN);
ZORB_STAT_INFO(TstChanValues, "CHNV", "Количество чисел в канале", 3, sfN, NoTextValues);
ZORB_STAT_INFO(TstChanCount, "CHNC", "Количество каналов в тираже", 3, sfN, AsGraph);
ZORB_STAT_INFO(TstColumns, "COLS", "Столбцы матрицы (не пустые)", 4, sfN);
ZORB_STAT_INFO(TstRows, "ROWS", "Строки матрицы (не пустые)", 4, sfN);
ZORB_STAT_INFO(TstColValues, "COLV", "Количество чисел в столбце матрицы", 4, sfN, NoTextValues);
ZORB_STAT_INFO(TstRowValues, "ROWV", "Количество чисел в строке матрицы", 4, sfN, NoTextValues);
ZORB_STAT_INFO(TstColCount, "COLN", "Количество не пустых столбцов в матрице", 4, sfN, AsGraph);
ZORB_STAT_INFO(TstRowCount, "ROWN", "Количество не пустых строк в матрице", 4, sfN, AsGraph);
ZORB_STAT_INFO(TstColMask, "COLM", "Сочетания столбцов матрицы", 4, sfN);
ZORB_STAT_INFO(TstRowMask, "ROWM", "Сочетания строк матрицы", 4, sfN);
ZORB_STAT_INFO(TstColAjacent, "COLA", "Столбцы матрицы со смежными числами", 4, sfN);
ZORB_STAT_INFO(TstRowAjacent, "ROWA", "Строки матрицы со смежными числами", 4, sfN);
ZORB_STAT_INFO(TstColAjacentCnt, "COLC", "Количество столбцов матрицы со смежными числами", 4, sfN, AsGraph);
ZORB_STAT_INFO(TstRowAjacentCnt, "ROWC", "Количество строк матрицы со смежными числами", 4, sfN, AsGraph);
ZORB_STAT_INFO(TstSegments, "SGMS", "Сегменты матрицы", 5, sfN);
ZORB_STAT_INFO(TstSegmValues, "SGMV", "Количество чисел в сегменте матрицы", 5, sfN, NoTextValues);
ZORB_STAT_INFO(TstSegmCount, "SGMC", "Количество не пустых сегментов в матрице", 5, sfN, AsGraph);
ZORB_STAT_INFO(TstChnValCnt, "CHN%d", "Количество чисел в %0:d канале", 3, sfN, OneGroupCount("CHNx", ChannelParams));
ZORB_STAT_INFO(TstColValCnt, "COL%d", "Количество чисел в %0:d столбце матрицы", 4, sfN,
               OneGroupCount("COLx", ColumnParams));
ZORB_STAT_INFO(TstRowValCnt, "ROW%d", "Количество чисел в %0:d строке матрицы", 4, sfN,
               OneGroupCount("ROWx", RowParams));
ZORB_STAT_INFO(TstSgmValCnt, "SGM%d", "Количество чисел в %0:d сегменте матрицы", 5, sfN,
               OneGroupCount("SGMx", SegmentParams));
ZORB_STAT_INFO(TstCombChnMix2, "KCM2", ChannelMixCaption, 3, sfS, TupleFields<ChannelMixCaption, 2>());
ZORB_STAT_INFO(TstCombChnMix3, "KCM3", ChannelMixCaption, 3, sfS, TupleFields<ChannelMixCaption, 3>());
ZORB_STAT_INFO(TstCombChnMix4, "KCM4", ChannelMixCaption, 3, sfS, TupleFields<ChannelMixCaption, 4>());
ZORB_STAT_INFO(TstCombChnSeq2, "KCS2", ChannelSeqCaption, 3, sfS, TupleFields<ChannelSeqCaption, 2>());
ZORB_STAT_INFO(TstCombChnSeq3, "KCS3", ChannelSeqCaption, 3, sfS, TupleFields<ChannelSeqCaption, 3>());
ZORB_STAT_INFO(TstCombChnSeq4, "KCS4", ChannelSeqCaption, 3, sfS, TupleFields<ChannelSeqCaption, 4>());
ZORB_STAT_INFO(TstCombColMix2, "KFM2", ColumnMixCaption, 4, sfS, TupleFields<ColumnMixCaption, 2>());
ZORB_STAT_INFO(TstCombColMix3, "KFM3", ColumnMixCaption, 4, sfS, TupleFields<ColumnMixCaption, 3>());
ZORB_STAT_INFO(TstCombColMix4, "KFM4", ColumnMixCaption, 4, sfS, TupleFields<ColumnMixCaption, 4>());
ZORB_STAT_INFO(TstCombColSeq2, "KFS2", ColumnSeqCaption, 4, sfS, TupleFields<ColumnSeqCaption, 2>());
ZORB_STAT_INFO(TstCombColSeq3, "KFS3", ColumnSeqCaption, 4, sfS, TupleFields<ColumnSeqCaption, 3>());
ZORB_STAT_INFO(TstCombColSeq4, "KFS4", ColumnSeqCaption, 4, sfS, TupleFields<ColumnSeqCaption, 4>());
ZORB_STAT_INFO(TstCombRowMix2, "KRM2", RowMixCaption, 4, sfS, TupleFields<RowMixCaption, 2>());
ZORB_STAT_INFO(TstCombRowMix3, "KRM3", RowMixCaption, 4, sfS, TupleFields<RowMixCaption, 3>());
ZORB_STAT_INFO(TstCombRowMix4, "KRM4", RowMixCaption, 4, sfS, TupleFields<RowMixCaption, 4>());
ZORB_STAT_INFO(TstCombRowSeq2, "KRS2", RowSeqCaption, 4, sfS, TupleFields<RowSeqCaption, 2>());
ZORB_STAT_INFO(TstCombRowSeq3, "KRS3", RowSeqCaption, 4, sfS, TupleFields<RowSeqCaption, 3>());
ZORB_STAT_INFO(TstCombRowSeq4, "KRS4", RowSeqCaption, 4, sfS, TupleFields<RowSeqCaption, 4>());
ZORB_STAT_INFO(TstCombSegmMix2, "KGM2", SegmentMixCaption, 5, sfS, TupleFields<SegmentMixCaption, 2>());
ZORB_STAT_INFO(TstCombSegmMix3, "KGM3", SegmentMixCaption, 5, sfS, TupleFields<SegmentMixCaption, 3>());
ZORB_STAT_INFO(TstCombSegmMix4, "KGM4", SegmentMixCaption, 5, sfS, TupleFields<SegmentMixCaption, 4>());
ZORB_STAT_INFO(TstCombSegmSeq2, "KGS2", SegmentSeqCaption, 5, sfS, TupleFields<SegmentSeqCaption, 2>());
ZORB_STAT_INFO(TstCombSegmSeq3, "KGS3", SegmentSeqCaption, 5, sfS, TupleFields<SegmentSeqCaption, 3>());
ZORB_STAT_INFO(TstCombSegmSeq4, "KGS4", SegmentSeqCaption, 5, sfS, TupleFields<SegmentSeqCaption, 4>());

} // namespace

const std::vector<const TStatClass*>& ChannelMatrixClasses() {
    static const std::vector<const TStatClass*> classes = {
        &TstChannels::Info,     &TstChanValues::Info,    &TstChanCount::Info,     &TstColumns::Info,
        &TstRows::Info,         &TstColValues::Info,     &TstRowValues::Info,     &TstColCount::Info,
        &TstRowCount::Info,     &TstColMask::Info,       &TstRowMask::Info,       &TstColAjacent::Info,
        &TstRowAjacent::Info,   &TstColAjacentCnt::Info, &TstRowAjacentCnt::Info, &TstSegments::Info,
        &TstSegmValues::Info,   &TstSegmCount::Info,     &TstCombChnMix2::Info,   &TstCombChnMix3::Info,
        &TstCombChnMix4::Info,  &TstCombChnSeq2::Info,   &TstCombChnSeq3::Info,   &TstCombChnSeq4::Info,
        &TstCombColMix2::Info,  &TstCombColMix3::Info,   &TstCombColMix4::Info,   &TstCombColSeq2::Info,
        &TstCombColSeq3::Info,  &TstCombColSeq4::Info,   &TstCombRowMix2::Info,   &TstCombRowMix3::Info,
        &TstCombRowMix4::Info,  &TstCombRowSeq2::Info,   &TstCombRowSeq3::Info,   &TstCombRowSeq4::Info,
        &TstCombSegmMix2::Info, &TstCombSegmMix3::Info,  &TstCombSegmMix4::Info,  &TstCombSegmSeq2::Info,
        &TstCombSegmSeq3::Info, &TstCombSegmSeq4::Info,  &TstChnValCnt::Info,     &TstColValCnt::Info,
        &TstRowValCnt::Info,    &TstSgmValCnt::Info,
    };
    return classes;
}

} // namespace zorb
