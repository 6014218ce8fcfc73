#include "stats/StatFramework.h"

#include "core/FileUtils.h"
#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"

#include <algorithm>
#include <cstdlib>

namespace zorb {

void AddValue(TStatDrawArray& table, const TStatDraw& value, bool trackGaps) {
    for (TStatDraw& row : table) {
        if (!row.SameKey(value)) continue;
        row.Count += value.Count;
        if (row.Depth == 0 || (value.Depth > 0 && value.Depth <= row.Depth)) {
            row.LastDraw = value.LastDraw;
            row.Depth = value.Depth;
        }
        if (trackGaps && value.LastDraw > 0 && row.PrevDraw > 0) {
            // Draw numbers may jump in odd archives; a gap beyond the field's range is held at its maximum.
            int64_t gap = std::min<int64_t>(std::llabs(static_cast<int64_t>(row.PrevDraw) - value.LastDraw), 65535);
            if (gap < row.PeriodMin || row.PeriodMin == 0) row.PeriodMin = static_cast<uint16_t>(gap);
            if (gap > row.PeriodMax || row.PeriodMax == 0) row.PeriodMax = static_cast<uint16_t>(gap);
        }
        row.PrevDraw = value.LastDraw;
        return;
    }
    TStatDraw row = value;
    row.Norm = 0;
    table.push_back(row);
}

bool FindKey(const TStatDrawArray& table, uint16_t w1, uint16_t w2, uint16_t w3, uint16_t w4) {
    for (const TStatDraw& r : table)
        if (r.W(1) == w1 && r.W(2) == w2 && r.W(3) == w3 && r.W(4) == w4) return true;
    return false;
}

bool FindWord(const TStatDrawArray& table, int k, uint16_t v) {
    for (const TStatDraw& r : table)
        if (r.W(k) == v) return true;
    return false;
}

bool FindByte(const TStatDrawArray& table, int k, uint8_t v) {
    for (const TStatDraw& r : table)
        if (r.B(k) == v) return true;
    return false;
}

bool FindInt(const TStatDrawArray& table, int k, int32_t v) {
    for (const TStatDraw& r : table)
        if (r.I(k) == v) return true;
    return false;
}

bool FindPair(const TStatDrawArray& table, int32_t a, int32_t b) {
    for (const TStatDraw& r : table)
        if (r.I(1) == a && r.I(2) == b) return true;
    return false;
}

void AddSimple(TStatSimpleArray& a, int32_t key, int32_t amount) {
    for (TStatSimple& s : a)
        if (s.Key == key) {
            if (amount > 0) s.Count += amount;
            return;
        }
    a.push_back({key, amount});
}

void SortSimple(TStatSimpleArray& a) {
    std::stable_sort(a.begin(), a.end(), [](const TStatSimple& x, const TStatSimple& y) { return x.Key < y.Key; });
}

int32_t LastSeen(const TLastValue& probe, TLastValueArray& list) {
    for (TLastValue& e : list)
        if (std::memcmp(e.Key, probe.Key, sizeof e.Key) == 0) {
            int32_t d = probe.DrawNumber - e.DrawNumber;
            e.DrawNumber = probe.DrawNumber;
            return d;
        }
    list.push_back(probe);
    return -1;
}

std::string FlagLetters(unsigned flags) {
    std::string r;
    if (flags & sfS) r += 'S';
    if (flags & sfN) r += 'N';
    if (flags & sfD) r += 'D';
    if (flags & sfP) r += 'P';
    if (flags & sfG) r += 'G';
    return r;
}

// --- Class operations ---------------------------------------------------------------------------------------------

std::string TStatClass::CodeOf(int param) const {
    return Format(Code, param);
}

std::string TStatClass::CaptionOf(int param) const {
    return CaptionOfFn ? CaptionOfFn(param) : Format(Tr(Caption), param);
}

std::string TStatClass::HelpCodeOf(int param) const {
    return Format(HelpCode ? HelpCode : Code, param);
}

std::string TStatClass::HelpTopic(int param, const std::string& helpFile) const {
    if (helpFile.empty() || !FileExists(helpFile)) return "";
    return "ms-its:" + helpFile + Format("::/Filters_%.4d_%s.htm", 1049, HelpCodeOf(param));
}

// --- TCustomStat --------------------------------------------------------------------------------------------------

TCustomStat::TCustomStat(TStatList& list, int param) : FList(list), FDraws(&list.Draws()), FParam(param) {}

TDrawRec TCustomStat::DrawAt(int index, bool sorted) const {
    TDrawRec r{};
    if (index < 0 || index >= DrawCount()) return r;
    r = (*FDraws)[static_cast<size_t>(index)];
    if (sorted) SortDrawNumbers(r);
    return r;
}

int TCustomStat::TextToValue(const std::string& text) const {
    int32_t v;
    return TryStrToInt(Trim(text), v) ? v : 0;
}

void TCustomStat::InitValues(int, TStatDrawArray&) {
    FWork = TStatDraw{};
}

void TCustomStat::LoadDraws(int index, int secondIndex, bool sorted) {
    FCurDraw = DrawAt(index, sorted);
    if (Class().Flags & sfD) FSecondDraw = DrawAt(secondIndex, sorted);
}

void TCustomStat::CountComb(const TComb&, TStatDrawArray&) {
    FWork = TStatDraw{};
    FWork.Count = 1;
}

void TCustomStat::CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray&, TWorkArea&, TLastValueArray&) {
    LoadDraws(index, windowEnd, sorted);
    FWork = TStatDraw{};
    FWork.LastDraw = FCurDraw.Draw;
    FWork.PrevDraw = FCurDraw.Draw;
    FWork.Depth = windowEnd - index + 1;
    FWork.Count = 1;
}

int TCustomStat::FindNext(const TStatDraw& row, int fromIndex, bool sorted, int windowEnd) {
    if (fromIndex < 0) fromIndex = 0;
    if (fromIndex >= DrawCount()) return -1;
    TWorkArea work{};
    for (int i = fromIndex; i < DrawCount(); ++i) {
        TStatDrawArray table;
        TLastValueArray last;
        CountDraw(i, windowEnd, sorted, table, work, last);
        for (const TStatDraw& r : table)
            if (r.SameKey(row)) return r.LastDraw;
    }
    return -1;
}

std::unique_ptr<TCombMatcher> TCustomStat::MakeMatcher(const TStatDrawArray&, int, bool, bool) {
    return nullptr;
}

std::unique_ptr<TCombCounter> TCustomStat::MakeCounter() const {
    return nullptr;
}

void TCustomStat::SeedW1(TStatDrawArray& table, uint16_t v) {
    TStatDraw s{};
    s.SetW(1, v);
    AddValue(table, s, false);
}

void TCustomStat::SeedI1(TStatDrawArray& table, int32_t v) {
    TStatDraw s{};
    s.SetI(1, v);
    AddValue(table, s, false);
}

TStatDrawArray CountWindow(TCustomStat& stat, int windowEnd, int length, bool sorted) {
    TStatDrawArray table;
    stat.InitValues(windowEnd, table);
    TWorkArea work{};
    TLastValueArray last;
    for (int i = std::max(windowEnd - length + 1, 0); i <= windowEnd; ++i)
        stat.CountDraw(i, windowEnd, sorted, table, work, last);
    return table;
}

// --- Common bases -------------------------------------------------------------------------------------------------

std::string TCustomGraphStat::ValueText(const TStatDraw& row) const {
    return std::to_string(row.W(1));
}

int TCustomGraphStat::DrawValue(int index, int windowEnd, bool sorted) {
    LoadDraws(index, windowEnd, sorted);
    return CombValue(DrawNumbers(FCurDraw), index, windowEnd, sorted);
}

std::string TCustomRatioStat::ValueText(const TStatDraw& row) const {
    return Format("%d:%d", row.W(1), 6 - row.W(1));
}

int TCustomRatioStat::TextToValue(const std::string& text) const {
    int32_t v;
    return TryStrToInt(Trim(text.substr(0, text.find(':'))), v) ? v : 0;
}

std::string TCustomValuesStat::ValueText(const TStatDraw& row) const {
    return std::to_string(row.W(1));
}

std::string TCustomNumbersStat::ValueText(const TStatDraw& row) const {
    return std::to_string(row.W(1));
}

std::string TCustomMaskStat::ValueText(const TStatDraw& row) const {
    const int pattern = row.I(1);
    std::string letters;
    for (int bit = 5; bit >= 0; --bit) letters += (pattern >> bit) & 1 ? OneMark() : ZeroMark();
    return Format("%s (%.3d)", letters, pattern);
}

int TCustomMaskStat::TextToValue(const std::string& text) const {
    const std::string one = OneMark();
    int pattern = 0;
    size_t pos = 0;
    for (int bit = 5; bit >= 0 && pos < text.size(); --bit) {
        // One character, which may take several bytes.
        size_t len = 1;
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        if (text.compare(pos, len, one) == 0) pattern |= 1 << bit;
        pos += len;
    }
    return pattern;
}

void TCustomMaskStat::InitValues(int windowEnd, TStatDrawArray& table) {
    TCustomStat::InitValues(windowEnd, table);
    for (int p = 0; p < 64; ++p) SeedI1(table, p);
}

} // namespace zorb
