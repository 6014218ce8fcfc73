#include "stats/Shredding.h"

#include "core/Format.h"
#include "core/TextUtils.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"
#include "stats/StatList.h"

#include <algorithm>
#include <cmath>
#include <muParser.h>
#include <tbb/enumerable_thread_specific.h>

namespace zorb {

namespace {

// Powers of ten, exact as doubles up to 10^22 and as 64-bit integers up to 10^18; no pow or log in the hot loop.
constexpr double PowerOf10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr double NegPowerOf10[8] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};
constexpr int64_t IntPowerOf10[19] = {1,
                                      10,
                                      100,
                                      1000,
                                      10000,
                                      100000,
                                      1000000,
                                      10000000,
                                      100000000,
                                      1000000000,
                                      10000000000,
                                      100000000000,
                                      1000000000000,
                                      10000000000000,
                                      100000000000000,
                                      1000000000000000,
                                      10000000000000000,
                                      100000000000000000,
                                      1000000000000000000};

double Decade(int e) {
    return e >= 0 ? PowerOf10[e] : NegPowerOf10[-e];
}

} // namespace

bool ShredDigits(double v, int digits, int32_t& value) {
    value = 0;
    if (!std::isfinite(v)) return false;
    digits = std::clamp(digits, MinShredDigits, MaxShredDigits);
    const double a = std::fabs(v);
    // From 10^15 on a double holds no fractional digit; below 10^-(digits+1) even rounding to 15 digits cannot
    // reach the first kept digit.
    const int lowest = -(digits + 1);
    if (a >= 1e15 || a < Decade(lowest)) return true;
    int e = 14; // decimal exponent of a: 10^e <= a < 10^(e+1)
    while (Decade(e) > a) --e;
    const int fracDigits = 14 - e; // fractional digits among 15 significant ones, 0..20
    // Below 10^16, exact in a double and in 64 bits.
    const auto m = static_cast<int64_t>(std::nearbyint(a * PowerOf10[fracDigits]));
    int64_t frac;
    if (fracDigits > 18) {
        frac = m / IntPowerOf10[fracDigits - digits]; // m < 10^16: all of it is fraction
    } else {
        frac = m % IntPowerOf10[fracDigits];
        frac =
            fracDigits >= digits ? frac / IntPowerOf10[fracDigits - digits] : frac * IntPowerOf10[digits - fracDigits];
    }
    value = static_cast<int32_t>(frac);
    return true;
}

namespace {

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.';
}

bool IsVariableAt(const std::string& s, size_t j) {
    return (s[j] == 'n' || s[j] == 'p' || s[j] == 't') && j + 1 < s.size() && s[j + 1] >= '1' && s[j + 1] <= '6';
}

// Every n1..t6 is a token of its own: neither a letter, digit, '_' nor '.' touches it.
bool VariablesStandAlone(const std::string& s) {
    for (size_t j = 0; j < s.size(); ++j) {
        if (!IsVariableAt(s, j)) continue;
        if (j > 0 && IsNameChar(s[j - 1])) return false;
        if (j + 2 < s.size() && IsNameChar(s[j + 2])) return false;
    }
    return true;
}

// '=' only inside "==", "<=", ">=" and "!=": a lone one would assign, and a bound variable is the program's memory.
bool HasAssignment(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '=') continue;
        if (i > 0 && (s[i - 1] == '<' || s[i - 1] == '>' || s[i - 1] == '!')) continue;
        if (i + 1 < s.size() && s[i + 1] == '=') {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

void ReplaceAll(std::string& s, const std::string& what, const std::string& with) {
    for (size_t pos = s.find(what); pos != std::string::npos; pos = s.find(what, pos + with.size()))
        s.replace(pos, what.size(), with);
}

// The formula with the numbers written in, as the text rule reads it: for i = 1..6, "n"i, then "p"i, then "t"i.
std::string Substitute(std::string s, const double* vars) {
    const char names[3] = {'n', 'p', 't'};
    for (int i = 0; i < 6; ++i)
        for (int k = 0; k < 3; ++k)
            ReplaceAll(s, std::string{names[k], static_cast<char>('1' + i)},
                       std::to_string(static_cast<int>(vars[6 * k + i])));
    return s;
}

std::string ParserReason(const mu::ParserError& e) {
    const int pos = e.GetPos();
    if (pos < 0) return e.GetMsg();
    return Format(Tr("%s (позиция %d)"), e.GetMsg(), pos + 1);
}

} // namespace

TShredFormula::TShredFormula(const std::string& formula, int digits)
    : FText(formula), FDigits(std::clamp(digits, MinShredDigits, MaxShredDigits)) {
    if (Trim(FText).empty()) {
        FError = Tr("Формула не задана");
        return;
    }
    if (FText.size() > MaxShredFormulaLength) {
        FError = Format(Tr("Формула длиннее %d знаков"), static_cast<int>(MaxShredFormulaLength));
        return;
    }
    if (HasAssignment(FText)) {
        FError = Tr("Присваивание (=) в формуле не допускается");
        return;
    }
    FBound = VariablesStandAlone(FText);
    try {
        FParser = std::make_unique<mu::Parser>();
        if (FBound) {
            const char names[3] = {'n', 'p', 't'};
            for (int k = 0; k < 3; ++k)
                for (int i = 0; i < 6; ++i)
                    FParser->DefineVar(std::string{names[k], static_cast<char>('1' + i)}, &FVars[6 * k + i]);
            FParser->SetExpr(FText);
        } else {
            FParser->SetExpr(Substitute(FText, FVars));
        }
        // Parsing happens on the first evaluation; its result here does not matter.
        (void)FParser->Eval();
    } catch (const mu::ParserError& e) {
        FError = ParserReason(e);
    } catch (const std::exception& e) {
        FError = e.what();
    }
}

TShredFormula::~TShredFormula() = default;

bool TShredFormula::Evaluate(double& v, std::string* error) {
    if (!FError.empty()) {
        if (error) *error = FError;
        return false;
    }
    try {
        if (!FBound) FParser->SetExpr(Substitute(FText, FVars));
        v = FParser->Eval();
        return true;
    } catch (const mu::ParserError& e) {
        if (error) *error = ParserReason(e);
    } catch (const std::exception& e) {
        if (error) *error = e.what();
    }
    return false;
}

int32_t TShredFormula::Value(const uint8_t* n, const uint8_t* p, const uint8_t* t, std::string* error) {
    const uint8_t* rows[3] = {n, p, t};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 6; ++i) FVars[6 * k + i] = rows[k] ? rows[k][i] : 0;
    double v = 0;
    if (!Evaluate(v, error)) return 0;
    int32_t value;
    if (!ShredDigits(v, FDigits, value) && error) *error = Tr("Результат формулы не является конечным числом");
    return value;
}

std::string ShredFormulaError(const std::string& formula) {
    return TShredFormula(formula, MinShredDigits).Error();
}

std::string ShredDigitsError() {
    return Tr("Количество знаков после запятой: от 1 до 5!");
}

std::string ShreddingSettingsError(const TShreddingData& data) {
    for (int i = 0; i < 3; ++i) {
        const std::string reason = ShredFormulaError(data.Formulas[static_cast<size_t>(i)]);
        if (!reason.empty()) return Format(Tr("Формула %d: %s"), i + 1, reason);
        const int digits = data.Digits[static_cast<size_t>(i)];
        if (digits < MinShredDigits || digits > MaxShredDigits) return ShredDigitsError();
    }
    return "";
}

int32_t Shred(const uint8_t* n, const uint8_t* p, const uint8_t* t, int digits, const std::string& formula,
              std::string* error) {
    return TShredFormula(formula, digits).Value(n, p, t, error);
}

namespace {

// One compiled formula per thread: the filter and the full-set count call a matcher or counter from several
// threads at once, and a compiled formula is not reentrant.
class TThreadFormulas {
public:
    TThreadFormulas(std::string formula, int digits)
        : FFormulas([formula, digits] { return std::make_unique<TShredFormula>(formula, digits); }) {}
    TShredFormula& Local() const { return *FFormulas.local(); }

private:
    mutable tbb::enumerable_thread_specific<std::unique_ptr<TShredFormula>> FFormulas;
};

class TShredMatcher final : public TCombMatcher {
public:
    TShredMatcher(const std::string& formula, int digits, const TDrawRec& p, const TDrawRec& t,
                  std::vector<uint8_t> want)
        : FFormulas(formula, digits), FP(p), FT(t), FWant(std::move(want)) {}
    void Match(const TComb* in, size_t n, uint64_t* bits) const override {
        TShredFormula& f = FFormulas.Local();
        size_t i = 0;
        for (size_t w = 0; i < n; ++w) {
            const size_t end = std::min(n, i + 64);
            uint64_t word = 0;
            for (unsigned j = 0; i < end; ++i, ++j) {
                const auto v = static_cast<size_t>(f.Value(in[i].N, FP.Numbers, FT.Numbers));
                word |= static_cast<uint64_t>(v < FWant.size() && FWant[v]) << j;
            }
            bits[w] = word;
        }
    }

private:
    TThreadFormulas FFormulas;
    TDrawRec FP, FT;
    std::vector<uint8_t> FWant;
};

class TShredCounter final : public TCombCounter {
public:
    TShredCounter(const std::string& formula, int digits) : FFormulas(formula, digits), FSize(1) {
        for (int i = 0; i < std::clamp(digits, MinShredDigits, MaxShredDigits); ++i) FSize *= 10;
    }
    size_t Size() const override { return FSize; }
    void Count(const TComb* in, size_t n, uint32_t* tally) const override {
        TShredFormula& f = FFormulas.Local();
        for (size_t i = 0; i < n; ++i) {
            const auto v = static_cast<size_t>(f.Value(in[i].N, nullptr, nullptr));
            ++tally[v < FSize ? v : 0];
        }
    }
    void KeyOf(size_t slot, TStatDraw& row) const override { row.SetI(1, static_cast<int32_t>(slot)); }

private:
    TThreadFormulas FFormulas;
    size_t FSize;
};

int MaxValueOf(int digits) {
    int v = 1;
    for (int i = 0; i < std::clamp(digits, MinShredDigits, MaxShredDigits); ++i) v *= 10;
    return v - 1;
}

// The value lives in I1: five digits reach 99 999, beyond one word.
class TShreddingStat : public TCustomGraphStat {
public:
    TShreddingStat(TStatList& list, int param) : TCustomGraphStat(list, param) {
        if (param >= 1 && param <= 3) {
            FFormula = list.Shredding.Formulas[static_cast<size_t>(param - 1)];
            FDigits =
                std::clamp<int>(list.Shredding.Digits[static_cast<size_t>(param - 1)], MinShredDigits, MaxShredDigits);
        }
    }
    std::string ValueText(const TStatDraw& row) const override { return std::to_string(row.I(1)); }
    void CountDraw(int index, int windowEnd, bool sorted, TStatDrawArray& table, TWorkArea& work,
                   TLastValueArray& last) override {
        TCustomStat::CountDraw(index, windowEnd, sorted, table, work, last);
        const TDrawRec p = DrawAt(index - 1, sorted), t = DrawAt(index - 2, sorted);
        FWork.SetI(1, Compiled().Value(FCurDraw.Numbers, p.Numbers, t.Numbers));
        Merge(table, true);
    }
    void CountComb(const TComb& comb, TStatDrawArray& table) override {
        TCustomStat::CountComb(comb, table);
        FWork.SetI(1, Compiled().Value(comb.N, nullptr, nullptr));
        Merge(table, false);
    }
    int CombValue(const TComb& comb, int index, int, bool sorted) override {
        const TDrawRec p = DrawAt(index - 1, sorted), t = DrawAt(index - 2, sorted);
        return Compiled().Value(comb.N, p.Numbers, t.Numbers);
    }
    bool MatchComb(const TComb& comb, const TStatDrawArray& selected, int windowEnd, bool sorted, bool) override {
        if (!FMatchDrawsLoaded || FMatchEnd != windowEnd || FMatchSorted != sorted) {
            FMatchP = DrawAt(windowEnd, sorted);
            FMatchT = DrawAt(windowEnd - 1, sorted);
            FMatchEnd = windowEnd;
            FMatchSorted = sorted;
            FMatchDrawsLoaded = true;
        }
        return FindInt(selected, 1, Compiled().Value(comb.N, FMatchP.Numbers, FMatchT.Numbers));
    }
    std::unique_ptr<TCombMatcher> MakeMatcher(const TStatDrawArray& selected, int windowEnd, bool sorted,
                                              bool) override {
        const int top = MaxValueOf(FDigits);
        const TValueTable t = IntTable(selected, 1, 0, top);
        std::vector<uint8_t> want(static_cast<size_t>(top) + 1);
        for (int v = 0; v <= top; ++v) want[static_cast<size_t>(v)] = t.Has(v) ? 1 : 0;
        return std::make_unique<TShredMatcher>(FFormula, FDigits, DrawAt(windowEnd, sorted),
                                               DrawAt(windowEnd - 1, sorted), std::move(want));
    }
    std::unique_ptr<TCombCounter> MakeCounter() const override {
        return std::make_unique<TShredCounter>(FFormula, FDigits);
    }

private:
    TShredFormula& Compiled() {
        if (!FCompiled) FCompiled = std::make_unique<TShredFormula>(FFormula, FDigits);
        return *FCompiled;
    }

    std::string FFormula;
    int32_t FDigits = 2;
    std::unique_ptr<TShredFormula> FCompiled;
    TDrawRec FMatchP{}, FMatchT{};
    int FMatchEnd = 0;
    bool FMatchSorted = false, FMatchDrawsLoaded = false;
};

void FormulaParams(const TStatList&, int& lo, int& hi) {
    lo = 1;
    hi = 3;
}

// "%0:d" is the formula's number; the "%s" that "%%s" leaves is filled with its text by the registry.
std::string ShreddingCaption(int param) {
    return Format(Tr("Метод шинковки %0:d: %%s"), param);
}

ZORB_STAT_CLASS(TstShreddingStat, TShreddingStat);
ZORB_STAT_INFO(TstShreddingStat, "SHR%d", "Метод шинковки %0:d: %%s", 12, sfS | sfN,
               {.HelpCode = "SHRx",
                .IsGraph = true,
                .HasParam = true,
                .ParamRange = FormulaParams,
                .CaptionOfFn = ShreddingCaption});

} // namespace

const std::vector<const TStatClass*>& ShreddingClasses() {
    static const std::vector<const TStatClass*> classes = {&TstShreddingStat::Info};
    return classes;
}

} // namespace zorb
