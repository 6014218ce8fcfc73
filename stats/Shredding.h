// The shredding formulas: a user's arithmetic over the numbers of a draw (n1..n6), of the draw before (p1..p6)
// and of the one before that (t1..t6), whose value is the first Digits fractional digits of its result.
//
// A formula is untrusted text. It is refused, and every value is 0, when it is empty, longer than
// MaxShredFormulaLength, assigns ('='), names anything the evaluator does not know or does not parse; a result
// that is not a finite number is 0 as well.
#pragma once

#include "stats/GameSettings.h"
#include "stats/StatFramework.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mu {
class Parser;
}

namespace zorb {

constexpr int MinShredDigits = 1, MaxShredDigits = 5;
constexpr size_t MaxShredFormulaLength = 1000;

// The digits rule: |v| rounded to 15 significant digits (what a double holds), then its first `digits`
// fractional digits, truncated; so 29/100 gives 29 and 0.7 + 0.1 gives 80 with two digits. `digits` is clamped
// to 1..5. False, and 0, for a value that is not finite.
bool ShredDigits(double v, int digits, int32_t& value);

// One formula, compiled once. Not reentrant (the evaluator binds its variables by address): every thread
// evaluates through an instance of its own.
class TShredFormula {
public:
    TShredFormula(const std::string& formula, int digits);
    ~TShredFormula();
    TShredFormula(const TShredFormula&) = delete;
    TShredFormula& operator=(const TShredFormula&) = delete;

    // Why the formula cannot be evaluated (with the evaluator's position where it has one); empty when it can.
    const std::string& Error() const { return FError; }
    int Digits() const { return FDigits; }
    // The value for six numbers of the draw and of the two draws before it (nullptr: zeros); 0 on any failure,
    // with the reason in `error` when given.
    int32_t Value(const uint8_t* n, const uint8_t* p, const uint8_t* t, std::string* error = nullptr);

private:
    bool Evaluate(double& v, std::string* error);

    std::string FText;
    int FDigits;
    std::string FError;
    // Every variable stands alone as a token, so binding the numbers gives what substituting their text would;
    // otherwise ("n1n2" reads as the digits of n1 then n2) the text is substituted for every evaluation.
    bool FBound = false;
    double FVars[18] = {};
    std::unique_ptr<mu::Parser> FParser;
};

// Empty when the formula compiles; otherwise the reason, as evaluation would report it.
std::string ShredFormulaError(const std::string& formula);

// Why the three formulas and digit counts cannot be stored: "Формула %d: %s" for the first formula that does not
// compile, or the digits message for a count outside 1..5; empty when all of them can.
std::string ShreddingSettingsError(const TShreddingData& data);
std::string ShredDigitsError(); // "Количество знаков после запятой: от 1 до 5!"

// Shred(n, p, t, Digits, Formula) in one call: compiles the formula for this evaluation only.
int32_t Shred(const uint8_t* n, const uint8_t* p, const uint8_t* t, int digits, const std::string& formula,
              std::string* error = nullptr);

// The shredding method SHR%d (one entry per formula 1..3); its value, up to 10^Digits - 1, is the key's I1.
const std::vector<const TStatClass*>& ShreddingClasses();

} // namespace zorb
