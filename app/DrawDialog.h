// Rules of the draw dialog, shared by the window and the command line.
#pragma once

#include "core/KestoUtils.h"

#include <string>
#include <string_view>

namespace zorb {

constexpr const char* MsgBadDrawComb = "Введена некорректная комбинация!";
constexpr int MaxDrawNumber = 2147483647;

// Six words split at "," and ";", each (trimmed) an integer 1..52, all different; kept in the order typed.
bool ParseDrawNumbers(std::string_view text, uint8_t numbers[6]);
std::string DrawNumbersText(const TDrawRec& draw); // as the dialog shows them: "n1;n2;...;n6"

} // namespace zorb
