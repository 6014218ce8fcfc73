#include "stats/CombMatcher.h"

#include <algorithm>

namespace zorb {

bool TValueTable::Empty() const {
    for (uint8_t b : FBits)
        if (b) return false;
    return true;
}

namespace {

std::vector<TSparseTally::TEntry> MergeRuns(const std::vector<TSparseTally::TEntry>& a,
                                            const std::vector<TSparseTally::TEntry>& b) {
    std::vector<TSparseTally::TEntry> out;
    out.reserve(a.size() + b.size());
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (j == b.size() || (i < a.size() && a[i].Key < b[j].Key))
            out.push_back(a[i++]);
        else if (i == a.size() || b[j].Key < a[i].Key)
            out.push_back(b[j++]);
        else {
            out.push_back({a[i].Key, a[i].Count + b[j].Count});
            ++i;
            ++j;
        }
    }
    return out;
}

} // namespace

void TSparseTally::AddKeys(std::vector<uint64_t>& keys) {
    if (keys.empty()) return;
    std::sort(keys.begin(), keys.end());
    std::vector<TEntry> run;
    for (size_t i = 0; i < keys.size();) {
        size_t j = i + 1;
        while (j < keys.size() && keys[j] == keys[i]) ++j;
        run.push_back({keys[i], j - i});
        i = j;
    }
    keys.clear();
    Push(std::move(run));
}

void TSparseTally::Push(std::vector<TEntry>&& run) {
    FRuns.push_back(std::move(run));
    while (FRuns.size() >= 2 && FRuns[FRuns.size() - 2].size() <= 2 * FRuns.back().size()) {
        std::vector<TEntry> merged = MergeRuns(FRuns[FRuns.size() - 2], FRuns.back());
        FRuns.pop_back();
        FRuns.back() = std::move(merged);
    }
}

void TSparseTally::Add(TSparseTally&& other) {
    for (std::vector<TEntry>& run : other.FRuns) Push(std::move(run));
    other.FRuns.clear();
}

std::vector<TSparseTally::TEntry> TSparseTally::Take() {
    while (FRuns.size() >= 2) {
        std::vector<TEntry> merged = MergeRuns(FRuns[FRuns.size() - 2], FRuns.back());
        FRuns.pop_back();
        FRuns.back() = std::move(merged);
    }
    std::vector<TEntry> r = FRuns.empty() ? std::vector<TEntry>{} : std::move(FRuns.back());
    FRuns.clear();
    return r;
}

TValueTable KeyTable(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected)
        if (r.W(2) == 0 && r.W(3) == 0 && r.W(4) == 0) t.Set(r.W(1));
    return t;
}

TValueTable Word1Table(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected) t.Set(r.W(1));
    return t;
}

TValueTable IntTable(const TStatDrawArray& selected, int k, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected) t.Set(r.I(k));
    return t;
}

TValueTable PairTable(const TStatDrawArray& selected, int lo, int hi) {
    TValueTable t(lo, hi);
    for (const TStatDraw& r : selected)
        if (r.I(2) == 0) t.Set(r.I(1));
    return t;
}

TSumKeyForm CountForm(const TByteFlags& has, const std::array<uint8_t, 7>& counts) {
    TSumKeyForm form;
    for (size_t x = 0; x < 256; ++x) form.Weight[x] = has[x] ? 1 : 0;
    form.Accept.assign(counts.begin(), counts.end());
    return form;
}

std::unique_ptr<TCombMatcher> AnyByteMatcher(const TByteFlags& f) {
    return MakeMatcher(
        [f](const TComb& c) { return (f[c.N[0]] | f[c.N[1]] | f[c.N[2]] | f[c.N[3]] | f[c.N[4]] | f[c.N[5]]) != 0; },
        CountForm(f, {0, 1, 1, 1, 1, 1, 1}));
}

void SetKeyW1(size_t slot, TStatDraw& row) {
    row.ClearKey();
    row.SetW(1, static_cast<uint16_t>(slot));
}

void SetKeyI1(size_t slot, TStatDraw& row) {
    row.ClearKey();
    row.SetI(1, static_cast<int32_t>(slot));
}

} // namespace zorb
