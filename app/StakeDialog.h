// Rules of the stake dialogs, shared by the window and the command line.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <string_view>

namespace zorb {

constexpr int MinStakeNumbers = 6;
constexpr int MaxStakeDialogNumbers = 10;
constexpr int MaxStakeComment = 64;
constexpr int MaxStakeDraws = 65535;
constexpr const char* DefaultStakeComment = "Ставка \"вручную\"";

// Six to ten pieces split at ";" and ",", each (trimmed) an integer 1..52, all different; sorted ascending.
bool ParseStakeNumbers(std::string_view text, TNumberSet& numbers);
// The read-only sum beside the numbers: the pieces' integer values, non-numbers counting 0.
int StakeNumbersSum(std::string_view text);

} // namespace zorb
