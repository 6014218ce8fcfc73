// The list of one variant set as its steps narrow it. A step keeps (or removes) the combinations its matcher
// answers for; a step that would empty the list is undone, and a walk that ends early leaves its remaining steps
// unapplied. Two ways to get there:
// - TMaskedList takes every combination of the starting list through the steps until the first that removes it
//   and keeps that step's number per combination; a step's effect is then the count of combinations stopped by
//   it, and undoing or skipping steps sends only the combinations they stopped on to the later steps. The
//   starting list is read once and nothing is copied; when few combinations are left undecided, they are kept in
//   a short index list so that later decisions do not scan the whole list again. Runs of steps whose matchers
//   have key forms are decided per combination in one go, with no pass per step. When the list is the full set
//   and every step but the removal of drawn combinations has a key form, nothing is done per combination at all:
//   the combinations are counted per key by the numbers' weights, the decisions read those counts, and the list
//   left is a view that makes its combinations from the kept keys when it is read.
// - TSteppedList filters a whole list per step with an undo copy, as a person would: the reference.
#pragma once

#include "combos/CombsArray.h"
#include "stats/CombMatcher.h"
#include "stats/StatFramework.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace zorb {

// One step of a set: what a filter of the selected rows (or the removal of the last draws) keeps.
struct TSetStep {
    std::shared_ptr<const TCombMatcher> Matcher; // match answers; kept when the answer differs from Exclude
    bool Exclude = false;
    // The reference's own way to the same answer.
    TCustomStat* Stat = nullptr;
    TStatDrawArray Selected;
    int WindowEnd = 0;
    bool Sorted = false;
    const TDrawsArray* Draws = nullptr; // removes the combinations that equal a draw with index Lo..Hi
    int Lo = 0, Hi = -1;
    // The positions in the starting list the matcher answers for, ascending, when they are known without asking
    // it (the draws in a generated list); used by the first evaluation of a set.
    std::vector<uint32_t> Positions;
    bool ByPositions = false;
};

// The list a set starts from and ends with: the combinations of a source, all of them or those still marked alive.
class TListState {
public:
    static constexpr uint16_t Alive = 0xFFFF;

    // The source: a list the state owns, or one it borrows for the run (the generated starting list). A borrowed
    // full set (every combination of the game in lexicographic order) is then walked through by counting
    // instead of being read.
    void Borrow(const TCombsArray& list, bool fullSet = false);
    void Own(TCombsArray&& list);
    const TCombsArray& Source() const { return *FSrc; }
    const TComb* Data() const { return FSrc->Data(); }
    size_t Size() const { return FSrc->Count(); }
    size_t Count() const { return FCount; }
    bool Masked() const { return FMasked; }

    // In list order; `fn` returns false to stop early.
    void ForEach(const std::function<bool(const TComb&)>& fn) const;
    const TComb& First() const;
    const TComb& Last() const;
    const TComb& At(size_t k); // the k-th combination of the list, from 0
    // Writes the list to `out`, which must not be the source.
    void CopyTo(TCombsArray& out) const;
    // Makes the source the list itself (a set starting from the current list reads it as its source).
    void Compact();
    // Bytes held beyond a borrowed source.
    size_t OwnBytes() const;

    // A full set narrowed by steps that look at one cell number per combination: the combinations whose cell is
    // kept, less a few named by rank.
    struct TCellView {
        std::array<uint32_t, 256> Weight{};
        std::vector<uint8_t> Kept;     // per cell
        std::vector<uint64_t> RunBits; // per cell of the first five numbers: bit x when a last number x is kept
        std::vector<uint32_t> Removed; // ranks, ascending
    };

private:
    friend class TMaskedList;
    friend class TSteppedList;
    static const TCombsArray NoList;
    // Calls f(rank) for the ranks of the view's combinations from `first` on (m ranks), in order, while f returns
    // true.
    template <class F> void ForEachKept(size_t first, size_t m, F f) const;
    template <class F> void ForEachRun(size_t first, size_t m, F f) const;
    size_t CountKept(size_t first, size_t m) const;
    // Writes the view down as marks.
    void MarkView();
    const TCombsArray* FSrc = &NoList;
    size_t FCount = 0;
    TCombsArray FOwn;
    std::vector<uint16_t> FStep; // per source combination: Alive or the step that removed it
    bool FMasked = false;
    bool FFullSet = false;
    std::shared_ptr<const TCellView> FView;
    std::vector<uint32_t> FCellWork;   // the counts of cells, made again for every set
    std::vector<uint32_t> FChunkAlive; // per chunk of the marks: how many are Alive, when known
    bool FChunksKnown = false;
    std::vector<uint32_t> FAlive; // positions of the list's combinations when known (a masked list left few)
    bool FHasAlive = false;
};

// What a run asks of a set's list; steps are numbered from 0 and decided in order: each is applied (and perhaps
// undone right after) or skipped.
class TSetList {
public:
    virtual ~TSetList() = default;
    virtual size_t Count() = 0;
    // Distinct numbers of the list (exact up to 52).
    virtual int Distinct() = 0;
    // Applies step k (the next undecided one) and returns the count after it.
    virtual size_t Apply(size_t k) = 0;
    // Undoes step k, the last applied.
    virtual void Undo(size_t k) = 0;
    // Leaves the undecided steps before `to` unapplied.
    virtual void Skip(size_t to) = 0;
    // Leaves every undecided step unapplied and writes the list to the state.
    virtual void Finish() = 0;
};

// Above this many steps a set is taken step by step (a step number must fit the per-combination marks).
constexpr size_t MaxMaskedSteps = 60000;

class TMaskedList final : public TSetList {
public:
    // `state` holds the source; every combination of it starts alive. `distinct` keeps what Distinct needs.
    TMaskedList(TListState& state, const std::vector<TSetStep>& steps, bool distinct);
    size_t Count() override;
    int Distinct() override;
    size_t Apply(size_t k) override;
    void Undo(size_t k) override;
    void Skip(size_t to) override;
    void Finish() override;

private:
    struct TScratch;
    // Consecutive steps with key forms decided by one lookup: either steps reading a few kinds of weights (the
    // keys of every kind packed into one cell number; the first step that removes a cell, per cell), or removals
    // of combinations holding a flagged number (the first step that flags a number, per number; a combination
    // stops at the least over its numbers).
    struct TGroup {
        size_t Begin = 0, End = 0;
        bool PerNumber = false;
        std::array<uint32_t, 256> Weight{}; // per number: its weight of every kind, each at its place in the cell
        std::vector<uint16_t> First;        // a step number or TListState::Alive
        // Per step of a group of kinds: where its kind's key sits in the cell, and what it keeps.
        struct TStepKey {
            size_t Stride = 1, Keys = 1;
            const std::vector<uint8_t>* Accept = nullptr;
            bool Exclude = false;
            bool Removes(size_t cell) const {
                const size_t key = cell / Stride % Keys;
                return (key < Accept->size() && (*Accept)[key]) == Exclude;
            }
        };
        std::vector<TStepKey> StepKeys;
    };
    template <bool PerNumber> static uint16_t FirstStep(const TGroup& g, const uint8_t* n);
    void BuildGroups();
    void Evaluate(bool all);
    void Ensure();
    size_t Direct(const TComb* in, uint32_t first, size_t m, TScratch& s);
    // Returns the count left alive.
    size_t Kernel(const TComb* in, const uint32_t* idx, uint32_t first, size_t m, size_t from, TScratch& s);

    TListState& S;
    const std::vector<TSetStep>& FSteps;
    size_t K;
    bool FDistinct;
    std::vector<uint64_t> G; // combinations stopped per step; G[K]: alive after every step
    size_t FCur = 0;         // count after the applied steps
    size_t FNext = 0;        // first undecided step
    std::vector<uint8_t> FPending;
    bool FAnyPending = false;
    size_t FResume = 0;
    bool FFrontAll = true;
    std::vector<uint32_t> FFront;     // the undecided combinations when not every one is
    std::array<uint32_t, 256> FMax{}; // per number: 1 + the latest step a combination holding it reaches
    std::vector<TGroup> FGroups;
    std::vector<int32_t> FGroupAt; // per step: the group beginning there, or -1
    // A full set whose steps after the removals by position are one group is counted per cell, not per
    // combination: how many combinations each cell holds, the step now removing each cell, and the combinations
    // removed by position with their cells.
    bool CellsEligible() const;
    static size_t CellSpan(const TGroup& g);
    void CellsStart();
    void CellsRecount();
    bool FCells = false;
    size_t FSpan = 0;
    std::vector<uint16_t> FNow;
    std::vector<std::pair<uint32_t, uint32_t>> FByRank; // rank, cell
    std::vector<uint8_t> FOff;                          // steps undone or skipped
    bool FOffChanged = false;
    size_t FLead = 0; // the group a first evaluation starts with, after removals by position; or K
};

class TSteppedList final : public TSetList {
public:
    TSteppedList(TListState& state, const std::vector<TSetStep>& steps, bool plainMatch);
    size_t Count() override { return List(FCur).Count(); }
    int Distinct() override;
    size_t Apply(size_t k) override;
    void Undo(size_t k) override;
    void Skip(size_t) override {}
    void Finish() override;

private:
    // -1: the state's source, 0 and 1: the two lists of this set
    const TCombsArray& List(int which) const { return which < 0 ? S.Source() : FBuf[which]; }
    TListState& S;
    const std::vector<TSetStep>& FSteps;
    bool FPlain;
    TCombsArray FBuf[2];
    int FCur = -1, FPrev = -1;
};

} // namespace zorb
